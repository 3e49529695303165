#include "platform/imapi/service/CDiscMasterObj.h"

#include "platform/imapi/service/CDiscRecorderObj.h"
#include "platform/com/Enumerator.h"
#include "platform/imapi/service/CJolietDiscMasterObj.h"
#include "platform/imapi/service/CRedbookDiscMasterObj.h"

namespace {
using CEnumFormats = Enumerator<IEnumDiscMasterFormats, IID, EnumSnapshot<IID>, CServiceModule::ObjectLock>;
using CEnumRecorders =
    Enumerator<IEnumDiscRecorders, IDiscRecorder*, EnumSnapshot<ComPtr<IDiscRecorder>>, CServiceModule::ObjectLock>;
}  // namespace

CDiscMasterObj::CDiscMasterObj() : m_session(std::make_shared<CDiscMasterSession>()) {}

// Letting go without Close ends the work all the same: sinks and staged
// tracks do not outlive the disc master.
CDiscMasterObj::~CDiscMasterObj() { m_session->Close(); }

HRESULT CDiscMasterObj::Open() { return m_session->Open(); }

HRESULT CDiscMasterObj::EnumDiscMasterFormats(IEnumDiscMasterFormats** ppEnum) {
  if (!m_session->IsOpen()) return IMAPI_E_NOTOPENED;
  if (!ppEnum) return E_POINTER;
  return Make<CEnumFormats>(std::vector<IID>{IID_IRedbookDiscMaster, IID_IJolietDiscMaster}).CopyTo(ppEnum);
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
    *ppUnk = static_cast<IRedbookDiscMaster*>(Make<CRedbookDiscMasterObj>(m_session).Detach());
  else if (IsEqualIID(riid, IID_IJolietDiscMaster))
    *ppUnk = static_cast<IJolietDiscMaster*>(Make<CJolietDiscMasterObj>(m_session).Detach());
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
  return Make<CEnumRecorders>(m_session->Recorders()).CopyTo(ppEnum);
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
