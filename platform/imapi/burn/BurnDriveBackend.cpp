#include "platform/imapi/burn/BurnDriveBackend.h"

#include <new>

#include "platform/imapi/Imapi.h"

namespace imapi_burn {

namespace {

template <class F>
HRESULT Guarded(F&& f) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace

BurnDriveBackend::BurnDriveBackend(std::shared_ptr<BurnEngine> engine, AudioDiscReaderFactory readers)
    : engine_(std::move(engine)), owner_(engine_->AddOwner()), makeReader_(std::move(readers)) {}

BurnDriveBackend::~BurnDriveBackend() {
  try {
    engine_->RemoveOwner(owner_);
  } catch (...) {
  }
}

std::vector<imapi_backend::DriveInfo> BurnDriveBackend::Scan(std::string* note) {
  try {
    return engine_->Scan(note);
  } catch (...) {
    if (note) *note = "The scan for CD recorders failed; list the recorders again.";
    return {};
  }
}

HRESULT BurnDriveBackend::OpenExclusive(const std::string& id) {
  return Guarded([&] { return engine_->OpenExclusive(owner_, id); });
}

HRESULT BurnDriveBackend::Close(const std::string& id) {
  return Guarded([&] { return engine_->Close(owner_, id); });
}

HRESULT BurnDriveBackend::QueryMedia(const std::string& id, long* mediaType, long* mediaFlags) {
  return Guarded([&] { return engine_->QueryMedia(owner_, id, mediaType, mediaFlags); });
}

HRESULT BurnDriveBackend::Erase(const std::string& id, bool full) {
  return Guarded([&] { return engine_->Erase(owner_, id, full); });
}

HRESULT BurnDriveBackend::Eject(const std::string& id) {
  return Guarded([&] { return engine_->Eject(owner_, id); });
}

HRESULT BurnDriveBackend::Record(const std::string& id, const std::vector<imapi_backend::TrackSpec>& tracks,
                                 bool simulate, bool eject, const imapi_backend::RecordCallbacks& callbacks) {
  return Guarded([&] { return engine_->Record(owner_, id, tracks, simulate, eject, callbacks); });
}

HRESULT BurnDriveBackend::ReadLayout(const std::string& id, std::vector<imapi_backend::AudioTrackExtent>* tracks) {
  if (!makeReader_) return E_NOTIMPL;
  return Guarded([&] {
    std::lock_guard lock(readersLock_);
    auto reader = makeReader_();
    HRESULT hr = reader->Open(id, tracks);
    if (SUCCEEDED(hr)) readers_[id] = std::move(reader);
    return hr;
  });
}

HRESULT BurnDriveBackend::ReadAudio(const std::string& id, uint32_t firstBlock, uint32_t blocks, uint8_t* out) {
  return Guarded([&] {
    std::lock_guard lock(readersLock_);
    auto it = readers_.find(id);
    return it == readers_.end() ? IMAPI_E_NOTOPENED : it->second->Read(firstBlock, blocks, out);
  });
}

void BurnDriveBackend::EndReading(const std::string& id) {
  std::lock_guard lock(readersLock_);
  readers_.erase(id);
}

}  // namespace imapi_burn
