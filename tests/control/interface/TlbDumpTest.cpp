#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

using testsupport::BinDir;
using testsupport::ReadFileBytes;
using testsupport::RunProcess;

namespace {

// The library as hosts see it (identities, members, DISPIDs, types, help
// texts, flags), read back from a component library that carries it as
// TYPELIB 1.
TEST(CantrelTypeLib, PrintsExactlyAsPinned) {
  const auto r = RunProcess({BinDir() + "/tlbdump", BinDir() + "/libcantrel_tlb_carrier.so"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<uint8_t> pinned = ReadFileBytes(CANTREL_TLB_PINNED);
  EXPECT_EQ(r.out, std::string(pinned.begin(), pinned.end()));
}

TEST(TlbDump, ReportsFilesWithoutALibraryAndWrongUsage) {
  const auto missing = RunProcess({BinDir() + "/tlbdump", "/no/such/file"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot load a type library"), std::string::npos);
  EXPECT_EQ(RunProcess({BinDir() + "/tlbdump"}).status, 2);
}

}  // namespace
