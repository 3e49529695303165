// The automate tool as a separate process, burning with the real control
// against a private registry and a virtual recorder.
#include <gtest/gtest.h>

#include "tests/tools/cantrel/ToolsTestBed.h"

namespace {

TEST(AutomateTool, ScriptsTheControlFromCreationToBurnComplete) {
  ToolsTestBed bed;
  auto a = testsupport::MakeWav(bed.m_files.File("fw_1.07.wav"), 2352 * 300);
  const std::string script =
      "set c = create CANTREL.cantrelCtrl.1\n"
      "print c.InitControl\n"
      "for each x in c.Drives\n"
      "  print x.VendorID, x.ProductID\n"
      "next\n"
      "print c.AddAudioTrack(\"" + bed.m_files.File("fw_1.07.wav") + "\")\n"
      "print c.Burn(False, True, Empty)\n"
      "wait c BurnComplete, ErrorEvent 120\n"
      "print \"done\"\n";
  auto r = bed.Run({ToolsTestBed::Bin("automate"), "-"}, script);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.rfind("True\nVIRTUAL\tCD-RW Recorder\n0\n1\nevent ", 0), 0u) << r.out;
  // Then the burn's events, ending with BurnComplete, then the rest of the script.
  EXPECT_TRUE(Contains(r.out, "\nevent Progress 300 300\n")) << r.out;
  EXPECT_TRUE(r.out.ends_with("\nevent BurnComplete\ndone\n")) << r.out;
  ASSERT_EQ(bed.Images().size(), 1u);
  EXPECT_EQ(testsupport::ReadFileBytes(bed.Images()[0] + ".bin"), ToolsTestBed::Padded(a));

  EXPECT_EQ(bed.Run({ToolsTestBed::Bin("automate")}).status, 2) << "usage";
  EXPECT_EQ(bed.Run({ToolsTestBed::Bin("automate"), bed.m_files.File("none.txt")}).status, 1) << "unreadable";
  EXPECT_EQ(bed.Run({ToolsTestBed::Bin("automate"), "-"}, "print 1 +\n").status, 2) << "a script that does not parse";
}

}  // namespace
