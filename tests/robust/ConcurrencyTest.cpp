// Burns from two processes at once, on different recorders and on the same
// recorder.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/robust/CBurnRig.h"
#include "tests/robust/CChildProcess.h"

namespace {

std::vector<uint8_t> Image(const std::string& folder, size_t n) {
  auto images = CBurnRig::Images(folder);
  return n < images.size() ? testsupport::ReadFileBytes(folder + "/" + images[n] + ".bin") : std::vector<uint8_t>{};
}

enum class Start { OnTheOtherRecorder, AtTheSameMoment, WhileTheFirstRecords };

class TwoBurns : public ::testing::TestWithParam<Start> {};

TEST_P(TwoBurns, OnOneRecorderOneIsRefusedAndNothingIsLost) {
  CBurnRig rig;
  ASSERT_TRUE(rig.Ready()) << rig.Problem();
  // 150 blocks a second: 6 s of recording, so the second start always overlaps.
  const std::string folder = rig.AddRecorder(2), other = rig.AddRecorder(8);
  ASSERT_TRUE(rig.Ready()) << rig.Problem();
  auto a = rig.MakeWav("a.wav", 900, 11);
  auto b = rig.MakeWav("b.wav", 400);

  CChildProcess first({rig.Bin("cantrel"), "burn", "--drive", "0", rig.Path("a.wav")});
  if (GetParam() == Start::WhileTheFirstRecords) {
    auto recording = [&] {
      for (const auto& f : CBurnRig::WorkFiles(folder))
        if (f.find(".bin.tmp-") != std::string::npos) return true;
      return false;
    };
    while (!recording() && first.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(first.Running()) << "the first burn ended before the second could start: " << first.Err();
  }
  const bool bOther = GetParam() == Start::OnTheOtherRecorder;
  CChildProcess second({rig.Bin("cantrel"), "burn", "--drive", bOther ? "1" : "0", rig.Path("b.wav")});
  const int s1 = first.Wait(), s2 = second.Wait();
  if (bOther) {
    EXPECT_EQ(s1, 0) << first.Err();
    EXPECT_EQ(s2, 0) << second.Err();
    EXPECT_EQ(Image(folder, 0), a);
    EXPECT_EQ(Image(other, 0), b);
    return;
  }

  // Exactly one of them burnt; the other said why it did not.
  ASSERT_TRUE((s1 == 0) != (s2 == 0)) << "statuses " << s1 << " and " << s2 << "\n" << first.Err() << second.Err();
  CChildProcess& loser = s1 == 0 ? second : first;
  EXPECT_EQ(s1 == 0 ? s2 : s1, 3) << loser.Err();
  EXPECT_FALSE(loser.Err().empty()) << "refused without a message";
  if (GetParam() == Start::WhileTheFirstRecords) {
    EXPECT_NE(loser.Err().find("in use by another program"), std::string::npos) << loser.Err();
  }
  EXPECT_EQ(Image(folder, 0), s1 == 0 ? a : b) << "the winner's disc is not whole";

  // The refused burn works now.
  auto retry = testsupport::RunProcess({rig.Bin("cantrel"), "burn", "--drive", "0", rig.Path(s1 == 0 ? "b.wav" : "a.wav")});
  ASSERT_EQ(retry.status, 0) << retry.err;
  EXPECT_EQ(Image(folder, 1), s1 == 0 ? b : a);
  EXPECT_EQ(CBurnRig::WorkFiles(folder), std::vector<std::string>{});
}

std::string StartName(const ::testing::TestParamInfo<Start>& info) {
  static const char* const kNames[] = {"OnTheOtherRecorder", "AtTheSameMoment", "WhileTheFirstRecords"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Starts, TwoBurns,
                         ::testing::Values(Start::OnTheOtherRecorder, Start::AtTheSameMoment,
                                           Start::WhileTheFirstRecords),
                         StartName);

}  // namespace
