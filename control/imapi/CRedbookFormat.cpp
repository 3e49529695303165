#include "control/imapi/CRedbookFormat.h"

CRedbookFormat::~CRedbookFormat() = default;

HRESULT CRedbookFormat::CreateAudioTrack(LONG lBlocks) {
  if (!m_pRedbookFormat) return E_FAIL;
  return m_pRedbookFormat->CreateAudioTrack(lBlocks);
}

HRESULT CRedbookFormat::AddAudioTrackBlocks(BYTE* pbyBuffer, LONG lBytes) {
  if (!m_pRedbookFormat) return E_FAIL;
  return m_pRedbookFormat->AddAudioTrackBlocks(pbyBuffer, lBytes);
}

HRESULT CRedbookFormat::CloseAudioTrack() {
  if (!m_pRedbookFormat) return E_FAIL;
  return m_pRedbookFormat->CloseAudioTrack();
}
