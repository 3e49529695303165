// The automate tool as a separate process, scripting the real control against
// a private registry and a virtual recorder.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/tools/cantrel/ToolsTestBed.h"

namespace {

using testsupport::MakeWav;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class AutomateTool : public ::testing::Test {
 protected:
  testsupport::ProcessResult Automate(const std::string& script) {
    const std::string file = m_bed.m_files.File("script.txt");
    std::vector<uint8_t> bytes(script.begin(), script.end());
    testsupport::WriteFileBytes(file, bytes);
    return m_bed.Run({ToolsTestBed::Bin("automate"), file});
  }
  ToolsTestBed m_bed;
};

TEST_F(AutomateTool, ScriptsTheControlFromCreationToBurnComplete) {
  testsupport::TempDir second;
  m_bed.Expect0({ToolsTestBed::Bin("discmaster"), "add-virtual", "--folder", second.Path(), "--vendor", "ACME",
                 "--product", "Writer", "--revision", "2.01"});
  auto a = MakeWav(m_bed.m_files.File("fw_1.07.wav"), 2352 * 300);
  MakeWav(m_bed.m_files.File("mono.wav"), 2352, 1);
  const std::string script =
      "set c = create CANTREL.cantrelCtrl.1\n"
      "print c.InitControl\n"
      "set d = c.Drives\n"
      "print d.Count, d.Item(1).ProductID, d.FindRevision(1%)\n"
      "for each x in d\n"
      "  print x.VendorID, x.ProductID\n"
      "next\n"
      "print d.Item(byref \"2\").VendorID, d.Item(\"Writer\").Revision, d.Item(\"2\")\n"
      "let c.Drive = 1%\n"
      "print c.Drive\n"
      "c.Drive = 0\n"
      "let d.Count = 5\n"
      "print c.NoSuchMethod\n"
      "print c.DeleteAudioTrack(Null)\n"
      "print c.AddAudioTrack(\"" + m_bed.m_files.File("mono.wav") + "\"), c.GetDriveLetter, c.GetMediaFreeSpace\n"
      "print c.AddAudioTrack(\"" + m_bed.m_files.File("fw_1.07.wav") + "\")\n"
      "print c.Burn(False, True, Empty)\n"
      "wait c BurnComplete, ErrorEvent 120\n"
      "print \"done\"\n";
  auto r = Automate(script);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  auto lines = Lines(r.out);
  const std::vector<std::string> head = {
      "True",
      "2\tCD-RW Recorder\t2.01",
      "VIRTUAL\tCD-RW Recorder",
      "ACME\tWriter",
      "ACME\t2.01\tNothing",  // a key by reference counts as a position, a plain string as a product
      "1",
      "error 0x800A017F",  // Count cannot be written
      "error 0x80020006",  // no such name
      "error 0x80020005",  // Null is no index
      "-2\t\t0",
      "0",
      "1",
  };
  ASSERT_GT(lines.size(), head.size()) << r.out;
  for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(lines[i], head[i]) << "line " << i << "\n" << r.out;

  // Then the burn's events, ending with BurnComplete, then the rest of the script.
  std::vector<std::string> events(lines.begin() + static_cast<long>(head.size()), lines.end() - 1);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "event BurnComplete");
  EXPECT_EQ(lines.back(), "done");
  for (const auto& e : events) EXPECT_EQ(e.rfind("event ", 0), 0u) << e;
  for (const char* part : {"event Progress 300 300", "event TrackProgress 1 1", "event ClosingDisc "})
    EXPECT_TRUE(Contains(r.out, part)) << r.out;
  ASSERT_EQ(m_bed.Images().size(), 1u);
  EXPECT_EQ(testsupport::ReadFileBytes(m_bed.Images()[0]), ToolsTestBed::Padded(a));
}

TEST_F(AutomateTool, AnErrorEventEndsTheWaitToo) {
  MakeWav(m_bed.m_files.File("a.wav"), 2352 * 300);
  const std::string burn = "call c.AddAudioTrack(\"" + m_bed.m_files.File("a.wav") + "\")\n";
  auto r = Automate("set c = create CANTREL.cantrelCtrl.1\n" + burn +
                    "print c.Burn(False, False, False)\n"
                    "wait c BurnComplete, ErrorEvent 60\n"
                    "print c.Burn(False, False, False)\n"
                    "wait c BurnComplete, ErrorEvent 60\n");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  auto lines = Lines(r.out);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 2], "1");
  EXPECT_EQ(lines.back(), "event ErrorEvent 4");
}

TEST_F(AutomateTool, AWaitThatTimesOutEndsTheScriptWith5) {
  auto r = Automate(
      "set c = create CANTREL.cantrelCtrl.1\n"
      "print \"waiting\"\n"
      "wait c BurnComplete 1\n"
      "print \"not reached\"\n");
  EXPECT_EQ(r.status, 5) << r.err;
  EXPECT_EQ(r.out, "waiting\ntimeout\n");
}

TEST_F(AutomateTool, ScriptErrorsNameTheLineAndExitWith2) {
  auto syntax = Automate("print \"first\"\nprint 1 +\n");
  EXPECT_EQ(syntax.status, 2);
  EXPECT_TRUE(syntax.out.empty()) << "a script that does not parse runs nothing: " << syntax.out;
  EXPECT_TRUE(Contains(syntax.err, "line 2:")) << syntax.err;

  auto runtime = Automate(
      "set c = create CANTREL.cantrelCtrl.1\n"
      "print \"first\"\n"
      "wait c NoSuchEvent 1\n"
      "print \"not reached\"\n");
  EXPECT_EQ(runtime.status, 2);
  EXPECT_EQ(runtime.out, "first\n");
  EXPECT_TRUE(Contains(runtime.err, "line 3: c has no event NoSuchEvent")) << runtime.err;
}

TEST_F(AutomateTool, ReadsTheScriptFromStandardInput) {
  auto r = m_bed.Run({ToolsTestBed::Bin("automate"), "-"},
                     "set c = create CANTREL.cantrelCtrl.1\ncall c.InitControl\nprint c.Drives.Count\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1\n");
}

TEST_F(AutomateTool, AnUnregisteredClassIsAnErrorLineAndUsageMistakesExit2) {
  auto r = Automate(
      "set z = create No.Such.Thing\n"
      "set z = create {00000000-0000-0000-0000-0000000000AB}\n"
      "print \"after\"\n");
  EXPECT_EQ(r.status, 0) << r.err;
  // An unknown ProgID is no class string; an unknown class id is not registered.
  EXPECT_EQ(r.out, "error 0x800401F3\nerror 0x80040154\nafter\n");
  EXPECT_TRUE(Contains(r.err, "line 1:") && Contains(r.err, "line 2:")) << r.err;

  EXPECT_EQ(m_bed.Run({ToolsTestBed::Bin("automate")}).status, 2);
  auto missing = m_bed.Run({ToolsTestBed::Bin("automate"), m_bed.m_files.File("none.txt")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(Contains(missing.err, "none.txt")) << missing.err;
}

}  // namespace
