// The library's four entry points. Each runs under the library's own module
// state, so that its factories are the ones found and its objects count on
// it.
#include "control/interface/CantrelIds.h"
#include "control/module/CCantrelApp.h"
#include "platform/olectl/AfxOleRegister.h"
#include "platform/olectl/COleObjectFactory.h"

extern "C" PX_EXPORT HRESULT DllRegisterServer() {
  AFX_MANAGE_STATE(theApp.GetModuleState());
  if (!AfxOleRegisterTypeLib(theApp.GetInstanceHandle(), LIBID_cantrelLib)) return SELFREG_E_TYPELIB;
  if (!COleObjectFactory::UpdateRegistryAll(TRUE)) return SELFREG_E_CLASS;
  return S_OK;
}

extern "C" PX_EXPORT HRESULT DllUnregisterServer() {
  AFX_MANAGE_STATE(theApp.GetModuleState());
  if (!AfxOleUnregisterTypeLib(LIBID_cantrelLib, 1, 0, 0)) return SELFREG_E_TYPELIB;
  if (!COleObjectFactory::UpdateRegistryAll(FALSE)) return SELFREG_E_CLASS;
  return S_OK;
}

extern "C" PX_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  AFX_MANAGE_STATE(theApp.GetModuleState());
  return AfxDllGetClassObject(rclsid, riid, ppv);
}

extern "C" PX_EXPORT HRESULT DllCanUnloadNow() {
  AFX_MANAGE_STATE(theApp.GetModuleState());
  return AfxDllCanUnloadNow();
}
