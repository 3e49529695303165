// A minimal IDispatch over a member table, for driving tables late-bound in
// tests. It records the DISPPARAMS of the last call.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"

class TestDispatchObject : public ComObject<TestDispatchObject, IDispatch> {
 public:
  TestDispatchObject(const DispatchTable& table, void* object) : table_(table), object_(object) {}

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
  friend struct ::ComAccess;
  void* FindInterface(REFIID riid) { return riid == table_.Iid() ? static_cast<IDispatch*>(this) : nullptr; }
  void FinalRelease() {}  // lives on the test's stack

  const DispatchTable& table_;
  void* object_;
};
