// From the drive's progress to the service's notifications.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/imapi/burn/ProgressTracker.h"

using namespace imapi_burn;

namespace {

// Events as text: "t1/3" track, "b120/845" blocks, "c9" closing.
struct Recorded {
  std::vector<std::string> events;
  imapi_backend::RecordCallbacks callbacks;
  Recorded() {
    callbacks.onTrack = [this](long t, long n) { events.push_back("t" + std::to_string(t) + "/" + std::to_string(n)); };
    callbacks.onBlocks = [this](long d, long n) { events.push_back("b" + std::to_string(d) + "/" + std::to_string(n)); };
    callbacks.onClosing = [this](long s) { events.push_back("c" + std::to_string(s)); };
  }
};

DriveProgress Writing(int track, long sector) {
  DriveProgress p;
  p.phase = DrivePhase::Writing;
  p.track = track;
  p.sector = sector;
  return p;
}

DriveProgress Phase(DrivePhase phase) {
  DriveProgress p;
  p.phase = phase;
  return p;
}

}  // namespace

TEST(ProgressTracker, PollsBecomeTrackBlockAndClosingNotifications) {
  struct Case {
    const char* name;
    std::vector<uint32_t> blocks;
    std::vector<DriveProgress> polls;
    bool complete;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"whole disc in order",
       {100, 200},
       {Phase(DrivePhase::Starting), Writing(0, 50), Writing(0, 100), Writing(1, 20), Phase(DrivePhase::Closing)},
       true,
       {"t1/2", "b50/300", "b100/300", "t2/2", "b120/300", "b300/300", "c91"}},
      {"a short track between two polls is announced",
       {100, 50, 150},
       {Writing(0, 90), Writing(2, 10)},
       false,
       {"t1/3", "b90/300", "t2/3", "t3/3", "b160/300"}},
      {"sectors beyond the track and going back are ignored",
       {100, 200},
       {Writing(0, 500), Writing(0, 40), Writing(5, 999)},
       false,
       {"t1/2", "b100/300", "t2/2", "b300/300"}},
      {"nothing after closing",
       {100, 200},
       {Phase(DrivePhase::Closing), Writing(1, 10), Phase(DrivePhase::Closing)},
       true,
       {"t1/2", "t2/2", "b300/300", "c91"}},
      {"a write that ended well tells what the polls missed",
       {100, 200},
       {Writing(0, 10)},
       true,
       {"t1/2", "b10/300", "t2/2", "b300/300", "c91"}},
      {"a write that broke off is not completed",
       {100, 200},
       {Writing(0, 10), Phase(DrivePhase::Idle)},
       false,
       {"t1/2", "b10/300"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorded r;
    ProgressTracker tracker(c.blocks, r.callbacks, 0);
    tracker.Start();
    for (const DriveProgress& p : c.polls) tracker.Update(p);
    if (c.complete) tracker.Complete();
    EXPECT_EQ(r.events, c.expected);
  }
}

TEST(ProgressTracker, ClosingEstimateFollowsTheWriteSpeed) {
  struct Case {
    int speed;  // kB/s
    long seconds;
  };
  for (const Case& c : {Case{0, 91}, Case{-5, 91}, Case{176, 91}, Case{1764, 9}, Case{7056, 3}, Case{100000, 1}}) {
    SCOPED_TRACE(c.speed);
    EXPECT_EQ(ProgressTracker::ClosingSeconds(c.speed), c.seconds);
  }
}

TEST(ProgressTracker, MissingCallbacksAreSkipped) {
  imapi_backend::RecordCallbacks none;
  ProgressTracker tracker({10}, none, 0);
  tracker.Start();
  tracker.Update(Writing(0, 5));
  tracker.Complete();
  EXPECT_EQ(tracker.BlocksDone(), 10);
  EXPECT_TRUE(tracker.ClosingSent());
}
