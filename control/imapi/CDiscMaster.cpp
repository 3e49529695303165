#include "control/imapi/CDiscMaster.h"

#include "platform/com/Apartment.h"
#include "platform/com/ResultMacros.h"

CDiscMaster::~CDiscMaster() {
  // The recorder goes last so that one still open for exclusive use is
  // closed while the rest of the service is already let go.
  m_pEnumRecorders = nullptr;
  m_pDiscMaster = nullptr;
  m_pRedbookFormat = nullptr;
  m_pJolietFormat = nullptr;
  ReleaseRecorder();
}

HRESULT CDiscMaster::Open() {
  RETURN_IF_FAILED(CoCreateInstance(CLSID_MSDiscMasterObj, nullptr, CLSCTX_ALL, IID_IDiscMaster,
                                   m_pDiscMaster.ReleaseAndGetVoidAddress()));
  RETURN_IF_FAILED(m_pDiscMaster->Open());
  IID iidFormat = IID_NULL;
  RETURN_IF_FAILED(m_pDiscMaster->GetActiveDiscMasterFormat(&iidFormat));
  HRESULT hr = SetActiveFormat(iidFormat);
  if (SUCCEEDED(hr)) {
    ReleaseRecorder();
    IgnoreResult(m_pDiscMaster->GetActiveDiscRecorder(m_pRecorder.ReleaseAndGetAddressOf()), "none active is allowed");
  }
  return hr;
}

void CDiscMaster::Close() {
  if (!m_pDiscMaster) return;
  IgnoreResult(m_pDiscMaster->Close(), "letting go");
  m_pDiscMaster = nullptr;
}

HRESULT CDiscMaster::GetActiveFormat(IID* pIidFormat) {
  if (!m_pDiscMaster) return E_FAIL;
  return m_pDiscMaster->GetActiveDiscMasterFormat(pIidFormat);
}

HRESULT CDiscMaster::SetActiveFormat(REFIID iidFormat) {
  if (!m_pDiscMaster) return E_FAIL;
  void** ppTarget = nullptr;
  if (IsEqualIID(iidFormat, IID_IJolietDiscMaster))
    ppTarget = m_pJolietFormat.ReleaseAndGetVoidAddress();
  else if (IsEqualIID(iidFormat, IID_IRedbookDiscMaster))
    ppTarget = m_pRedbookFormat.ReleaseAndGetVoidAddress();
  else
    return E_FAIL;
  return m_pDiscMaster->SetActiveDiscMasterFormat(iidFormat, ppTarget);
}

HRESULT CDiscMaster::GetFirstRecorder(CRecorder& rRecorder) {
  if (m_pEnumRecorders) {
    IgnoreResult(m_pEnumRecorders->Reset(), "cannot fail on a snapshot");
  } else {
    if (!m_pDiscMaster) return E_FAIL;
    RETURN_IF_FAILED(m_pDiscMaster->EnumDiscRecorders(m_pEnumRecorders.ReleaseAndGetAddressOf()));
    if (!m_pEnumRecorders) return E_FAIL;
  }
  return NextRecorder(rRecorder);
}

HRESULT CDiscMaster::GetNextRecorder(CRecorder& rRecorder) {
  if (!m_pEnumRecorders) return E_FAIL;
  return NextRecorder(rRecorder);
}

HRESULT CDiscMaster::NextRecorder(CRecorder& rRecorder) {
  // The walked recorder is let go without closing it: the walk only names
  // recorders, it never opens them.
  rRecorder.m_pRecorder = nullptr;
  rRecorder.m_bOpenedExclusive = false;
  ULONG nFetched = 0;
  return m_pEnumRecorders->Next(1, rRecorder.m_pRecorder.ReleaseAndGetAddressOf(), &nFetched);
}

HRESULT CDiscMaster::SetActiveRecorder(CRecorder& rRecorder) {
  if (!m_pDiscMaster) return E_FAIL;
  ComPtr<IDiscRecorder> pSource = rRecorder.m_pRecorder;
  ReleaseRecorder();
  m_pRecorder = pSource;
  return m_pDiscMaster->SetActiveDiscRecorder(m_pRecorder.Get());
}

HRESULT CDiscMaster::ProgressAdvise(IDiscMasterProgressEvents* pSink, UINT_PTR* pCookie) {
  if (!m_pDiscMaster) return E_FAIL;
  return m_pDiscMaster->ProgressAdvise(pSink, pCookie);
}

HRESULT CDiscMaster::ProgressUnadvise(UINT_PTR nCookie) {
  if (!m_pDiscMaster) return E_FAIL;
  return m_pDiscMaster->ProgressUnadvise(nCookie);
}

HRESULT CDiscMaster::RecordDisc(bool bSimulate, bool bEjectAfterBurn) {
  if (!m_pDiscMaster) return E_FAIL;
  return m_pDiscMaster->RecordDisc(bSimulate ? 1 : 0, bEjectAfterBurn ? 1 : 0);
}
