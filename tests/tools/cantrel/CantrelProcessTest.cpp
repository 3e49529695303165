// The cantrel tool as a separate process against a private registry and a
// virtual recorder: the recorder list, burns and their images, refusals,
// errors reported by the control, erase and eject, and wrong usage.
#include <gtest/gtest.h>

#include "tests/tools/cantrel/ToolsTestBed.h"

namespace {

using testsupport::MakeWav;

class CantrelTool : public ::testing::Test {
 protected:
  testsupport::ProcessResult Cantrel(std::vector<std::string> args) {
    args.insert(args.begin(), ToolsTestBed::Bin("cantrel"));
    return m_bed.Run(args);
  }
  ToolsTestBed m_bed;
};

TEST_F(CantrelTool, DrivesListsEveryRecorderByIndex) {
  testsupport::TempDir second;
  m_bed.Expect0({ToolsTestBed::Bin("discmaster"), "add-virtual", "--folder", second.Path(), "--vendor", "ACME",
                 "--product", "Writer 52x", "--revision", "2.01"});
  auto r = Cantrel({"drives"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0\tVIRTUAL\tCD-RW Recorder\t1.0\n1\tACME\tWriter 52x\t2.01\n");
}

TEST_F(CantrelTool, BurnWritesAnImageThatHoldsTheWavFilesInOrder) {
  auto a = MakeWav(m_bed.m_files.File("a.wav"), 2352 * 310 + 17);
  auto b = MakeWav(m_bed.m_files.File("b.wav"), 2352 * 300);
  auto r = Cantrel({"burn", "--drive", "0", m_bed.m_files.File("a.wav"), m_bed.m_files.File("b.wav")});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "Burn complete: 2 tracks")) << r.out;
  // Not a terminal: plain progress lines, no carriage returns.
  EXPECT_FALSE(Contains(r.out, "\r"));
  for (const char* part : {"100%", "track 2 of 2", "closing disc"}) EXPECT_TRUE(Contains(r.out, part)) << r.out;

  ASSERT_EQ(m_bed.Images().size(), 1u);
  auto expected = ToolsTestBed::Padded(a), paddedB = ToolsTestBed::Padded(b);
  expected.insert(expected.end(), paddedB.begin(), paddedB.end());
  EXPECT_EQ(testsupport::ReadFileBytes(m_bed.Images()[0]), expected);
}

TEST_F(CantrelTool, ARelativePathIsBurntFromTheCurrentFolder) {
  // The control reads the files on its own thread, later; a relative name
  // must still mean the file the user named.
  auto a = MakeWav(m_bed.m_files.File("rel.wav"), 2352 * 300);
  auto r = m_bed.Run({"/bin/sh", "-c", "cd '" + m_bed.m_files.Path() + "' && '" + ToolsTestBed::Bin("cantrel") +
                                           "' burn rel.wav"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  ASSERT_EQ(m_bed.Images().size(), 1u);
  EXPECT_EQ(testsupport::ReadFileBytes(m_bed.Images()[0]), ToolsTestBed::Padded(a));
}

TEST_F(CantrelTool, SimulationWritesNoImage) {
  MakeWav(m_bed.m_files.File("a.wav"), 2352 * 300);
  auto r = Cantrel({"burn", "--simulate", m_bed.m_files.File("a.wav")});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "Simulated burn complete")) << r.out;
  EXPECT_TRUE(m_bed.Images().empty());
}

TEST_F(CantrelTool, RefusedFilesAreNamedWithTheReason) {
  MakeWav(m_bed.m_files.File("good.wav"), 2352 * 10);
  MakeWav(m_bed.m_files.File("mono.wav"), 2352 * 10, 1);
  MakeWav(m_bed.m_files.File("48k.wav"), 2352 * 10, 2, 48000);
  testsupport::WriteFileBytes(m_bed.m_files.File("notes.wav"), {'h', 'e', 'l', 'l', 'o', '\n'});
  struct Case {
    const char* file;
    const char* reason;
  };
  const Case cases[] = {
      {"missing.wav", "cannot be read (No such file or directory)"},
      {"notes.wav", "not a WAV file"},
      {"mono.wav", "not two channels"},
      {"48k.wav", "not 44100 Hz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = m_bed.m_files.File(c.file);
    // The good file first: a refusal stops the whole burn, nothing is written.
    auto r = Cantrel({"burn", m_bed.m_files.File("good.wav"), path});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "cantrel: " + path + ": " + c.reason)) << r.err;
    EXPECT_FALSE(Contains(r.out, "complete"));
  }
  EXPECT_TRUE(m_bed.Images().empty());
}

TEST_F(CantrelTool, ADiscThatIsNotBlankEndsWithTheControlsError) {
  MakeWav(m_bed.m_files.File("a.wav"), 2352 * 300);
  auto first = Cantrel({"burn", "--no-eject", m_bed.m_files.File("a.wav")});
  ASSERT_EQ(first.status, 0) << first.err;
  auto second = Cantrel({"burn", m_bed.m_files.File("a.wav")});
  EXPECT_EQ(second.status, 3);
  for (const char* part : {"error 4", "not blank"}) EXPECT_TRUE(Contains(second.err, part)) << second.err;
  EXPECT_FALSE(Contains(second.out, "complete"));
  EXPECT_EQ(m_bed.Images().size(), 1u);
}

TEST_F(CantrelTool, EraseAndEjectGiveABlankDiscAgain) {
  MakeWav(m_bed.m_files.File("a.wav"), 2352 * 300);
  ASSERT_EQ(Cantrel({"burn", "--no-eject", m_bed.m_files.File("a.wav")}).status, 0);
  auto erase = Cantrel({"erase", "--drive", "0"});
  EXPECT_EQ(erase.status, 0) << erase.err;
  EXPECT_TRUE(Contains(erase.out, "Erase complete")) << erase.out;
  ASSERT_EQ(Cantrel({"burn", "--no-eject", m_bed.m_files.File("a.wav")}).status, 0);

  auto eject = Cantrel({"eject"});
  EXPECT_EQ(eject.status, 0) << eject.err;
  auto third = Cantrel({"burn", m_bed.m_files.File("a.wav")});
  EXPECT_EQ(third.status, 0) << third.err;
  EXPECT_EQ(m_bed.Images().size(), 3u);
}

TEST_F(CantrelTool, EraseOfADiscThatCannotBeErasedReportsTheError) {
  testsupport::TempDir cdr;
  m_bed.Expect0({ToolsTestBed::Bin("discmaster"), "add-virtual", "--folder", cdr.Path(), "--media", "cd-r"});
  auto r = Cantrel({"erase", "--full", "--drive", "1"});
  EXPECT_EQ(r.status, 3) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "error 8")) << r.err;
}

TEST_F(CantrelTool, WrongUsageExitsWith2) {
  MakeWav(m_bed.m_files.File("a.wav"), 2352);
  const std::string wav = m_bed.m_files.File("a.wav");
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{}, "a command is missing"},
      {{"frobnicate"}, "unknown command frobnicate"},
      {{"burn"}, "burn needs at least one WAV file"},
      {{"burn", "--drive"}, "--drive needs the index"},
      {{"burn", "--drive", "x", wav}, "not x"},
      {{"burn", "--drive", "-1", wav}, "not -1"},
      {{"burn", "--full", wav}, "burn has no option --full"},
      {{"eject", wav}, "eject takes no file names"},
      {{"drives", "--drive", "0"}, "drives has no option --drive"},
      {{"burn", "--drive", "7", wav}, "there is no recorder 7"},
      {{"eject", "--drive=3"}, "there is no recorder 3"},
      {{"verify", "--drive", "3", wav}, "there is no recorder 3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    auto r = Cantrel(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  EXPECT_TRUE(m_bed.Images().empty());
}

TEST_F(CantrelTool, HelpGoesToStandardOutput) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"burn", "--help"}, {"erase", "-h"}, {"eject", "--help"}, {"drives", "--help"},
           {"verify", "--help"}}) {
    SCOPED_TRACE(args[0]);
    auto r = Cantrel(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: ", 0), 0u) << r.out;
    EXPECT_TRUE(r.err.empty());
  }
  EXPECT_TRUE(Contains(Cantrel({"burn", "--help"}).out, "--no-eject"));
  EXPECT_TRUE(Contains(Cantrel({"verify", "--help"}).out, "5 the disc differs from its files"));
}

TEST(CantrelToolUnregistered, SaysHowToRegisterTheControl) {
  ToolsTestBed bed(false);
  auto r = bed.Run({ToolsTestBed::Bin("cantrel"), "drives"});
  EXPECT_EQ(r.status, 1);
  for (const char* part : {"CANTREL.cantrelCtrl.1 is not registered", "regsvr", "cantrel.ocx"})
    EXPECT_TRUE(Contains(r.err, part)) << r.err;
}

TEST(CantrelToolNoRecorder, SaysHowToAddOne) {
  ToolsTestBed bed(true, false);
  auto drives = bed.Run({ToolsTestBed::Bin("cantrel"), "drives"});
  EXPECT_EQ(drives.status, 0);
  EXPECT_TRUE(drives.out.empty());
  testsupport::MakeWav(bed.m_files.File("a.wav"), 2352);
  auto burn = bed.Run({ToolsTestBed::Bin("cantrel"), "burn", bed.m_files.File("a.wav")});
  EXPECT_EQ(burn.status, 1);
  EXPECT_TRUE(Contains(burn.err, "no recorder found")) << burn.err;
  EXPECT_TRUE(Contains(burn.err, "discmaster add-virtual")) << burn.err;
}

}  // namespace
