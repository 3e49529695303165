#include "platform/imapi/service/CDiscMasterClassFactory.h"

#include "platform/com/ComPtr.h"
#include "platform/imapi/service/CDiscMasterObj.h"
#include "platform/imapi/service/CServiceModule.h"

HRESULT CDiscMasterClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CDiscMasterClassFactory::AddRef() { return ++m_cRef; }

ULONG CDiscMasterClassFactory::Release() {
  ULONG n = --m_cRef;
  if (n == 0) delete this;
  return n;
}

HRESULT CDiscMasterClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  auto master = ComPtr<IDiscMaster>::Attach(new CDiscMasterObj());
  return master->QueryInterface(riid, ppvObject);
}

HRESULT CDiscMasterClassFactory::LockServer(BOOL fLock) {
  CServiceModule::Lock(fLock != 0);
  return S_OK;
}
