#include "OcxLibrary.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/olectl/COleControlSite.h"

std::string OcxLibrary::Path() { return testsupport::BinDir() + "/cantrel.ocx"; }

OcxLibrary::OcxLibrary(const std::string& path) {
  handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  EXPECT_TRUE(handle) << dlerror();
  if (!handle) return;
  Register = reinterpret_cast<PFN_DllRegisterServer>(dlsym(handle, "DllRegisterServer"));
  Unregister = reinterpret_cast<PFN_DllUnregisterServer>(dlsym(handle, "DllUnregisterServer"));
  GetClassObject = reinterpret_cast<PFN_DllGetClassObject>(dlsym(handle, "DllGetClassObject"));
  CanUnloadNow = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(handle, "DllCanUnloadNow"));
  EXPECT_TRUE(Register && Unregister && GetClassObject && CanUnloadNow);
}

void RegisteredOcx::SetUp() {
  COleControlSite::EnsureApplication();
  CoInitialize(nullptr);
  ASSERT_EQ(ocx.Register(), S_OK);
}

void RegisteredOcx::TearDown() { CoUninitialize(); }

// The library stays loaded: the runtime may have loaded it too, and its
// static objects must outlive every object the tests made.
OcxLibrary::~OcxLibrary() = default;

namespace {

// The control's dialogs need a widget application; made before any test
// could make a plain event loop instead.
class WidgetApplication : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "control_module_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QApplication(argc, argv);
  }
};

[[maybe_unused]] ::testing::Environment* const g_app = ::testing::AddGlobalTestEnvironment(new WidgetApplication);

}  // namespace
