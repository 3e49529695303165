#include "fuzz/CFuzzDispatch.h"

#include "platform/com/DispatchTable.h"
#include "platform/com/Guid.h"

namespace {

const DispatchTable g_valueTable =
    DispatchTable(u"FuzzValue", IID_IDispatch, u"",
                  {{.name = u"Value", .dispid = DISPID_VALUE, .kind = DispKind::PropertyGet, .type = VT_VARIANT}})
        .Bind({DispPropertyGet<&CFuzzDispatch::Value>(DISPID_VALUE)});

}  // namespace

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

HRESULT CFuzzDispatch::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
  return g_valueTable.GetIDsOfNames(rgszNames, cNames, rgDispId);
}

HRESULT CFuzzDispatch::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                              VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  return g_valueTable.Invoke(this, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
}
