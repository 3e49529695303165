#include "platform/imapi/service/CRedbookDiscMasterObj.h"

#include "platform/imapi/service/CDiscMasterSession.h"

CRedbookDiscMasterObj::CRedbookDiscMasterObj(std::shared_ptr<CDiscMasterSession> session)
    : m_session(std::move(session)) {}

HRESULT CRedbookDiscMasterObj::Usable() const {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  if (!IsEqualIID(m_session->m_iidFormat, IID_IRedbookDiscMaster)) return IMAPI_E_WRONGFORMAT;
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::GetTotalAudioTracks(LONG* pnTracks) {
  if (HRESULT hr = Usable(); FAILED(hr)) return hr;
  if (!pnTracks) return E_POINTER;
  *pnTracks = m_session->Stash() ? static_cast<LONG>(m_session->Stash()->TrackCount()) : 0;
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::GetTotalAudioBlocks(LONG* pnBlocks) {
  if (HRESULT hr = Usable(); FAILED(hr)) return hr;
  if (!pnBlocks) return E_POINTER;
  *pnBlocks = static_cast<LONG>(m_session->CapacityBlocks());
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::GetUsedAudioBlocks(LONG* pnBlocks) {
  if (HRESULT hr = Usable(); FAILED(hr)) return hr;
  if (!pnBlocks) return E_POINTER;
  *pnBlocks = m_session->Stash() ? static_cast<LONG>(m_session->Stash()->AnnouncedBlocks()) : 0;
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::GetAvailableAudioTrackBlocks(LONG* pnBlocks) {
  if (HRESULT hr = Usable(); FAILED(hr)) return hr;
  if (!pnBlocks) return E_POINTER;
  uint64_t used = m_session->Stash() ? m_session->Stash()->AnnouncedBlocks() : 0;
  uint64_t capacity = m_session->CapacityBlocks();
  *pnBlocks = used < capacity ? static_cast<LONG>(capacity - used) : 0;
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::GetAudioBlockSize(LONG* pnBlockBytes) {
  if (HRESULT hr = Usable(); FAILED(hr)) return hr;
  if (!pnBlockBytes) return E_POINTER;
  *pnBlockBytes = CAudioStash::kBlockBytes;
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::CreateAudioTrack(LONG nBlocks) {
  if (HRESULT hr = Usable(); FAILED(hr)) return hr;
  return m_session->MakeStash().CreateTrack(nBlocks, m_session->CapacityBlocks());
}

HRESULT CRedbookDiscMasterObj::AddAudioTrackBlocks(BYTE* pby, LONG cb) {
  if (HRESULT hr = Usable(); FAILED(hr)) return hr;
  if (!m_session->Stash()) return IMAPI_E_TRACKNOTOPEN;
  return m_session->Stash()->AddBlocks(pby, cb, m_session->CapacityBlocks());
}

HRESULT CRedbookDiscMasterObj::CloseAudioTrack() {
  if (HRESULT hr = Usable(); FAILED(hr)) return hr;
  if (!m_session->Stash()) return IMAPI_E_TRACKNOTOPEN;
  return m_session->Stash()->CloseTrack();
}
