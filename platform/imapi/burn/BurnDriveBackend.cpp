#include "platform/imapi/burn/BurnDriveBackend.h"

#include <new>

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

BurnDriveBackend::BurnDriveBackend(std::shared_ptr<BurnEngine> engine)
    : engine_(std::move(engine)), owner_(engine_->AddOwner()) {}

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

}  // namespace imapi_burn
