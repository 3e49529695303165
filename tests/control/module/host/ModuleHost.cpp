// A minimal host for the module tests: creates the control by its ProgID
// through the component runtime, writes and reads Drive, and reports.
#include <cstdio>

#include "platform/com/Apartment.h"
#include "platform/com/ComPtr.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/Variant.h"
#include "platform/olectl/COleControlSite.h"

int main() {
  COleControlSite::EnsureApplication();
  CoInitialize(nullptr);
  int status = 0;
  {
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(u"CANTREL.cantrelCtrl.1", &clsid);
    ComPtr<IDispatch> control;
    if (SUCCEEDED(hr))
      hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.ReleaseAndGetVoidAddress());
    if (FAILED(hr)) {
      std::fprintf(stderr, "cannot create the control: 0x%08X\n", static_cast<unsigned>(hr));
      status = 1;
    } else {
      CVariant result;
      DispInvoke(control.Get(), 2, DISPATCH_PROPERTYPUT, {CVariant::Short(2)}, nullptr);
      hr = DispInvoke(control.Get(), 2, DISPATCH_PROPERTYGET, {}, &result);
      std::printf("Drive=%d\n", SUCCEEDED(hr) && result.vt == VT_I2 ? result.iVal : -999);
      // The library must not go away while the control lives.
      CoFreeUnusedLibraries();
      std::printf("unload=%s\n", DispInvoke(control.Get(), 2, DISPATCH_PROPERTYGET, {}, &result) == S_OK ? "no" : "yes");
    }
  }
  CoUninitialize();
  return status;
}
