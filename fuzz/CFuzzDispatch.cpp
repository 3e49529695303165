#include "fuzz/CFuzzDispatch.h"

#include "platform/com/Guid.h"

CFuzzDispatch::CFuzzDispatch(const CVariant& value) : m_value(value) {}

HRESULT CFuzzDispatch::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT CFuzzDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT CFuzzDispatch::GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID, DISPID* rgDispId) {
  for (UINT i = 0; rgDispId && i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT CFuzzDispatch::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                              EXCEPINFO*, UINT*) {
  if (dispIdMember != DISPID_VALUE || !(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  if (!pVarResult) return S_OK;
  VariantInit(pVarResult);
  return VariantCopy(pVarResult, &m_value);
}
