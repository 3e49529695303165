#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

using testsupport::BinDir;
using testsupport::RunProcess;

namespace {

TEST(TlbDump, PrintsTheLibraryCarriedByAComponentLibrary) {
  const auto r = RunProcess({BinDir() + "/tlbdump", BinDir() + "/libcantrel_tlb_carrier.so"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {
           "library cantrelLib",
           "[id(12), helpstring(\"property Drives\")] IDrives* Drives;",
           "[id(4), helpstring(\"method Burn\")] short Burn(VARIANT_BOOL bSimulate, VARIANT_BOOL bEjectAfterBurn, "
           "VARIANT_BOOL bFileOverWrite);",
           "[id(-4), propget, restricted] IUnknown* _NewEnum();",
           "[id(2), propput, helpstring(\"property Item\")] void Item(VARIANT Key, IDispatch*);",
           "[default, source] dispinterface _DcantrelEvents;",
           "[id(6)] void ClosingDisc(long iEsimatedSeconds);",
       })
    EXPECT_NE(r.out.find(line), std::string::npos) << line;
}

TEST(TlbDump, ReportsFilesWithoutALibrary) {
  const auto missing = RunProcess({BinDir() + "/tlbdump", "/no/such/file"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot load a type library"), std::string::npos);
  EXPECT_EQ(RunProcess({BinDir() + "/tlbdump"}).status, 2);
}

}  // namespace
