#include <gtest/gtest.h>

#include "platform/com/Guid.h"
#include "platform/olectl/AfxOleRegister.h"
#include "platform/registry/Registry.h"
#include "tests/support/TestSupport.h"
#include "TestModule.h"

namespace {

BOOL UpdateAll(BOOL bRegister) {
  AFX_MANAGE_STATE(TestModule().GetModuleState());
  return COleObjectFactory::UpdateRegistryAll(bRegister);
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

TEST(Registration, ADamagedRegistryIsReportedAndLeftAlone) {
  testsupport::ScopedRegistry registry;
  testsupport::WriteFileBytes(registry.Path(), {'n', 'o', 't', ' ', 'a', ' ', 'r', 'e', 'g', '\n', '[', '\n'});
  const std::vector<uint8_t> before = testsupport::ReadFileBytes(registry.Path());
  EXPECT_FALSE(UpdateAll(TRUE));
  EXPECT_FALSE(UpdateAll(FALSE));
  EXPECT_FALSE(AfxOleUnregisterTypeLib({0x1234, 0, 0, {0}}));
  EXPECT_EQ(testsupport::ReadFileBytes(registry.Path()), before);
}

}  // namespace
