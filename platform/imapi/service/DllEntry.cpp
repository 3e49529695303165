// The entry points of the service as a component library.
#include "platform/com/Apartment.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/CDiscMasterClassFactory.h"
#include "platform/imapi/service/CServiceModule.h"
#include "platform/registry/Registry.h"

namespace {
std::string ClassKey() { return "CLSID\\" + GuidToString(CLSID_MSDiscMasterObj); }
}  // namespace

extern "C" {

PX_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(rclsid, CLSID_MSDiscMasterObj)) return CLASS_E_CLASSNOTAVAILABLE;
  auto factory = ComPtr<IClassFactory>(Make<CDiscMasterClassFactory>());
  return factory->QueryInterface(riid, ppv);
}

PX_EXPORT HRESULT DllCanUnloadNow() { return CServiceModule::CanUnload() ? S_OK : S_FALSE; }

PX_EXPORT HRESULT DllRegisterServer() {
  const std::string path = CServiceModule::ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  try {
    reg::Registry().Update([&](reg::RegTree& tree) {
      tree.SetString(ClassKey(), "", "MSDiscMasterObj");
      tree.SetString(ClassKey() + "\\InprocServer32", "", path);
      tree.SetString(ClassKey() + "\\InprocServer32", "ThreadingModel", "Apartment");
    });
  } catch (const std::exception&) {
    return SELFREG_E_CLASS;
  }
  return S_OK;
}

PX_EXPORT HRESULT DllUnregisterServer() {
  try {
    reg::Registry().Update([&](reg::RegTree& tree) { tree.DeleteKey(ClassKey()); });
  } catch (const std::exception&) {
    return SELFREG_E_CLASS;
  }
  return S_OK;
}

}  // extern "C"
