// From the drive's progress to the service's notifications.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/imapi/burn/ProgressTracker.h"

using namespace imapi_burn;

namespace {

DriveProgress Writing(int track, long sector) { return {DrivePhase::Writing, track, 0, sector, 0}; }

struct Case {
  const char* name;
  std::vector<DriveProgress> polls;
  bool complete;
  std::vector<std::string> expected;  // "t1/3" track, "b120" blocks, "c91" closing
};
void PrintTo(const Case& row, std::ostream* os) { *os << row.name; }

class ProgressTrackerTest : public testing::TestWithParam<Case> {};

}  // namespace

TEST_P(ProgressTrackerTest, PollsBecomeTrackBlockAndClosingNotifications) {
  std::vector<std::string> events;
  imapi_backend::RecordCallbacks cb;
  cb.onTrack = [&](long t, long n) { events.push_back(std::string("t").append(std::to_string(t)).append("/").append(std::to_string(n))); };
  cb.onBlocks = [&](long d, long n) { events.push_back(std::string("b").append(std::to_string(d)).append(n == 300 ? "" : "?")); };
  cb.onClosing = [&](long s) { events.push_back(std::string("c").append(std::to_string(s))); };
  ProgressTracker tracker({100, 50, 150}, cb, 0);
  tracker.Start();
  for (const DriveProgress& p : GetParam().polls) tracker.Update(p);
  if (GetParam().complete) tracker.Complete();
  EXPECT_EQ(events, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProgressTrackerTest,
    testing::Values(
        Case{"InOrder",
             {{DrivePhase::Starting}, Writing(0, 50), Writing(1, 20), {DrivePhase::Closing}},
             true,
             {"t1/3", "b50", "t2/3", "b120", "t3/3", "b300", "c91"}},
        Case{"AShortTrackBetweenTwoPollsIsAnnounced", {Writing(0, 90), Writing(2, 10)}, false,
             {"t1/3", "b90", "t2/3", "t3/3", "b160"}},
        Case{"SectorsBeyondTheTrackOrGoingBackAreIgnored", {Writing(0, 500), Writing(0, 40)}, false, {"t1/3", "b100"}},
        Case{"EverySectorOfTheLastTrackSentIsClosing", {Writing(2, 150), Writing(2, 150)}, false,
             {"t1/3", "t2/3", "t3/3", "b300", "c91"}},
        Case{"AnEndedWriteTellsWhatThePollsMissed", {Writing(0, 10)}, true, {"t1/3", "b10", "t2/3", "t3/3", "b300", "c91"}},
        Case{"ABrokenOffWriteIsNotCompleted", {Writing(0, 10), {DrivePhase::Idle}}, false, {"t1/3", "b10"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgressTracker, ClosingEstimateFollowsTheWriteSpeed) {
  for (auto [speed, seconds] : std::vector<std::pair<int, long>>{{-5, 91}, {176, 91}, {1764, 9}, {100000, 1}})
    EXPECT_EQ(ProgressTracker::ClosingSeconds(speed), seconds) << speed;
}
