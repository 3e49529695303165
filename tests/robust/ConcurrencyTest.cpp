// Burns from several processes at once, on different recorders and on the
// same recorder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "tests/robust/CBurnRig.h"
#include "tests/robust/CChildProcess.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> OnlyImage(const std::string& folder) {
  auto images = CBurnRig::Images(folder);
  if (images.size() != 1) return {};
  return testsupport::ReadFileBytes(folder + "/" + images[0] + ".bin");
}

TEST(Concurrency, TwoProcessesOnTwoRecordersBothBurn) {
  CBurnRig rig;
  ASSERT_TRUE(rig.Ready()) << rig.Problem();
  const std::string folder0 = rig.AddRecorder(8), folder1 = rig.AddRecorder(8);
  ASSERT_TRUE(rig.Ready()) << rig.Problem();
  auto a = rig.MakeWav("a.wav", 900, 3);
  auto b = rig.MakeWav("b.wav", 700);

  CChildProcess first({rig.Bin("cantrel"), "burn", "--drive", "0", rig.Path("a.wav")});
  CChildProcess second({rig.Bin("cantrel"), "burn", "--drive", "1", rig.Path("b.wav")});
  EXPECT_EQ(first.Wait(), 0) << first.Err();
  EXPECT_EQ(second.Wait(), 0) << second.Err();
  EXPECT_EQ(OnlyImage(folder0), a);
  EXPECT_EQ(OnlyImage(folder1), b);
  EXPECT_EQ(CBurnRig::WorkFiles(folder0), std::vector<std::string>{});
  EXPECT_EQ(CBurnRig::WorkFiles(folder1), std::vector<std::string>{});
}

struct SameRecorderCase {
  const char* name;
  bool bWhileRecording;  // start the second once the first records, else at once
};

class SameRecorder : public ::testing::TestWithParam<SameRecorderCase> {};

TEST_P(SameRecorder, OneBurnsTheOtherIsRefusedAndNothingIsLost) {
  CBurnRig rig;
  ASSERT_TRUE(rig.Ready()) << rig.Problem();
  // 150 blocks a second: 6 s of recording, so the second start always overlaps.
  const std::string folder = rig.AddRecorder(2);
  ASSERT_TRUE(rig.Ready()) << rig.Problem();
  auto a = rig.MakeWav("a.wav", 900, 11);
  auto b = rig.MakeWav("b.wav", 400);
  const auto wavB = testsupport::ReadFileBytes(rig.Path("b.wav"));

  CChildProcess first({rig.Bin("cantrel"), "burn", "--drive", "0", rig.Path("a.wav")});
  if (GetParam().bWhileRecording) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto recording = [&] {
      for (const auto& f : CBurnRig::WorkFiles(folder))
        if (f.find(".bin.tmp-") != std::string::npos) return true;
      return false;
    };
    while (!recording() && first.Running() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(first.Running()) << "the first burn ended before the second could start: " << first.Err();
  }
  CChildProcess second({rig.Bin("cantrel"), "burn", "--drive", "0", rig.Path("b.wav")});
  int s1 = first.Wait(), s2 = second.Wait();

  // Exactly one of them burnt; the other said why it did not.
  ASSERT_TRUE((s1 == 0) != (s2 == 0)) << "statuses " << s1 << " and " << s2 << "\n" << first.Err() << second.Err();
  CChildProcess& loser = s1 == 0 ? second : first;
  EXPECT_EQ(s1 == 0 ? s2 : s1, 3) << loser.Err();
  EXPECT_FALSE(loser.Err().empty()) << "refused without a message";
  if (GetParam().bWhileRecording) {
    EXPECT_NE(loser.Err().find("in use by another program"), std::string::npos) << loser.Err();
  }
  const auto& winnerAudio = s1 == 0 ? a : b;
  EXPECT_EQ(OnlyImage(folder), winnerAudio) << "the winner's disc is not whole";

  // Nothing of the refused burn is lost: its file is untouched and burns now.
  EXPECT_EQ(testsupport::ReadFileBytes(rig.Path("b.wav")), wavB);
  auto retry = testsupport::RunProcess(
      {rig.Bin("cantrel"), "burn", "--drive", "0", rig.Path(s1 == 0 ? "b.wav" : "a.wav")});
  ASSERT_EQ(retry.status, 0) << retry.err;
  auto images = CBurnRig::Images(folder);
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(testsupport::ReadFileBytes(folder + "/" + images[1] + ".bin"), s1 == 0 ? b : a);
  EXPECT_EQ(CBurnRig::WorkFiles(folder), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Starts, SameRecorder,
                         ::testing::Values(SameRecorderCase{"WhileTheFirstRecords", true},
                                           SameRecorderCase{"AtTheSameMoment", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
