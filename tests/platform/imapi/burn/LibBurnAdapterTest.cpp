// The adapter against the real library, on what needs no drive: start and
// finish, the scan, permissions, and the write pipeline on a file-backed
// pseudo-drive (which takes data tracks only).
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/imapi/burn/BurnEngine.h"
#include "platform/imapi/burn/DeviceNodeProbe.h"
#include "platform/imapi/burn/LibBurnAdapter.h"
#include "tests/support/TestSupport.h"

using namespace imapi_burn;

namespace {

bool MachineHasOpticalDrive() { return !DeviceNodeProbe("/dev").List().empty(); }

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 31 + seed + i / 2048) & 0xff);
  return bytes;
}

struct Outcome {
  bool idle = false;
  bool sawWriting = false;
  long maxSector = 0;
};

Outcome WaitIdle(LibBurnAdapter& adapter, DriveHandle handle) {
  Outcome out;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    const DriveProgress p = adapter.Poll(handle);
    if (p.phase == DrivePhase::Idle) {
      out.idle = true;
      break;
    }
    if (p.phase == DrivePhase::Writing) out.sawWriting = true;
    out.maxSector = std::max(out.maxSector, p.sector);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return out;
}

// Runs `body` in a child process as an unprivileged user (when started as
// root) and returns what it wrote to standard output.
std::string AsUnprivileged(const std::function<std::string()>& body) {
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    const std::string text = body();
    if (write(fds[1], text.data(), text.size()) < 0) _exit(3);
    _exit(0);
  }
  close(fds[1]);
  std::string text;
  char buffer[512];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) text += " [child failed]";
  return text;
}

}  // namespace

TEST(LibBurnAdapterTest, OneAdapterAtATimeStartsAndFinishesTheLibrary) {
  LibBurnAdapter first;
  ASSERT_TRUE(first.Initialize());
  LibBurnAdapter second;
  EXPECT_FALSE(second.Initialize());
  first.Finish();
  ASSERT_TRUE(second.Initialize());
  second.Finish();
  // Started and finished again in the same process.
  ASSERT_TRUE(first.Initialize());
  first.Finish();
}

TEST(LibBurnAdapterTest, AScanWithoutDrivesIsEmptyAndFreesEverything) {
  if (MachineHasOpticalDrive()) GTEST_SKIP() << "this machine has an optical drive";
  LibBurnAdapter adapter;
  ASSERT_TRUE(adapter.Initialize());
  std::vector<ScannedDrive> drives{{"stale"}};
  EXPECT_TRUE(adapter.Scan(&drives));
  EXPECT_TRUE(drives.empty());
  DriveHandle handle = kNoDrive;
  EXPECT_EQ(adapter.Grab("/dev/sr0", true, &handle), GrabResult::Missing);
  EXPECT_EQ(handle, kNoDrive);
  // A second scan after the failed grab sees everything again.
  EXPECT_TRUE(adapter.Scan(&drives));
  adapter.Finish();
}

TEST(LibBurnAdapterTest, DevicesThisUserMayNotOpenAreReportedAndRefused) {
  testsupport::TempDir dir;
  chmod(dir.Path().c_str(), 0755);
  struct Node {
    const char* name;
    mode_t mode;
  };
  for (const Node& n : {Node{"sr0", 0660}, Node{"sr1", 0666}, Node{"sg0", 0600}, Node{"srx", 0600}}) {
    testsupport::WriteFileBytes(dir.File(n.name), {});
    chmod(dir.File(n.name).c_str(), geteuid() == 0 ? n.mode : (n.mode == 0666 ? 0666 : 0));
  }
  const std::string result = AsUnprivileged([&] {
    std::string out;
    for (const DeviceNode& n : DeviceNodeProbe(dir.Path()).List())
      out += n.path.substr(dir.Path().size() + 1) + (n.accessible ? "+" : "-") + ";";
    LibBurnAdapter adapter(dir.Path());
    if (!adapter.Initialize()) return out + "no library";
    DriveHandle handle;
    const GrabResult denied = adapter.Grab(dir.File("sr0"), true, &handle);
    const GrabResult missing = adapter.Grab(dir.File("sr7"), true, &handle);
    out += std::string(denied == GrabResult::Denied ? "denied" : "not denied") + ";";
    out += std::string(missing == GrabResult::Missing ? "missing" : "not missing") + ";";
    std::vector<ScannedDrive> none;
    const std::string note = BurnEngine::ComposeNote(none, adapter.ListDeviceNodes());
    out += note.find(dir.File("sr0")) != std::string::npos && note.find("may not open") != std::string::npos
               ? "note"
               : "no note: " + note;
    adapter.Finish();
    return out;
  });
  EXPECT_EQ(result, "sr0-;sr1+;denied;missing;note");
}

class StdioWrite : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(adapter_.Initialize());
    data_ = Pattern(kBlocks * 2048, 7);
    std::vector<uint8_t> stash = Pattern(kLead, 99);
    stash.insert(stash.end(), data_.begin(), data_.end());
    testsupport::WriteFileBytes(stashPath_, stash);
  }
  void TearDown() override { adapter_.Finish(); }

  WriteRequest Request(uint64_t blocks) {
    WriteRequest r;
    r.audio = false;
    r.tracks.push_back({stashPath_, kLead, blocks * 2048});
    return r;
  }
  DriveHandle GrabImage() {
    DriveHandle handle = kNoDrive;
    EXPECT_EQ(adapter_.Grab("stdio:" + imagePath_, false, &handle), GrabResult::Ok);
    return handle;
  }
  uint64_t ImageSize() {
    struct stat st {};
    return stat(imagePath_.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  }

  static constexpr uint64_t kLead = 5000;
  static constexpr uint64_t kBlocks = 300;
  LibBurnAdapter adapter_;
  testsupport::TempDir dir_;
  std::string stashPath_ = dir_.File("stash.bin");
  std::string imagePath_ = dir_.File("disc.img");
  std::vector<uint8_t> data_;
};

TEST_F(StdioWrite, TheTrackRangeOfTheStashLandsOnTheDisc) {
  const DriveHandle handle = GrabImage();
  const MediaInfo media = adapter_.QueryMedia(handle);
  EXPECT_TRUE(media.present);
  EXPECT_EQ(media.state, DiscState::Blank);
  EXPECT_FALSE(adapter_.Vanished(handle));
  ASSERT_TRUE(adapter_.StartWrite(handle, Request(kBlocks)));
  const Outcome out = WaitIdle(adapter_, handle);
  ASSERT_TRUE(out.idle);
  EXPECT_LE(out.maxSector, static_cast<long>(kBlocks));
  EXPECT_TRUE(adapter_.WroteWell(handle));
  adapter_.Release(handle, false);
  EXPECT_EQ(testsupport::ReadFileBytes(imagePath_), data_);
}

TEST_F(StdioWrite, FailuresOfTheWriteAreReportedAsSuch) {
  struct Case {
    const char* name;
    uint64_t blocks;  // more than the stash holds: no padding
    bool cancel;
  };
  for (const Case& c : {Case{"stash ends early", kBlocks + 50, false}, Case{"cancelled", kBlocks, true}}) {
    SCOPED_TRACE(c.name);
    unlink(imagePath_.c_str());
    const DriveHandle handle = GrabImage();
    WriteRequest request = Request(c.blocks);
    if (c.cancel) {
      // Big enough that it cannot be done before the cancel arrives.
      std::vector<uint8_t> big(64u << 20, 1);
      testsupport::WriteFileBytes(stashPath_, big);
      request = Request((big.size() - kLead) / 2048);
    }
    ASSERT_TRUE(adapter_.StartWrite(handle, request));
    if (c.cancel) adapter_.Cancel(handle);
    ASSERT_TRUE(WaitIdle(adapter_, handle).idle);
    EXPECT_FALSE(adapter_.WroteWell(handle));
    adapter_.Release(handle, false);
  }
}

TEST_F(StdioWrite, ASimulationWritesNothing) {
  const DriveHandle handle = GrabImage();
  WriteRequest request = Request(kBlocks);
  request.simulate = true;
  ASSERT_TRUE(adapter_.StartWrite(handle, request));
  ASSERT_TRUE(WaitIdle(adapter_, handle).idle);
  EXPECT_TRUE(adapter_.WroteWell(handle));
  adapter_.Release(handle, false);
  EXPECT_EQ(ImageSize(), 0u);
}

TEST_F(StdioWrite, RefusedJobsNeverStart) {
  const DriveHandle handle = GrabImage();
  WriteRequest audio = Request(kBlocks);
  audio.audio = true;  // a pseudo-drive takes no audio
  audio.tracks[0].bytes = 100 * 2352;
  EXPECT_FALSE(adapter_.StartWrite(handle, audio));
  WriteRequest missing = Request(kBlocks);
  missing.tracks[0].path = dir_.File("nothing.bin");
  EXPECT_FALSE(adapter_.StartWrite(handle, missing));
  // The drive is still free for a good job.
  ASSERT_TRUE(adapter_.StartWrite(handle, Request(kBlocks)));
  ASSERT_TRUE(WaitIdle(adapter_, handle).idle);
  EXPECT_TRUE(adapter_.WroteWell(handle));
  adapter_.Release(handle, false);
}

TEST_F(StdioWrite, AWriteThisUserMayNotMakeFails) {
  const std::string locked = dir_.File("locked");
  ASSERT_EQ(mkdir(locked.c_str(), 0500), 0);
  chmod(dir_.Path().c_str(), 0755);
  chmod(stashPath_.c_str(), 0644);
  adapter_.Finish();  // the child starts the library for itself
  const std::string result = AsUnprivileged([&] {
    LibBurnAdapter adapter;
    if (!adapter.Initialize()) return std::string("no library");
    DriveHandle handle = kNoDrive;
    if (adapter.Grab("stdio:" + locked + "/disc.img", false, &handle) != GrabResult::Ok) {
      adapter.Finish();
      return std::string("refused at grab");
    }
    bool well = false;
    if (adapter.StartWrite(handle, Request(kBlocks))) {
      WaitIdle(adapter, handle);
      well = adapter.WroteWell(handle);
    }
    adapter.Release(handle, false);
    adapter.Finish();
    return std::string(well ? "written" : "refused");
  });
  EXPECT_NE(result.find("refused"), std::string::npos) << result;
  struct stat st {};
  EXPECT_NE(stat((locked + "/disc.img").c_str(), &st), 0);
  ASSERT_TRUE(adapter_.Initialize());
}
