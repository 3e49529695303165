#include "platform/imapi/service/CRedbookDiscMasterObj.h"

#include "platform/com/ResultMacros.h"
#include "platform/imapi/service/CDiscMasterSession.h"

CRedbookDiscMasterObj::CRedbookDiscMasterObj(std::shared_ptr<CDiscMasterSession> session)
    : m_session(std::move(session)) {}

HRESULT CRedbookDiscMasterObj::Usable() const {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  if (!IsEqualIID(m_session->m_iidFormat, IID_IRedbookDiscMaster)) return IMAPI_E_WRONGFORMAT;
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::GetTotalAudioTracks(LONG* pnTracks) {
  RETURN_IF_FAILED(Usable());
  if (!pnTracks) return E_POINTER;
  *pnTracks = m_session->Stash() ? static_cast<LONG>(m_session->Stash()->TrackCount()) : 0;
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::GetTotalAudioBlocks(LONG* pnBlocks) {
  RETURN_IF_FAILED(Usable());
  if (!pnBlocks) return E_POINTER;
  *pnBlocks = static_cast<LONG>(m_session->CapacityBlocks());
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::GetUsedAudioBlocks(LONG* pnBlocks) {
  RETURN_IF_FAILED(Usable());
  if (!pnBlocks) return E_POINTER;
  *pnBlocks = m_session->Stash() ? static_cast<LONG>(m_session->Stash()->AnnouncedBlocks()) : 0;
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::GetAvailableAudioTrackBlocks(LONG* pnBlocks) {
  RETURN_IF_FAILED(Usable());
  if (!pnBlocks) return E_POINTER;
  uint64_t used = m_session->Stash() ? m_session->Stash()->AnnouncedBlocks() : 0;
  uint64_t capacity = m_session->CapacityBlocks();
  *pnBlocks = used < capacity ? static_cast<LONG>(capacity - used) : 0;
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::GetAudioBlockSize(LONG* pnBlockBytes) {
  RETURN_IF_FAILED(Usable());
  if (!pnBlockBytes) return E_POINTER;
  *pnBlockBytes = CAudioStash::kBlockBytes;
  return S_OK;
}

HRESULT CRedbookDiscMasterObj::CreateAudioTrack(LONG nBlocks) {
  RETURN_IF_FAILED(Usable());
  return m_session->MakeStash().CreateTrack(nBlocks, m_session->CapacityBlocks());
}

HRESULT CRedbookDiscMasterObj::AddAudioTrackBlocks(BYTE* pby, LONG cb) {
  RETURN_IF_FAILED(Usable());
  if (!m_session->Stash()) return IMAPI_E_TRACKNOTOPEN;
  return m_session->Stash()->AddBlocks(pby, cb, m_session->CapacityBlocks());
}

HRESULT CRedbookDiscMasterObj::CloseAudioTrack() {
  RETURN_IF_FAILED(Usable());
  if (!m_session->Stash()) return IMAPI_E_TRACKNOTOPEN;
  return m_session->Stash()->CloseTrack();
}
