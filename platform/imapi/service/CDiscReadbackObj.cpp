#include "platform/imapi/service/CDiscReadbackObj.h"

#include <algorithm>

#include "platform/com/ResultMacros.h"

#include "platform/imapi/service/CDiscMasterSession.h"
#include "platform/imapi/service/CDiscRecorderObj.h"
#include "platform/imapi/service/CRecorderDevice.h"

namespace {
constexpr LONG kBlockBytes = 2352;
// One second of audio between two questions whether to go on.
constexpr LONG kStepBlocks = 75;
}  // namespace

CDiscReadbackObj::CDiscReadbackObj() = default;

CDiscReadbackObj::~CDiscReadbackObj() {
  if (m_recorder) IgnoreResult(Close(), "given back on release; nobody to tell");
}

CRecorderDevice* CDiscReadbackObj::Device() const { return m_recorder ? &m_recorder->Device() : nullptr; }

HRESULT CDiscReadbackObj::OpenRecorder(LONG nRecorder) {
  if (m_recorder) return IMAPI_E_ALREADYOPEN;
  auto session = std::make_shared<CDiscMasterSession>();
  RETURN_IF_FAILED(session->Open());
  const auto recorders = session->Recorders();
  if (nRecorder < 0 || static_cast<size_t>(nRecorder) >= recorders.size()) return IMAPI_E_DEVICE_NOTPRESENT;
  ComPtr<CDiscRecorderObj> recorder = session->Find(recorders[static_cast<size_t>(nRecorder)].Get());
  CRecorderDevice& device = recorder->Device();
  // The burning library holds a drive it opened; its device node is read instead.
  bool bTookOpen = false;
  if (device.IsVirtual() && !device.IsOpen()) {
    RETURN_IF_FAILED(device.OpenExclusive());
    bTookOpen = true;
  }
  std::vector<imapi_backend::AudioTrackExtent> tracks;
  HRESULT hr = device.ReadLayout(&tracks);
  if (SUCCEEDED(hr) && tracks.empty()) hr = IMAPI_E_MEDIUM_INVALIDTYPE;
  if (FAILED(hr)) {
    device.EndReading();
    if (bTookOpen) IgnoreResult(device.Close(), "the failure to read says more");
    return hr;
  }
  m_session = std::move(session);
  m_recorder = recorder;
  m_bTookOpen = bTookOpen;
  m_tracks = std::move(tracks);
  m_discBlocks = m_tracks.back().firstBlock + m_tracks.back().blocks;
  m_furthest = 0;
  return S_OK;
}

HRESULT CDiscReadbackObj::GetTrackCount(LONG* pnTracks) {
  if (!m_recorder) return IMAPI_E_NOTOPENED;
  if (!pnTracks) return E_POINTER;
  *pnTracks = static_cast<LONG>(m_tracks.size());
  return S_OK;
}

HRESULT CDiscReadbackObj::GetTrackExtent(LONG nTrack, LONG* pnFirstBlock, LONG* pnBlocks) {
  if (!m_recorder) return IMAPI_E_NOTOPENED;
  if (!pnFirstBlock || !pnBlocks) return E_POINTER;
  if (nTrack < 1 || static_cast<size_t>(nTrack) > m_tracks.size()) return E_INVALIDARG;
  *pnFirstBlock = static_cast<LONG>(m_tracks[static_cast<size_t>(nTrack - 1)].firstBlock);
  *pnBlocks = static_cast<LONG>(m_tracks[static_cast<size_t>(nTrack - 1)].blocks);
  return S_OK;
}

HRESULT CDiscReadbackObj::ReadAudioBlocks(LONG nFirstBlock, LONG nBlocks, BYTE* pbBuffer, LONG cbBuffer) {
  if (!m_recorder) return IMAPI_E_NOTOPENED;
  if (!pbBuffer) return E_POINTER;
  if (nFirstBlock < 0 || nBlocks <= 0 || int64_t{nFirstBlock} + nBlocks > m_discBlocks ||
      int64_t{cbBuffer} < int64_t{nBlocks} * kBlockBytes)
    return E_INVALIDARG;
  for (LONG done = 0; done < nBlocks;) {
    if (m_events) {
      boolean bCancel = 0;
      if (SUCCEEDED(m_events->QueryCancel(&bCancel)) && bCancel) return IMAPI_E_USERABORT;
    }
    const LONG n = std::min(kStepBlocks, nBlocks - done);
    const auto first = static_cast<uint32_t>(nFirstBlock + done);
    RETURN_IF_FAILED(Device()->ReadAudio(first, static_cast<uint32_t>(n), pbBuffer + int64_t{done} * kBlockBytes));
    done += n;
    m_furthest = std::max(m_furthest, first + static_cast<uint32_t>(n));
    if (m_events)
      IgnoreResult(m_events->NotifyReadProgress(static_cast<LONG>(m_furthest), static_cast<LONG>(m_discBlocks)),
                   "a sink's answer to progress changes nothing");
  }
  return S_OK;
}

HRESULT CDiscReadbackObj::SetEvents(IDiscReadbackEvents* pEvents) {
  m_events = ComPtr<IDiscReadbackEvents>(pEvents);
  return S_OK;
}

HRESULT CDiscReadbackObj::Eject() {
  if (!m_recorder) return IMAPI_E_NOTOPENED;
  CRecorderDevice& device = *Device();
  device.EndReading();
  m_tracks.clear();
  m_discBlocks = 0;
  if (!device.IsOpen()) {
    RETURN_IF_FAILED(device.OpenExclusive());
    m_bTookOpen = true;
  }
  return device.Eject();
}

HRESULT CDiscReadbackObj::Close() {
  if (!m_recorder) return IMAPI_E_NOTOPENED;
  CRecorderDevice& device = *Device();
  device.EndReading();
  if (m_bTookOpen && device.IsOpen()) IgnoreResult(device.Close(), "the recorder is given back either way");
  m_recorder = nullptr;
  m_session->Close();
  m_session.reset();
  m_tracks.clear();
  m_bTookOpen = false;
  return S_OK;
}
