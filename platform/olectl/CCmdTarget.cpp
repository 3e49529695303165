#include "platform/olectl/CCmdTarget.h"

#include <new>

#include "platform/com/ComPtr.h"

CCmdTarget::CCmdTarget() : m_pModuleState(AfxGetModuleState()) { m_pModuleState->m_nObjectCount.fetch_add(1); }

CCmdTarget::~CCmdTarget() { m_pModuleState->m_nObjectCount.fetch_sub(1); }

HRESULT CCmdTarget::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  void* p = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == GetDispatchTable().Iid())
    p = static_cast<IDispatch*>(this);
  else
    p = GetInterfaceHook(riid);
  if (!p) return E_NOINTERFACE;
  AddRef();
  *ppv = p;
  return S_OK;
}

ULONG CCmdTarget::AddRef() { return m_dwRef.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG CCmdTarget::Release() {
  ULONG dwLeft = m_dwRef.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (dwLeft == 0) OnFinalRelease();
  return dwLeft;
}

void CCmdTarget::OnFinalRelease() { delete this; }

void* CCmdTarget::GetInterfaceHook(REFIID) { return nullptr; }

IDispatch* CCmdTarget::GetIDispatch(BOOL bAddRef) {
  if (bAddRef) AddRef();
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
  AFX_MANAGE_STATE(m_pModuleState);
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
