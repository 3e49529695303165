// The cantrel tool as a separate process against a private registry and a
// virtual recorder: one burn end to end, the files it refuses with their
// reasons, and its exit statuses.
#include <gtest/gtest.h>

#include "tests/control/tracks/WavBytes.h"
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

// A relative name and an extensible 16-bit file burn in order; the same disc
// again is the control's error (status 3); erase and eject end with 0.
TEST_F(CantrelTool, BurnWritesTheFilesInOrderThenReportsTheControlsError) {
  auto a = MakeWav(m_bed.m_files.File("a.wav"), 2352 * 310 + 17);
  const wavbytes::FormatRow extensible = wavbytes::FormatRows().at(6);
  ASSERT_STREQ(extensible.name, "ExtensiblePcm16");
  const auto b = wavbytes::Pattern(2352 * 300);
  testsupport::WriteFileBytes(m_bed.m_files.File("b.wav"), wavbytes::WavFile(extensible.fmtBody, b));
  auto r = m_bed.Run({"/bin/sh", "-c", "cd '" + m_bed.m_files.Path() + "' && '" + ToolsTestBed::Bin("cantrel") +
                                           "' burn --no-eject a.wav '" + m_bed.m_files.File("b.wav") + "'"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "Burn complete: 2 tracks")) << r.out;
  EXPECT_FALSE(Contains(r.out, "\r"));  // not a terminal: plain progress lines
  for (const char* part : {"100%", "track 2 of 2", "closing disc"}) EXPECT_TRUE(Contains(r.out, part)) << r.out;
  ASSERT_EQ(m_bed.Images().size(), 1u);
  auto expected = ToolsTestBed::Padded(a), paddedB = ToolsTestBed::Padded(b);
  expected.insert(expected.end(), paddedB.begin(), paddedB.end());
  EXPECT_EQ(testsupport::ReadFileBytes(m_bed.Images()[0] + ".bin"), expected);

  auto again = Cantrel({"burn", m_bed.m_files.File("a.wav")});
  EXPECT_EQ(again.status, 3);
  for (const char* part : {"error 4", "not blank"}) EXPECT_TRUE(Contains(again.err, part)) << again.err;
  auto erase = Cantrel({"erase", "--drive", "0"});
  EXPECT_EQ(erase.status, 0) << erase.err;
  EXPECT_TRUE(Contains(erase.out, "Erase complete")) << erase.out;
  EXPECT_EQ(Cantrel({"eject"}).status, 0);
  EXPECT_EQ(m_bed.Images().size(), 1u);
}

struct RefusalRow {
  std::string name;
  wavbytes::Bytes file;  // empty: no file at all
  std::string reason;
};

void PrintTo(const RefusalRow& row, std::ostream* os) { *os << row.name; }

class CantrelRefusal : public CantrelTool, public ::testing::WithParamInterface<RefusalRow> {};

// A refused file stops the whole burn before it starts (status 1), named
// with the reason; the good file before it is not burnt either.
TEST_P(CantrelRefusal, NamesTheFileAndWhy) {
  MakeWav(m_bed.m_files.File("good.wav"), 2352 * 10);
  const std::string path = m_bed.m_files.File("x.wav");
  if (!GetParam().file.empty()) testsupport::WriteFileBytes(path, GetParam().file);
  auto r = Cantrel({"burn", m_bed.m_files.File("good.wav"), path});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "cantrel: " + path + ": " + GetParam().reason)) << r.err;
  EXPECT_FALSE(Contains(r.out, "Burning")) << r.out;
  EXPECT_TRUE(m_bed.Images().empty());
}

// The control accepts a 24-bit file; the tool refuses it itself.
std::vector<RefusalRow> RefusalRows() {
  using namespace wavbytes;
  return {{"Missing", {}, "cannot be read (No such file or directory)"},
          {"NotWav", {'h', 'e', 'l', 'l', 'o', '\n'}, "not a WAV file"},
          {"Mono", WavFile(FmtBlock(1), Pattern(100)), "not two channels"},
          {"Rate48000", WavFile(FmtBlock(2, 48000), Pattern(100)), "not 44100 Hz"},
          {"Pcm24", WavFile(FmtBlock(2, 44100, 24), Pattern(102)),
           "24-bit PCM: only stereo 44100 Hz 16-bit PCM WAV files can be burnt"}};
}

INSTANTIATE_TEST_SUITE_P(Files, CantrelRefusal, ::testing::ValuesIn(RefusalRows()),
                         [](const auto& info) { return info.param.name; });

TEST_F(CantrelTool, WrongUsageExitsWith2AndHelpWith0) {
  MakeWav(m_bed.m_files.File("a.wav"), 2352);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"frobnicate"}, {"eject", "--drive=3"}, {"verify", "--drive", "3", m_bed.m_files.File("a.wav")}}) {
    auto r = Cantrel(args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_TRUE(args[0] == "frobnicate" || Contains(r.err, "there is no recorder 3")) << r.err;
  }
  auto help = Cantrel({"burn", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: ", 0), 0u) << help.out;
}

// Without the control, or without a recorder: status 1 and what to do.
TEST(CantrelToolSetUp, SaysHowToRegisterTheControlAndAddARecorder) {
  auto r = ToolsTestBed(false).Run({ToolsTestBed::Bin("cantrel"), "drives"});
  EXPECT_EQ(r.status, 1);
  for (const char* part : {"CANTREL.cantrelCtrl.1 is not registered", "regsvr", "cantrel.ocx"})
    EXPECT_TRUE(Contains(r.err, part)) << r.err;
  ToolsTestBed bed(true, false);
  r = bed.Run({ToolsTestBed::Bin("cantrel"), "burn", "a.wav"});
  EXPECT_EQ(r.status, 1);
  for (const char* part : {"no recorder found", "discmaster add-virtual"}) EXPECT_TRUE(Contains(r.err, part)) << r.err;
}

}  // namespace
