// The automation base: a component object with IDispatch served from the
// class's member table and one lock on its module for the object's
// lifetime. Objects start with one count, owned by their creator.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"
#include "platform/olectl/AfxObjectLock.h"

// IUnknown, IDispatch and the table's interface id answer with this
// IDispatch; anything else goes to GetInterfaceHook.
class PX_EXPORT CCmdTarget : public ComObject<CCmdTarget, IDispatch, AfxObjectLock> {
 public:
  CCmdTarget() = default;

  // IDispatch: type information count 0 unless overridden.
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // The object's IDispatch, with a count added when bAddRef.
  IDispatch* GetIDispatch(BOOL bAddRef);

 protected:
  ~CCmdTarget() override = default;
  // The class's member table: a declaration bound to the class's member
  // functions, built once when its library loads so that a binding that does
  // not fit stops the library there rather than failing a host's call.
  virtual const DispatchTable& GetDispatchTable() const = 0;
  // Further interfaces of the object: a pointer (no count added) or nullptr.
  virtual void* GetInterfaceHook(REFIID riid);

 private:
  friend struct ::ComAccess;
  void* FindInterface(REFIID riid);
};
