#include "platform/imapi/service/CDiscReadbackClassFactory.h"

#include "platform/com/ComPtr.h"
#include "platform/imapi/service/CDiscReadbackObj.h"
#include "platform/imapi/service/CServiceModule.h"

HRESULT CDiscReadbackClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CDiscReadbackClassFactory::AddRef() { return ++m_cRef; }

ULONG CDiscReadbackClassFactory::Release() {
  ULONG n = --m_cRef;
  if (n == 0) delete this;
  return n;
}

HRESULT CDiscReadbackClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  auto reader = ComPtr<IDiscAudioReadback>::Attach(new CDiscReadbackObj());
  return reader->QueryInterface(riid, ppvObject);
}

HRESULT CDiscReadbackClassFactory::LockServer(BOOL fLock) {
  CServiceModule::Lock(fLock != 0);
  return S_OK;
}
