#include <gtest/gtest.h>

#include "platform/registry/LayeredRegistry.h"
#include "tests/support/TestSupport.h"

using reg::LayeredRegistry;
using reg::Registry;
using reg::RegistryError;
using reg::RegTree;

namespace {

const char kClassA[] = "CLSID\\{A}\\InprocServer32";
const char kClassB[] = "CLSID\\{B}\\InprocServer32";

TEST(LayeredRegistryTest, UsersKeyHidesTheMachinesAndTheRestShowsThrough) {
  testsupport::TempDir dir;
  Registry(dir.File("machine")).Update([](RegTree& t) {
    t.SetString(kClassA, "", "/usr/lib/a.so");
    t.SetString(kClassA, "ThreadingModel", "Both");
    t.SetString(kClassB, "", "/usr/lib/b.so");
  });
  Registry(dir.File("user")).Update([](RegTree& t) { t.SetString(kClassA, "", "/home/me/a.so"); });

  const RegTree tree = LayeredRegistry(Registry(dir.File("user")), dir.File("machine")).Load();
  EXPECT_EQ(tree.GetString(kClassA), "/home/me/a.so");
  EXPECT_FALSE(tree.GetString(kClassA, "ThreadingModel"));
  EXPECT_EQ(tree.GetString(kClassB), "/usr/lib/b.so");
}

TEST(LayeredRegistryTest, DamagedMachineRegistryIsRefusedByName) {
  testsupport::TempDir dir;
  testsupport::WriteFileBytes(dir.File("machine"), {'n', 'o', 't', ' ', 'a', ' ', 'k', 'e', 'y', '\n'});

  try {
    (void)LayeredRegistry(Registry(dir.File("user")), dir.File("machine")).Load();
    FAIL() << "a damaged machine registry was used";
  } catch (const RegistryError& e) {
    EXPECT_NE(std::string(e.what()).find(dir.File("machine")), std::string::npos) << e.what();
  }
}

}  // namespace
