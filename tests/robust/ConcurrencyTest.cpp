// Burns from two processes at once, on different recorders and on the same
// recorder.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/tools/cantrel/ToolsTestBed.h"

namespace {

enum class Start { OnTheOtherRecorder, AtTheSameMoment, WhileTheFirstRecords };

class TwoBurns : public ::testing::TestWithParam<Start> {};

TEST_P(TwoBurns, OnOneRecorderOneIsRefusedAndNothingIsLost) {
  ToolsTestBed bed(true, false);
  // 150 blocks a second: 6 s of recording, so the second start always overlaps.
  const std::string folder = bed.AddRecorder("2"), other = bed.AddRecorder("8");
  auto a = ToolsTestBed::Padded(testsupport::MakeWav(bed.m_files.File("a.wav"), 2352 * 900 + 11));
  auto b = ToolsTestBed::Padded(testsupport::MakeWav(bed.m_files.File("b.wav"), 2352 * 400));
  auto image = [&](const std::string& recorder, size_t n) {
    auto images = bed.Images(recorder);
    return n < images.size() ? testsupport::ReadFileBytes(images[n] + ".bin") : std::vector<uint8_t>{};
  };
  auto burn = [&](const std::string& drive, const char* file, pid_t* pid) {
    return ToolsTestBed::Start({ToolsTestBed::Bin("cantrel"), "burn", "--drive", drive, bed.m_files.File(file)}, pid);
  };

  pid_t pid = 0;
  auto first = burn("0", "a.wav", &pid);
  auto running = [&] { return first.wait_for(std::chrono::seconds(0)) != std::future_status::ready; };
  if (GetParam() == Start::WhileTheFirstRecords) {
    auto recording = [&] {
      for (const auto& f : ToolsTestBed::WorkFiles(folder))
        if (f.find(".bin.tmp-") != std::string::npos) return true;
      return false;
    };
    while (!recording() && running()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(running()) << "the first burn ended before the second could start";
  }
  const bool bOther = GetParam() == Start::OnTheOtherRecorder;
  const testsupport::ProcessResult r2 = burn(bOther ? "1" : "0", "b.wav", &pid).get(), r1 = first.get();
  if (bOther) {
    EXPECT_EQ(r1.status, 0) << r1.err;
    EXPECT_EQ(r2.status, 0) << r2.err;
    EXPECT_EQ(image(folder, 0), a);
    EXPECT_EQ(image(other, 0), b);
    return;
  }

  // Exactly one of them burnt; the other said why it did not.
  ASSERT_TRUE((r1.status == 0) != (r2.status == 0)) << r1.status << " and " << r2.status << "\n" << r1.err << r2.err;
  const testsupport::ProcessResult& loser = r1.status == 0 ? r2 : r1;
  EXPECT_EQ(loser.status, 3) << loser.err;
  EXPECT_FALSE(loser.err.empty()) << "refused without a message";
  if (GetParam() == Start::WhileTheFirstRecords) {
    EXPECT_NE(loser.err.find("in use by another program"), std::string::npos) << loser.err;
  }
  EXPECT_EQ(image(folder, 0), r1.status == 0 ? a : b) << "the winner's disc is not whole";

  // The refused burn works now.
  auto retry = burn("0", r1.status == 0 ? "b.wav" : "a.wav", &pid).get();
  ASSERT_EQ(retry.status, 0) << retry.err;
  EXPECT_EQ(image(folder, 1), r1.status == 0 ? b : a);
  EXPECT_EQ(ToolsTestBed::WorkFiles(folder), std::vector<std::string>{});
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
