// cantrel verify and burn --verify on a virtual recorder: a faithful disc is
// identical, and a changed byte, a shortened track or files in another order
// are reported as a disc that differs from its files.
#include <gtest/gtest.h>

#include <unistd.h>

#include "tests/tools/cantrel/ToolsTestBed.h"

namespace {

using testsupport::MakeWav;

constexpr int kExitDiffers = 5;

class CantrelVerify : public ::testing::Test {
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
  void Burn() {
    auto r = Cantrel({"burn", "--no-eject", A(), B()});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_EQ(m_bed.Images().size(), 1u);
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

TEST_F(CantrelVerify, AChangedByteIsReportedAtItsSampleAndTime) {
  Burn();
  auto image = testsupport::ReadFileBytes(m_bed.Images()[0]);
  // Track 2 starts at block 311; its sample 75 * 588 + 3 is in second 1, block 0.
  image[2352 * (311 + 75) + 4 * 3 + 1] ^= 0x40;
  testsupport::WriteFileBytes(m_bed.Images()[0], image);
  auto r = Cantrel({"verify", A(), B()});
  EXPECT_EQ(r.status, kExitDiffers) << r.err;
  EXPECT_TRUE(Contains(r.out, "Track 1 (" + A() + "): identical")) << r.out;
  EXPECT_TRUE(Contains(r.out, "Track 2 (" + B() + "): differs from 00:01.00 (sample 44103), 1 sample differs"))
      << r.out;
}

TEST_F(CantrelVerify, ATrackCutShortHasTheWrongLength) {
  Burn();
  ASSERT_EQ(::truncate(m_bed.Images()[0].c_str(), 2352 * (311 + 300)), 0);
  auto r = Cantrel({"verify", A(), B()});
  EXPECT_EQ(r.status, kExitDiffers) << r.err;
  EXPECT_TRUE(Contains(r.out, "Track 2 (" + B() + "): wrong length: 300 blocks on the disc, 311 blocks in the file"))
      << r.out;
}

TEST_F(CantrelVerify, FilesInAnotherOrderDiffer) {
  Burn();
  auto r = Cantrel({"verify", B(), A()});
  EXPECT_EQ(r.status, kExitDiffers) << r.err;
  EXPECT_TRUE(Contains(r.out, "Track 1 (" + B() + "): differs from 00:00.00 (sample 0)")) << r.out;
  EXPECT_TRUE(Contains(r.out, "The disc differs from its files.")) << r.out;
}

TEST_F(CantrelVerify, AnImageCutWithinABlockIsAClearError) {
  Burn();
  ASSERT_EQ(::truncate(m_bed.Images()[0].c_str(), 2352 * 500 - 7), 0);
  auto r = Cantrel({"verify", A(), B()});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "damaged or cut short")) << r.err;
}

}  // namespace
