// The adapter against the real library, on what needs no drive: start and
// finish, device nodes it cannot take, the drive states, and the write
// pipeline on a file-backed pseudo-drive (which takes data tracks only).
#include <gtest/gtest.h>
#include <libburn/libburn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/imapi/burn/DeviceNodeProbe.h"
#include "platform/imapi/burn/LibBurnAdapter.h"
#include "tests/support/TestSupport.h"

using namespace imapi_burn;
using namespace burn;

namespace {

const auto kRowName = [](const auto& info) { return std::string(info.param.name); };

bool WaitIdle(LibBurnAdapter& adapter, DriveHandle handle) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (adapter.Poll(handle).phase != DrivePhase::Idle)
    if (std::chrono::steady_clock::now() > deadline) return false;
    else std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return true;
}

}  // namespace

TEST(LibBurnAdapterTest, OneAdapterAtATimeStartsAndFinishesTheLibrary) {
  LibBurnAdapter first, second;
  ASSERT_TRUE(first.Initialize());
  EXPECT_FALSE(second.Initialize());
  first.Finish();
  ASSERT_TRUE(second.Initialize());
  second.Finish();
}

TEST(LibBurnAdapterTest, ANodeThatIsNoDriveOrThisUserMayNotOpenIsToldApart) {
  testsupport::TempDir dir;
  chmod(dir.Path().c_str(), 0755);
  for (const char* name : {"sr0", "sr1"}) testsupport::WriteFileBytes(dir.File(name), {});
  chmod(dir.File("sr0").c_str(), 0600);
  chmod(dir.File("sr1").c_str(), 0666);
  // Root may open anything: the check runs as nobody.
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(9);
    const std::vector<DeviceNode> nodes = DeviceNodeProbe(dir.Path()).List();
    LibBurnAdapter adapter(dir.Path());
    DriveHandle h;
    const int code = !adapter.Initialize()                                                  ? 1
                     : nodes.size() != 2 || nodes[0].accessible || !nodes[1].accessible    ? 2
                     : adapter.Grab(dir.File("sr0"), false, &h) != GrabResult::Denied      ? 3
                     : adapter.Grab(dir.File("sr1"), false, &h) != GrabResult::NotADrive   ? 4
                     : adapter.Grab(dir.File("sr7"), false, &h) != GrabResult::Missing     ? 5
                                                                                            : 0;
    adapter.Finish();
    _exit(code);
  }
  int status = -1;
  waitpid(pid, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

struct PhaseCase {
  const char* name;
  int status;
  bool lastDataSent;
  DrivePhase phase;
};
void PrintTo(const PhaseCase& row, std::ostream* os) { *os << row.name; }
class LibBurnPhase : public testing::TestWithParam<PhaseCase> {};
TEST_P(LibBurnPhase, DriveStatesBecomePhases) {
  EXPECT_EQ(LibBurnAdapter::PhaseOf(GetParam().status, GetParam().lastDataSent), GetParam().phase);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, LibBurnPhase,
    testing::Values(PhaseCase{"Idle", BURN_DRIVE_IDLE, false, DrivePhase::Idle},
                    PhaseCase{"WritingAllSent", BURN_DRIVE_WRITING, true, DrivePhase::Writing},
                    PhaseCase{"SyncIsNoClosing", BURN_DRIVE_WRITING_SYNC, true, DrivePhase::Starting},
                    PhaseCase{"ClosingATrack", BURN_DRIVE_CLOSING_TRACK, false, DrivePhase::Writing},
                    PhaseCase{"LeadOut", BURN_DRIVE_WRITING_LEADOUT, false, DrivePhase::Closing},
                    PhaseCase{"Erasing", BURN_DRIVE_ERASING, false, DrivePhase::Erasing}),
    kRowName);

struct StdioCase {
  const char* name;
  uint64_t blocks;  // the stash holds 300
  bool simulate, well;
  uint64_t imageBlocks;
};
void PrintTo(const StdioCase& row, std::ostream* os) { *os << row.name; }
class StdioWrite : public testing::TestWithParam<StdioCase> {};
TEST_P(StdioWrite, TheTrackRangeOfTheStashLandsOnTheDiscOrTheWriteFails) {
  const StdioCase& c = GetParam();
  testsupport::TempDir dir;
  std::vector<uint8_t> stash(5000 + 300 * 2048);
  for (size_t i = 0; i < stash.size(); ++i) stash[i] = static_cast<uint8_t>(i * 31 + i / 2048 + 1);
  testsupport::WriteFileBytes(dir.File("stash"), stash);
  LibBurnAdapter adapter;
  ASSERT_TRUE(adapter.Initialize());
  DriveHandle handle = kNoDrive;
  ASSERT_EQ(adapter.Grab("stdio:" + dir.File("disc"), false, &handle), GrabResult::Ok);
  EXPECT_EQ(adapter.QueryMedia(handle).state, DiscState::Blank);
  WriteRequest request{{{dir.File("stash"), 5000, c.blocks * 2048}}, false, c.simulate};
  ASSERT_TRUE(adapter.StartWrite(handle, request));
  ASSERT_TRUE(WaitIdle(adapter, handle));
  EXPECT_EQ(adapter.WroteWell(handle), c.well);
  adapter.Release(handle, false);
  adapter.Finish();
  struct stat st {};
  const uint64_t size = stat(dir.File("disc").c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  EXPECT_EQ(size, c.imageBlocks * 2048);
  if (!c.well) return;
  // What a write that did not fail left is the stash's, never padding.
  const std::vector<uint8_t> image = size ? testsupport::ReadFileBytes(dir.File("disc")) : std::vector<uint8_t>{};
  const size_t compared = std::min<size_t>(image.size(), 300 * 2048);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + compared, stash.begin() + 5000));
}
INSTANTIATE_TEST_SUITE_P(Rows, StdioWrite,
                         testing::Values(StdioCase{"Written", 300, false, true, 300},
                                         StdioCase{"Simulated", 300, true, true, 0},
                                         StdioCase{"StashEndsEarly", 350, false, false, 350}),
                         kRowName);
