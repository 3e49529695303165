#include "platform/olectl/CCmdTarget.h"

#include <new>

#include "platform/com/ComPtr.h"

void* CCmdTarget::FindInterface(REFIID riid) {
  if (riid == GetDispatchTable().Iid()) return static_cast<IDispatch*>(this);
  return GetInterfaceHook(riid);
}

void* CCmdTarget::GetInterfaceHook(REFIID) { return nullptr; }

IDispatch* CCmdTarget::GetIDispatch(BOOL bAddRef) {
  if (bAddRef) return ComPtr<IDispatch>(this).Detach();
  return this;
}

HRESULT CCmdTarget::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT CCmdTarget::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_POINTER;
  *ppTInfo = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT CCmdTarget::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!rgszNames || !rgDispId) return E_POINTER;
  return GetDispatchTable().GetIDsOfNames(rgszNames, cNames, rgDispId);
}

HRESULT CCmdTarget::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  // Objects made by a member belong to this object's module, and a member
  // that gives up the caller's last outside reference must not delete the
  // object under its own feet.
  AFX_MANAGE_STATE(GetModuleState());
  ComPtr<IDispatch> self(static_cast<IDispatch*>(this));
  try {
    return GetDispatchTable().Invoke(this, dispIdMember, wFlags, pDispParams, pVarResult,
                                     pExcepInfo, puArgErr);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
