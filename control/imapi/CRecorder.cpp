#include "control/imapi/CRecorder.h"
#include "platform/com/ResultMacros.h"

CRecorder::~CRecorder() { ReleaseRecorder(); }

void CRecorder::ReleaseRecorder() {
  if (m_pRecorder && m_bOpenedExclusive) IgnoreResult(m_pRecorder->Close(), "letting go");
  m_pRecorder = nullptr;
  m_bOpenedExclusive = false;
}

HRESULT CRecorder::GetDisplayNames(BSTR* pbstrVendorID, BSTR* pbstrProductID, BSTR* pbstrRevision) {
  if (!m_pRecorder) return E_FAIL;
  return m_pRecorder->GetDisplayNames(pbstrVendorID, pbstrProductID, pbstrRevision);
}

HRESULT CRecorder::OpenExclusive() {
  if (!m_pRecorder) return E_FAIL;
  HRESULT hr = m_pRecorder->OpenExclusive();
  if (SUCCEEDED(hr)) m_bOpenedExclusive = true;
  return hr;
}

HRESULT CRecorder::CloseExclusive() {
  if (!m_pRecorder) return E_FAIL;
  HRESULT hr = m_pRecorder->Close();
  if (SUCCEEDED(hr)) m_bOpenedExclusive = false;
  return hr;
}

HRESULT CRecorder::QueryMediaType(LONG* plMediaType, LONG* plMediaFlags) {
  if (!m_pRecorder) return E_FAIL;
  return m_pRecorder->QueryMediaType(plMediaType, plMediaFlags);
}

HRESULT CRecorder::Eject() {
  if (!m_pRecorder) return E_FAIL;
  return m_pRecorder->Eject();
}

HRESULT CRecorder::Erase(bool bFullErase) {
  if (!m_pRecorder) return E_FAIL;
  return m_pRecorder->Erase(bFullErase ? 1 : 0);
}
