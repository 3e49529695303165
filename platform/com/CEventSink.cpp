#include "platform/com/CEventSink.h"

ComPtr<CEventSink> CEventSink::Create(const IID& iidEvents, Handler handler) {
  return Make<CEventSink>(iidEvents, std::move(handler));
}

void CEventSink::Detach() { m_handler = nullptr; }

HRESULT CEventSink::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT CEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT CEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID, DISPID* rgDispId) {
  for (UINT i = 0; rgDispId && i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT CEventSink::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                           EXCEPINFO*, UINT*) {
  if (pVarResult) VariantInit(pVarResult);
  std::vector<CVariant> args;
  if (pDispParams && pDispParams->rgvarg) {
    // rgvarg holds the arguments last to first.
    for (UINT i = pDispParams->cArgs; i-- > 0;) args.emplace_back(pDispParams->rgvarg[i]);
  }
  if (m_handler) m_handler(dispIdMember, args);
  return S_OK;
}
