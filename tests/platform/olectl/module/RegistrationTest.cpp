#include <gtest/gtest.h>

#include "platform/com/Guid.h"
#include "platform/olectl/AfxOleRegister.h"
#include "platform/registry/Registry.h"
#include "tests/support/TestSupport.h"
#include "TestModule.h"

namespace {

bool g_bFail = false;

// Registers like any automation class unless told to fail.
struct Switchable : COleObjectFactory {
  Switchable(DWORD d1, const char* progID) : COleObjectFactory({d1, 0, 0, {0}}, &CTestThing::Create, FALSE, progID) {}
  BOOL UpdateRegistry(BOOL bRegister) override {
    if (!g_bFail) return COleObjectFactory::UpdateRegistry(bRegister);
    ++calls;
    return FALSE;
  }
  int calls = 0;
};
Switchable g_failingA(0x1E7A0003, "OlectlTest.A.1");
Switchable g_failingB(0x1E7A0004, "OlectlTest.B.1");

BOOL UpdateAll(BOOL bRegister) {
  AFX_MANAGE_STATE(TestModule().GetModuleState());
  return COleObjectFactory::UpdateRegistryAll(bRegister);
}

TEST(Registration, AutomationClassesAreWrittenWithPathProgIDAndThreading) {
  testsupport::ScopedRegistry registry;
  ASSERT_TRUE(UpdateAll(TRUE));
  const reg::RegTree t = reg::Registry().Load();
  const std::string exe = AfxGetModuleFileName(TestModule().GetInstanceHandle());
  ASSERT_FALSE(exe.empty());
  struct Case {
    CLSID clsid;
    const char* progID;
    const char* threading;  // null: none written
  } cases[] = {{CLSID_TestThing, "OlectlTest.Thing.1", "Apartment"}, {CLSID_TestPlain, "OlectlTest.Plain.1", nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.progID);
    const std::string key = "CLSID\\" + GuidToString(c.clsid);
    EXPECT_EQ(t.GetString(key), c.progID);
    EXPECT_EQ(t.GetString(key + "\\ProgID"), c.progID);
    EXPECT_EQ(t.GetString(key + "\\InprocServer32"), exe);
    if (c.threading)
      EXPECT_EQ(t.GetString(key + "\\InprocServer32", "ThreadingModel"), c.threading);
    else
      EXPECT_FALSE(t.Get(key + "\\InprocServer32", "ThreadingModel"));
    EXPECT_EQ(t.GetString(std::string(c.progID) + "\\CLSID"), GuidToString(c.clsid));
    EXPECT_FALSE(t.HasKey(key + "\\Control"));
  }
}

TEST(Registration, AProgIDTakenOverByAnotherClassStays) {
  testsupport::ScopedRegistry registry;
  ASSERT_TRUE(UpdateAll(TRUE));
  reg::Registry().Update([](reg::RegTree& t) {
    t.SetString("OlectlTest.Thing.1\\CLSID", "", "{00000000-0000-0000-0000-0000000000AA}");
  });
  ASSERT_TRUE(AfxOleUnregisterClass(CLSID_TestThing, "OlectlTest.Thing.1"));
  const reg::RegTree t = reg::Registry().Load();
  EXPECT_FALSE(t.HasKey("CLSID\\" + GuidToString(CLSID_TestThing)));
  EXPECT_EQ(t.GetString("OlectlTest.Thing.1\\CLSID"), "{00000000-0000-0000-0000-0000000000AA}");
}

TEST(Registration, StopsAtTheFirstFactoryThatFails) {
  testsupport::ScopedRegistry registry;
  g_bFail = true;
  EXPECT_FALSE(UpdateAll(TRUE));
  g_bFail = false;
  EXPECT_EQ(g_failingA.calls, 1);
  EXPECT_EQ(g_failingB.calls, 0);
}

TEST(Registration, ADamagedRegistryIsReportedAndLeftAlone) {
  testsupport::ScopedRegistry registry;
  testsupport::WriteFileBytes(registry.Path(), {'n', 'o', 't', ' ', 'a', ' ', 'r', 'e', 'g', '\n', '[', '\n'});
  const std::vector<uint8_t> before = testsupport::ReadFileBytes(registry.Path());
  EXPECT_FALSE(UpdateAll(TRUE));
  EXPECT_FALSE(UpdateAll(FALSE));
  EXPECT_FALSE(AfxOleUnregisterTypeLib({0x1234, 0, 0, {0}}));
  EXPECT_EQ(testsupport::ReadFileBytes(registry.Path()), before);
}

TEST(Registration, ControlAndPageNeedTheirTypeNameResource) {
  // The test program carries no string resources: nothing is written.
  testsupport::ScopedRegistry registry;
  void* self = TestModule().GetInstanceHandle();
  EXPECT_FALSE(AfxOleRegisterControlClass(self, CLSID_TestThing, "X.1", 1, 1, afxRegApartmentThreading, 0x20191,
                                          CLSID_TestPlain, 1, 0));
  EXPECT_FALSE(AfxOleRegisterPropertyPageClass(self, CLSID_TestPlain, 2));
  EXPECT_FALSE(AfxOleRegisterTypeLib(self, CLSID_TestPlain));
  EXPECT_TRUE(reg::Registry().Load() == reg::RegTree());
}

}  // namespace
