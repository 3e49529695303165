// The entry points of the service as a component library.
#include "platform/com/Apartment.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/imapi/DiscReadback.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/CDiscMasterClassFactory.h"
#include "platform/imapi/service/CDiscReadbackClassFactory.h"
#include "platform/imapi/service/CServiceModule.h"
#include "platform/registry/Registry.h"

namespace {
std::string ClassKey(REFCLSID clsid) { return "CLSID\\" + GuidToString(clsid); }

struct ServiceClass {
  const CLSID& clsid;
  const char* name;
};
constexpr ServiceClass kClasses[] = {{CLSID_MSDiscMasterObj, "MSDiscMasterObj"},
                                     {CLSID_DiscAudioReadback, "DiscAudioReadback"}};
}  // namespace

extern "C" {

PX_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  ComPtr<IClassFactory> factory;
  if (IsEqualCLSID(rclsid, CLSID_MSDiscMasterObj))
    factory = ComPtr<IClassFactory>(Make<CDiscMasterClassFactory>());
  else if (IsEqualCLSID(rclsid, CLSID_DiscAudioReadback))
    factory = ComPtr<IClassFactory>(Make<CDiscReadbackClassFactory>());
  else
    return CLASS_E_CLASSNOTAVAILABLE;
  return factory->QueryInterface(riid, ppv);
}

PX_EXPORT HRESULT DllCanUnloadNow() { return CServiceModule::CanUnload() ? S_OK : S_FALSE; }

PX_EXPORT HRESULT DllRegisterServer() {
  const std::string path = CServiceModule::ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  try {
    reg::Registry().Update([&](reg::RegTree& tree) {
      for (const ServiceClass& c : kClasses) {
        tree.SetString(ClassKey(c.clsid), "", c.name);
        tree.SetString(ClassKey(c.clsid) + "\\InprocServer32", "", path);
        tree.SetString(ClassKey(c.clsid) + "\\InprocServer32", "ThreadingModel", "Apartment");
      }
    });
  } catch (const std::exception&) {
    return SELFREG_E_CLASS;
  }
  return S_OK;
}

PX_EXPORT HRESULT DllUnregisterServer() {
  try {
    reg::Registry().Update([&](reg::RegTree& tree) {
      for (const ServiceClass& c : kClasses) tree.DeleteKey(ClassKey(c.clsid));
    });
  } catch (const std::exception&) {
    return SELFREG_E_CLASS;
  }
  return S_OK;
}

}  // extern "C"
