// A minimal IDispatch over a member table, for driving tables late-bound in
// tests. It records the DISPPARAMS of the last call.
#pragma once

#include <atomic>

#include "platform/com/DispatchTable.h"

class TestDispatchObject : public IDispatch {
 public:
  TestDispatchObject(const DispatchTable& table, void* object) : table_(table), object_(object) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == table_.Iid()) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++ref_; }
  ULONG Release() override { return --ref_; }  // lives on the test's stack
  HRESULT GetTypeInfoCount(UINT* p) override { return *p = 0, S_OK; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT c, LCID, DISPID* ids) override {
    return table_.GetIDsOfNames(names, c, ids);
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* result, EXCEPINFO* e,
                 UINT* argErr) override {
    lastNamedArgs = p ? p->cNamedArgs : 0;
    lastNamedArg = (p && p->cNamedArgs) ? p->rgdispidNamedArgs[0] : DISPID_UNKNOWN;
    return table_.Invoke(object_, id, flags, p, result, e, argErr);
  }

  UINT lastNamedArgs = 0;
  DISPID lastNamedArg = DISPID_UNKNOWN;

 private:
  const DispatchTable& table_;
  void* object_;
  std::atomic<ULONG> ref_{1};
};
