#include "platform/imapi/service/CDiscMasterClassFactory.h"

#include "platform/com/ComPtr.h"
#include "platform/imapi/service/CDiscMasterObj.h"
#include "platform/imapi/service/CServiceModule.h"

HRESULT CDiscMasterClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  auto master = ComPtr<IDiscMaster>(Make<CDiscMasterObj>());
  return master->QueryInterface(riid, ppvObject);
}

HRESULT CDiscMasterClassFactory::LockServer(BOOL fLock) {
  CServiceModule::Lock(fLock != 0);
  return S_OK;
}
