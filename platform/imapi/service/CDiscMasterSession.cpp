#include "platform/imapi/service/CDiscMasterSession.h"

#include <cstdlib>

#include "platform/com/ResultMacros.h"
#include "platform/imapi/service/CBackendLoader.h"
#include "platform/imapi/service/CBackendRecorder.h"
#include "platform/imapi/service/CDiscRecorderObj.h"
#include "platform/imapi/service/CVirtualRecorder.h"
#include "platform/imapi/service/CVirtualRecorderStore.h"

namespace {
// When no recorder is active the largest common disc is assumed.
constexpr uint64_t kDefaultCapacity = 80ull * 60 * 75;
}  // namespace

CDiscMasterSession::CDiscMasterSession() = default;
CDiscMasterSession::~CDiscMasterSession() = default;

HRESULT CDiscMasterSession::Open() {
  if (m_bOpen) return IMAPI_E_ALREADYOPEN;
  m_bOpen = true;
  m_iidFormat = IID_IJolietDiscMaster;
  Refresh();
  m_pActive = m_recorders.empty() ? nullptr : m_recorders.front();
  return S_OK;
}

void CDiscMasterSession::Close() {
  m_bOpen = false;
  m_sinks.clear();
  m_pStash.reset();
  m_pActive = nullptr;
  m_recorders.clear();
}

void CDiscMasterSession::Refresh() {
  std::vector<std::shared_ptr<CRecorderDevice>> found;
  try {
    for (auto& config : CVirtualRecorderStore().Load()) found.push_back(std::make_shared<CVirtualRecorder>(config));
  } catch (const std::exception&) {
    // A damaged registry hides the virtual recorders, not the drives.
  }
  if (auto backend = CBackendLoader::Get()) {
    std::string note;
    for (auto& info : backend->Scan(&note)) found.push_back(std::make_shared<CBackendRecorder>(backend, info));
  }
  std::vector<ComPtr<CDiscRecorderObj>> next;
  for (auto& device : found) {
    ComPtr<CDiscRecorderObj> keep;
    for (auto& old : m_recorders) {
      const CRecorderDevice& d = old->Device();
      if (d.Key() == device->Key() && d.Vendor() == device->Vendor() && d.Product() == device->Product() &&
          d.Revision() == device->Revision())
        keep = old;
    }
    if (!keep) keep = Make<CDiscRecorderObj>(device, weak_from_this());
    next.push_back(keep);
  }
  m_recorders = std::move(next);
}

std::vector<ComPtr<IDiscRecorder>> CDiscMasterSession::Recorders() const {
  std::vector<ComPtr<IDiscRecorder>> out;
  for (auto& r : m_recorders) out.push_back(ComPtr<IDiscRecorder>(r.Get()));
  return out;
}

ComPtr<CDiscRecorderObj> CDiscMasterSession::Find(IDiscRecorder* pRecorder) const {
  for (auto& r : m_recorders)
    if (static_cast<IDiscRecorder*>(r.Get()) == pRecorder) return r;
  if (m_pActive && static_cast<IDiscRecorder*>(m_pActive.Get()) == pRecorder) return m_pActive;
  return nullptr;
}

uint64_t CDiscMasterSession::CapacityBlocks() const {
  return m_pActive ? m_pActive->Device().CapacityBlocks() : kDefaultCapacity;
}

CAudioStash& CDiscMasterSession::MakeStash() {
  if (!m_pStash) {
    std::string folder;
    if (m_pActive) {
      folder = m_pActive->Device().StashFolder();
    } else {
      const char* tmp = std::getenv("TMPDIR");
      folder = tmp && *tmp == '/' ? tmp : "/tmp";
    }
    m_pStash = std::make_unique<CAudioStash>(folder);
  }
  return *m_pStash;
}

HRESULT CDiscMasterSession::Advise(IDiscMasterProgressEvents* pSink, UINT_PTR* pCookie) {
  if (!m_bOpen) return IMAPI_E_NOTOPENED;
  if (!pSink || !pCookie) return E_POINTER;
  *pCookie = ++m_nextCookie;
  m_sinks[*pCookie] = ComPtr<IDiscMasterProgressEvents>(pSink);
  return S_OK;
}

HRESULT CDiscMasterSession::Unadvise(UINT_PTR cookie) {
  if (!m_bOpen) return IMAPI_E_NOTOPENED;
  return m_sinks.erase(cookie) ? S_OK : E_INVALIDARG;
}

std::vector<ComPtr<IDiscMasterProgressEvents>> CDiscMasterSession::Sinks() const {
  // A copy: a sink may unadvise from inside a notification.
  std::vector<ComPtr<IDiscMasterProgressEvents>> out;
  for (auto& [cookie, sink] : m_sinks) out.push_back(sink);
  return out;
}

void CDiscMasterSession::NotifyEraseComplete(HRESULT hr) {
  for (auto& sink : Sinks()) IgnoreResult(sink->NotifyEraseComplete(hr), "a sink cannot change the outcome");
}

HRESULT CDiscMasterSession::RecordDisc(bool bSimulate, bool bEject) {
  if (!m_bOpen) return IMAPI_E_NOTOPENED;
  if (!m_pActive) return IMAPI_E_NOACTIVERECORDER;
  // Only audio can be staged, so a disc in any other format would be empty.
  if (!IsEqualIID(m_iidFormat, IID_IRedbookDiscMaster)) return IMAPI_E_INVALIDIMAGE;
  if (m_pStash && m_pStash->IsTrackOpen()) return IMAPI_E_TRACKOPEN;
  if (!m_pStash || m_pStash->RecordableBlocks() == 0) return IMAPI_E_INVALIDIMAGE;
  CRecorderDevice& device = m_pActive->Device();
  if (m_pStash->RecordableBlocks() > device.CapacityBlocks()) return IMAPI_E_DISCFULL;

  const bool bTookOpen = !device.IsOpen();
  if (bTookOpen) {
    RETURN_IF_FAILED(device.OpenExclusive());
  }
  LONG type = 0, flags = 0;
  HRESULT hr = device.QueryMediaType(&type, &flags);
  if (SUCCEEDED(hr) && !(flags & MEDIA_BLANK)) hr = IMAPI_E_CANNOT_WRITE_TO_MEDIA;
  if (FAILED(hr)) {
    if (bTookOpen) IgnoreResult(device.Close(), "the operation's own result wins");
    return hr;
  }

  // Keeps the service alive while the sinks run: one of them may release it.
  auto self = shared_from_this();
  ComPtr<CDiscRecorderObj> recorder = m_pActive;
  const auto tracks = m_pStash->Tracks();
  const uint64_t total = m_pStash->RecordableBlocks();
  for (auto& sink : Sinks())
    IgnoreResult(sink->NotifyPreparingBurn(static_cast<LONG>(total / 75 / 8 + 1)), "progress only");

  imapi_backend::RecordCallbacks callbacks;
  callbacks.onTrack = [this](long track, long count) {
    for (auto& sink : Sinks())
      IgnoreResult(sink->NotifyTrackProgress(static_cast<LONG>(track), static_cast<LONG>(count)), "progress only");
  };
  callbacks.onBlocks = [this](long done, long all) {
    for (auto& sink : Sinks())
      IgnoreResult(sink->NotifyBlockProgress(static_cast<LONG>(done), static_cast<LONG>(all)), "progress only");
  };
  callbacks.onClosing = [this](long seconds) {
    for (auto& sink : Sinks()) IgnoreResult(sink->NotifyClosingDisc(static_cast<LONG>(seconds)), "progress only");
  };
  callbacks.queryCancel = [this]() {
    bool cancel = false;
    for (auto& sink : Sinks()) {
      boolean b = 0;
      if (SUCCEEDED(sink->QueryCancel(&b)) && b) cancel = true;
    }
    return cancel;
  };

  recorder->SetBurning(true);
  hr = device.Record(tracks, bSimulate, bEject, callbacks);
  recorder->SetBurning(false);
  if (bTookOpen) IgnoreResult(device.Close(), "the operation's own result wins");
  // What was staged has been used up, whatever the outcome.
  m_pStash.reset();
  for (auto& sink : Sinks()) IgnoreResult(sink->NotifyBurnComplete(hr), "a sink cannot change the outcome");
  return hr;
}
