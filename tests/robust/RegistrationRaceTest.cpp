// Registrations from several processes into the same class registry.
#include <gtest/gtest.h>

#include <memory>

#include "control/interface/CantrelIds.h"
#include "platform/com/Guid.h"
#include "platform/imapi/Imapi.h"
#include "platform/registry/Registry.h"
#include "tests/robust/CChildProcess.h"
#include "tests/support/TestSupport.h"

namespace {

// Registrations from several processes at the same moment all arrive: the
// control, the service and two virtual recorders, round after round.
TEST(Concurrency, SimultaneousRegistrationsLoseNothing) {
  const std::string bin = testsupport::BinDir();
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    testsupport::ScopedRegistry registry;
    testsupport::TempDir r0, r1;
    std::vector<std::unique_ptr<CChildProcess>> children;
    children.push_back(std::make_unique<CChildProcess>(std::vector<std::string>{bin + "/regsvr", bin + "/cantrel.ocx"}));
    children.push_back(
        std::make_unique<CChildProcess>(std::vector<std::string>{bin + "/regsvr", bin + "/libimapisvc.so"}));
    for (const auto* folder : {&r0, &r1})
      children.push_back(std::make_unique<CChildProcess>(
          std::vector<std::string>{bin + "/discmaster", "add-virtual", "--folder", folder->Path()}));
    for (auto& c : children) ASSERT_EQ(c->Wait(), 0) << c->Err();

    reg::RegTree tree = reg::Registry(registry.Path()).Load();
    for (const CLSID& clsid : {CLSID_Cantrel, CLSID_Drives, CLSID_MSDiscMasterObj}) {
      auto server = tree.GetString("CLSID\\" + GuidToString(clsid) + "\\InprocServer32");
      EXPECT_TRUE(server.has_value()) << "class " << GuidToString(clsid) << " lost";
    }
    EXPECT_TRUE(tree.HasKey("TypeLib\\" + GuidToString(LIBID_cantrelLib))) << "type library lost";
    auto list = testsupport::RunProcess({bin + "/discmaster", "list"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find(r0.Path()), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(r1.Path()), std::string::npos) << list.out;
  }
}

}  // namespace
