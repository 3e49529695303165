#include "platform/imapi/service/CDiscMasterObj.h"

#include "platform/imapi/service/CDiscRecorderObj.h"
#include "platform/imapi/service/CEnumDiscMasterFormatsObj.h"
#include "platform/imapi/service/CEnumDiscRecordersObj.h"
#include "platform/imapi/service/CJolietDiscMasterObj.h"
#include "platform/imapi/service/CRedbookDiscMasterObj.h"

CDiscMasterObj::CDiscMasterObj() : m_session(std::make_shared<CDiscMasterSession>()) {}

// Letting go without Close ends the work all the same: sinks and staged
// tracks do not outlive the disc master.
CDiscMasterObj::~CDiscMasterObj() { m_session->Close(); }

HRESULT CDiscMasterObj::Open() { return m_session->Open(); }

HRESULT CDiscMasterObj::EnumDiscMasterFormats(IEnumDiscMasterFormats** ppEnum) {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  if (!ppEnum) return E_POINTER;
  *ppEnum = new CEnumDiscMasterFormatsObj({IID_IRedbookDiscMaster, IID_IJolietDiscMaster});
  return S_OK;
}

HRESULT CDiscMasterObj::GetActiveDiscMasterFormat(LPIID lpiid) {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  if (!lpiid) return E_POINTER;
  *lpiid = m_session->m_iidFormat;
  return S_OK;
}

HRESULT CDiscMasterObj::SetActiveDiscMasterFormat(REFIID riid, void** ppUnk) {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  if (!ppUnk) return E_POINTER;
  *ppUnk = nullptr;
  if (IsEqualIID(riid, IID_IRedbookDiscMaster))
    *ppUnk = static_cast<IRedbookDiscMaster*>(new CRedbookDiscMasterObj(m_session));
  else if (IsEqualIID(riid, IID_IJolietDiscMaster))
    *ppUnk = static_cast<IJolietDiscMaster*>(new CJolietDiscMasterObj(m_session));
  else
    return E_NOINTERFACE;
  // Content belongs to a format: switching formats discards it.
  if (!IsEqualIID(riid, m_session->m_iidFormat)) m_session->ClearContent();
  m_session->m_iidFormat = riid;
  return S_OK;
}

HRESULT CDiscMasterObj::EnumDiscRecorders(IEnumDiscRecorders** ppEnum) {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  if (!ppEnum) return E_POINTER;
  m_session->Refresh();
  *ppEnum = new CEnumDiscRecordersObj(m_session->Recorders());
  return S_OK;
}

HRESULT CDiscMasterObj::GetActiveDiscRecorder(IDiscRecorder** ppRecorder) {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  if (!ppRecorder) return E_POINTER;
  *ppRecorder = nullptr;
  if (!m_session->m_pActive) return IMAPI_E_NOACTIVERECORDER;
  return ComPtr<IDiscRecorder>(m_session->m_pActive.Get()).CopyTo(ppRecorder);
}

HRESULT CDiscMasterObj::SetActiveDiscRecorder(IDiscRecorder* pRecorder) {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  if (!pRecorder) return E_POINTER;
  ComPtr<CDiscRecorderObj> recorder = m_session->Find(pRecorder);
  // Only recorders that this service handed out can be made active.
  if (!recorder) return E_INVALIDARG;
  m_session->m_pActive = recorder;
  return S_OK;
}

HRESULT CDiscMasterObj::ClearFormatContent() {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  m_session->ClearContent();
  return S_OK;
}

HRESULT CDiscMasterObj::ProgressAdvise(IDiscMasterProgressEvents* pEvents, UINT_PTR* pvCookie) {
  return m_session->Advise(pEvents, pvCookie);
}

HRESULT CDiscMasterObj::ProgressUnadvise(UINT_PTR vCookie) { return m_session->Unadvise(vCookie); }

HRESULT CDiscMasterObj::RecordDisc(boolean bSimulate, boolean bEjectAfterBurn) {
  return m_session->RecordDisc(bSimulate != 0, bEjectAfterBurn != 0);
}

HRESULT CDiscMasterObj::Close() {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  m_session->Close();
  return S_OK;
}
