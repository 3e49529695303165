// Class factories of a component library. Each factory is a static object of
// the library: it puts itself on its module's list when constructed, answers
// IClassFactory for one class identifier, and registers that class. A
// factory's own count never frees it; while a host holds it locked the
// module stays loaded.
#pragma once

#include <string>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/olectl/AfxModuleState.h"

class CCmdTarget;

// Registration flags of a class.
constexpr int afxRegDefault = 0x0000;
constexpr int afxRegInsertable = 0x0001;
constexpr int afxRegApartmentThreading = 0x0002;
constexpr int afxRegFreeThreading = 0x0004;

// Makes a new object; null when out of memory or the class cannot be made
// directly.
using AFX_PFN_CREATEOBJECT = ComPtr<CCmdTarget> (*)();

// A static object: its count is never tracked.
class PX_EXPORT COleObjectFactory : public ComContained<COleObjectFactory, IClassFactory> {
 public:
  COleObjectFactory(REFCLSID clsid, AFX_PFN_CREATEOBJECT pfnCreate, BOOL bMultiInstance, int nFlags,
                    const char* lpszProgID);
  COleObjectFactory(REFCLSID clsid, AFX_PFN_CREATEOBJECT pfnCreate, BOOL bMultiInstance, const char* lpszProgID);
  ~COleObjectFactory() override;
  COleObjectFactory(const COleObjectFactory&) = delete;
  COleObjectFactory& operator=(const COleObjectFactory&) = delete;

  // IClassFactory. Objects are made under the factory's module state so
  // that each of them locks the library it comes from.
  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
  HRESULT LockServer(BOOL fLock) override;

  REFCLSID GetClassID() const { return m_clsid; }
  const char* GetProgID() const { return m_strProgID.empty() ? nullptr : m_strProgID.c_str(); }
  BOOL IsMultiInstance() const { return m_bMultiInstance; }
  int GetRegFlags() const { return m_nFlags; }
  // The library that holds the factory (its dladdr base).
  void* GetInstanceHandle() const { return m_hInstance; }
  // The state of the module whose library holds this factory; the host's
  // when the library has no module object.
  AFX_MODULE_STATE* GetModuleState() const;

  // Writes (bRegister) or removes the class's registration. The default is
  // that of an automation class: class id with its ProgID and in-process
  // server path, threading model from the flags, and the ProgID's class id.
  virtual BOOL UpdateRegistry(BOOL bRegister);

  // Every factory of the current module, in construction order; stops at the
  // first failure.
  static BOOL UpdateRegistryAll(BOOL bRegister);
  // The factory of the current module for clsid, or nullptr (no count).
  static COleObjectFactory* FindFactory(REFCLSID clsid);

 protected:
  // Override to make objects some other way than through pfnCreate.
  virtual ComPtr<CCmdTarget> OnCreateObject();

 private:
  CLSID m_clsid;
  AFX_PFN_CREATEOBJECT m_pfnCreate;
  BOOL m_bMultiInstance;
  int m_nFlags;
  std::string m_strProgID;
  void* m_hInstance;
};

// DllGetClassObject of a library built on this framework: the current
// module's factory for rclsid, queried for riid.
PX_EXPORT HRESULT AfxDllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
