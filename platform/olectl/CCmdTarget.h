// The automation base: a thread-safe reference count, IDispatch served from
// the class's member table, and one lock on its module for the object's
// lifetime. Objects start with one count, owned by their creator.
#pragma once

#include <atomic>

#include "platform/com/DispatchTable.h"
#include "platform/com/Interfaces.h"
#include "platform/olectl/AfxModuleState.h"

class PX_EXPORT CCmdTarget : public IDispatch {
 public:
  CCmdTarget();
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;

  // IUnknown: IUnknown, IDispatch and the table's interface id answer with
  // this IDispatch; anything else goes to GetInterfaceHook.
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IDispatch: type information count 0 unless overridden.
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // The object's IDispatch, with a count added when bAddRef.
  IDispatch* GetIDispatch(BOOL bAddRef);
  AFX_MODULE_STATE* GetModuleState() const { return m_pModuleState; }

 protected:
  virtual ~CCmdTarget();
  // The class's member table: a declaration bound to the class's member
  // functions, built once when its library loads so that a binding that does
  // not fit stops the library there rather than failing a host's call.
  virtual const DispatchTable& GetDispatchTable() const = 0;
  // Further interfaces of the object: a pointer (no count added) or nullptr.
  virtual void* GetInterfaceHook(REFIID riid);
  // Called when the last count is released; deletes the object.
  virtual void OnFinalRelease();

 private:
  std::atomic<ULONG> m_dwRef{1};
  AFX_MODULE_STATE* m_pModuleState;
};
