// The automate tool as a separate process, burning with the real control
// against a private registry and a virtual recorder.
#include <gtest/gtest.h>

#include <sstream>

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
  std::vector<std::string> lines;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  const std::vector<std::string> head = {"True", "VIRTUAL\tCD-RW Recorder", "0", "1"};
  ASSERT_GT(lines.size(), head.size() + 1) << r.out;
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(head.size())), head) << r.out;
  // Then the burn's events, ending with BurnComplete, then the rest of the script.
  for (size_t i = head.size(); i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].rfind("event ", 0), 0u) << lines[i];
  EXPECT_EQ(lines[lines.size() - 2], "event BurnComplete");
  EXPECT_EQ(lines.back(), "done");
  for (const char* part : {"event Progress 300 300", "event TrackProgress 1 1", "event ClosingDisc "})
    EXPECT_TRUE(Contains(r.out, part)) << r.out;
  ASSERT_EQ(bed.Images().size(), 1u);
  EXPECT_EQ(testsupport::ReadFileBytes(bed.Images()[0] + ".bin"), ToolsTestBed::Padded(a));

  EXPECT_EQ(bed.Run({ToolsTestBed::Bin("automate")}).status, 2) << "usage";
  EXPECT_EQ(bed.Run({ToolsTestBed::Bin("automate"), bed.m_files.File("none.txt")}).status, 1) << "unreadable";
  EXPECT_EQ(bed.Run({ToolsTestBed::Bin("automate"), "-"}, "print 1 +\n").status, 2) << "a script that does not parse";
}

}  // namespace
