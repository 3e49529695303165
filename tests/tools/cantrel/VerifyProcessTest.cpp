// cantrel verify and burn --verify on a virtual recorder: a faithful disc is
// identical, and a changed byte, a shortened track or files in another order
// are reported as a disc that differs from its files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>

#include "tests/tools/cantrel/ToolsTestBed.h"

namespace {

using testsupport::MakeWav;

struct Damage {
  const char* name;
  std::function<void(const std::string& image)> apply;
  bool bOtherOrder;
  int status;
  const char* text;  // in the output, or in the error for status 1
};
void PrintTo(const Damage& row, std::ostream* os) { *os << row.name; }

class CantrelVerify : public ::testing::TestWithParam<Damage> {
 protected:
  void SetUp() override {
    // Same length in blocks, different audio.
    MakeWav(A(), 2352 * 310 + 16);
    MakeWav(B(), 2352 * 311);
  }
  testsupport::ProcessResult Cantrel(std::vector<std::string> args) {
    args.insert(args.begin(), ToolsTestBed::Bin("cantrel"));
    return m_bed.Run(args);
  }
  std::string A() const { return m_bed.m_files.File("a.wav"); }
  std::string B() const { return m_bed.m_files.File("b.wav"); }
  ToolsTestBed m_bed;
};

TEST_F(CantrelVerify, BurnWithVerifyFindsTheDiscIdenticalAndThenEjects) {
  auto r = Cantrel({"burn", "--verify", A(), B()});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "Track 1 (" + A() + "): identical\nTrack 2 (" + B() + "): identical\n")) << r.out;
  // Ejected: a fresh blank disc is in the tray.
  r = Cantrel({"verify", A(), B()});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "blank")) << r.err;
}

TEST_P(CantrelVerify, ReportsADamagedDisc) {
  auto r = Cantrel({"burn", "--no-eject", A(), B()});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  ASSERT_EQ(m_bed.Images().size(), 1u);
  GetParam().apply(m_bed.Images()[0] + ".bin");
  r = GetParam().bOtherOrder ? Cantrel({"verify", B(), A()}) : Cantrel({"verify", A(), B()});
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

}  // namespace
