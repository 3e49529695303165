// The cantrel tool as a separate process against a private registry and a
// virtual recorder: one burn end to end with its verification, what verify
// says of a damaged disc, the files it refuses with their reasons, and its
// exit statuses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>

#include "tests/control/tracks/WavBytes.h"
#include "tests/tools/cantrel/ToolsTestBed.h"

namespace {

using testsupport::MakeWav;

// a.wav and b.wav: the same length in blocks, different audio.
class CantrelTool : public ::testing::Test {
 protected:
  std::string File(const char* name) const { return m_bed.m_files.File(name); }
  void BurnWithoutEject() {
    auto r = m_bed.Cantrel({"burn", "--no-eject", File("a.wav"), File("b.wav")});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_EQ(m_bed.Images().size(), 1u);
  }
  ToolsTestBed m_bed;
  const std::vector<uint8_t> m_a = ToolsTestBed::Padded(MakeWav(File("a.wav"), 2352 * 310 + 16));
  const std::vector<uint8_t> m_b = ToolsTestBed::Padded(MakeWav(File("b.wav"), 2352 * 311));
};

TEST_F(CantrelTool, DrivesListsEveryRecorderByIndex) {
  testsupport::TempDir second;
  m_bed.Expect0({ToolsTestBed::Bin("discmaster"), "add-virtual", "--folder", second.Path(), "--vendor", "ACME",
                 "--product", "Writer 52x", "--revision", "2.01"});
  auto r = m_bed.Cantrel({"drives"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0\tVIRTUAL\tCD-RW Recorder\t1.0\n1\tACME\tWriter 52x\t2.01\n");
}

// A relative name burns; --verify finds each track identical, then ejects.
TEST_F(CantrelTool, BurnWritesTheFilesInOrderVerifiesAndEjects) {
  auto r = m_bed.Run({"/bin/sh", "-c", "cd '" + m_bed.m_files.Path() + "' && '" + ToolsTestBed::Bin("cantrel") +
                                           "' burn --verify a.wav '" + File("b.wav") + "'"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "Burn complete: 2 tracks")) << r.out;
  EXPECT_FALSE(Contains(r.out, "\r"));  // not a terminal: plain progress lines
  EXPECT_TRUE(Contains(r.out, "Track 1 (a.wav): identical\nTrack 2 (" + File("b.wav") + "): identical\n")) << r.out;
  ASSERT_EQ(m_bed.Images().size(), 1u);
  auto expected = m_a;
  expected.insert(expected.end(), m_b.begin(), m_b.end());
  EXPECT_EQ(testsupport::ReadFileBytes(m_bed.Images()[0] + ".bin"), expected);
  r = m_bed.Cantrel({"verify", File("a.wav"), File("b.wav")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "blank")) << r.err;
}

// The same disc again is the control's error (status 3); erase and eject end with 0.
TEST_F(CantrelTool, ARecordedDiscIsTheControlsError) {
  BurnWithoutEject();
  auto again = m_bed.Cantrel({"burn", File("a.wav")});
  EXPECT_EQ(again.status, 3);
  for (const char* part : {"error 4", "not blank"}) EXPECT_TRUE(Contains(again.err, part)) << again.err;
  auto erase = m_bed.Cantrel({"erase", "--drive", "0"});
  EXPECT_EQ(erase.status, 0) << erase.err;
  EXPECT_TRUE(Contains(erase.out, "Erase complete")) << erase.out;
  EXPECT_EQ(m_bed.Cantrel({"eject"}).status, 0);
  EXPECT_EQ(m_bed.Images().size(), 1u);
}

struct Damage {
  const char* name;
  std::function<void(const std::string& image)> apply;
  bool bOtherOrder;
  int status;
  const char* text;  // in the output, or in the error for status 1
};
void PrintTo(const Damage& row, std::ostream* os) { *os << row.name; }

class CantrelVerify : public CantrelTool, public ::testing::WithParamInterface<Damage> {};

TEST_P(CantrelVerify, ReportsADamagedDisc) {
  BurnWithoutEject();
  GetParam().apply(m_bed.Images()[0] + ".bin");
  auto r = GetParam().bOtherOrder ? m_bed.Cantrel({"verify", File("b.wav"), File("a.wav")})
                                  : m_bed.Cantrel({"verify", File("a.wav"), File("b.wav")});
  EXPECT_EQ(r.status, GetParam().status) << r.err;
  EXPECT_TRUE(Contains(r.status == 1 ? r.err : r.out, GetParam().text)) << r.out << r.err;
}

void Truncate(const std::string& image, off_t size) { ASSERT_EQ(::truncate(image.c_str(), size), 0); }

INSTANTIATE_TEST_SUITE_P(
    Damages, CantrelVerify,
    ::testing::Values(
        // Track 2 starts at block 311; its sample 75 * 588 + 3 is in second 1, block 0.
        Damage{"AChangedByte",
               [](const std::string& image) {
                 auto bytes = testsupport::ReadFileBytes(image);
                 bytes[2352 * (311 + 75) + 4 * 3 + 1] ^= 0x40;
                 testsupport::WriteFileBytes(image, bytes);
               },
               false, 5, "b.wav): differs from 00:01.00 (sample 44103), 1 sample differs"},
        Damage{"ATrackCutShort", [](const std::string& image) { Truncate(image, 2352 * (311 + 300)); }, false, 5,
               "b.wav): wrong length: 300 blocks on the disc, 311 blocks in the file"},
        Damage{"FilesInAnotherOrder", [](const std::string&) {}, true, 5, "b.wav): differs from 00:00.00 (sample 0)"},
        Damage{"AnImageCutWithinABlock", [](const std::string& image) { Truncate(image, 2352 * 500 - 7); }, false, 1,
               "damaged or cut short"}),
    [](const auto& info) { return std::string(info.param.name); });

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
  const std::string path = File("x.wav");
  if (!GetParam().file.empty()) testsupport::WriteFileBytes(path, GetParam().file);
  auto r = m_bed.Cantrel({"burn", File("a.wav"), path});
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
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"frobnicate"}, {"eject", "--drive=3"}, {"verify", "--drive", "3", File("a.wav")}}) {
    auto r = m_bed.Cantrel(args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_TRUE(args[0] == "frobnicate" || Contains(r.err, "there is no recorder 3")) << r.err;
  }
  auto help = m_bed.Cantrel({"burn", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: ", 0), 0u) << help.out;
}

// Without the control, or without a recorder: status 1 and what to do.
TEST(CantrelToolSetUp, SaysHowToRegisterTheControlAndAddARecorder) {
  auto r = ToolsTestBed(false).Cantrel({"drives"});
  EXPECT_EQ(r.status, 1);
  for (const char* part : {"CANTREL.cantrelCtrl.1 is not registered", "regsvr", "cantrel.ocx"})
    EXPECT_TRUE(Contains(r.err, part)) << r.err;
  ToolsTestBed bed(true, false);
  r = bed.Cantrel({"burn", "a.wav"});
  EXPECT_EQ(r.status, 1);
  for (const char* part : {"no recorder found", "discmaster add-virtual"}) EXPECT_TRUE(Contains(r.err, part)) << r.err;
}

}  // namespace
