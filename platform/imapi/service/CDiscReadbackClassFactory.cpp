#include "platform/imapi/service/CDiscReadbackClassFactory.h"

#include "platform/com/ComPtr.h"
#include "platform/imapi/service/CDiscReadbackObj.h"
#include "platform/imapi/service/CServiceModule.h"

HRESULT CDiscReadbackClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  auto reader = Make<CDiscReadbackObj>();
  if (!reader) return E_OUTOFMEMORY;
  return reader->QueryInterface(riid, ppvObject);
}

HRESULT CDiscReadbackClassFactory::LockServer(BOOL fLock) {
  CServiceModule::Lock(fLock != 0);
  return S_OK;
}
