// `cantrel burn` killed with SIGKILL at many moments of a burn. Whatever the
// moment, the recorder folder holds only complete and correct images, the
// tray describes what is really there, the next burn succeeds, and the
// killed process's stash and temporary files are gone after it.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

#include "tests/robust/CBurnRig.h"
#include "tests/robust/CChildProcess.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

enum class Phase {
  Start,      // counted from the start of the process
  Staging,    // the process's stash file exists, no image file yet
  Recording,  // its temporary image file exists
  Closing,    // a new image has its binary under the final name
  Published,  // a new image has its cue sheet
};

struct KillPoint {
  const char* name;
  Phase phase;
  int nDelayMs;  // after the phase was seen
};

constexpr KillPoint kKillPoints[] = {
    {"at once", Phase::Start, 0},
    {"while starting up", Phase::Start, 120},
    {"at the first staged block", Phase::Staging, 0},
    {"in the middle of staging", Phase::Staging, 15},
    {"as recording starts", Phase::Recording, 0},
    {"while recording", Phase::Recording, 300},
    {"late in the recording", Phase::Recording, 1500},
    {"while closing the disc", Phase::Closing, 0},
    {"after the cue sheet, before the eject", Phase::Published, 0},
};

bool HasPrefixedFile(const std::string& folder, const std::string& prefix, const std::string& contains = {}) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    std::string name = e.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && (contains.empty() || name.find(contains) != std::string::npos)) return true;
  }
  return false;
}

// Images in the folder with that extension under their final name.
size_t CountFinal(const std::string& folder, const std::string& ext) {
  size_t n = 0;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    n += e.path().filename().string().rfind("disc-", 0) == 0 && e.path().extension() == ext;
  return n;
}

// True when the phase was seen before the process ended.
bool WaitForPhase(CChildProcess& child, const std::string& folder, Phase phase) {
  const std::string ext = phase == Phase::Closing ? ".bin" : ".cue";
  const size_t nBefore = CountFinal(folder, ext);
  const std::string pid = std::to_string(child.Pid());
  auto deadline = Clock::now() + std::chrono::seconds(60);
  while (child.Running() && Clock::now() < deadline) {
    bool seen = false;
    switch (phase) {
      case Phase::Start:
        return true;
      case Phase::Staging:
        seen = HasPrefixedFile(folder, ".stash-" + pid + "-") && !HasPrefixedFile(folder, ".disc-", ".tmp-" + pid);
        break;
      case Phase::Recording:
        seen = HasPrefixedFile(folder, ".disc-", ".bin.tmp-" + pid);
        break;
      case Phase::Closing:
      case Phase::Published:
        seen = CountFinal(folder, ext) > nBefore;
        break;
    }
    if (seen) return true;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return false;
}

class KilledBurn : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_rig.Ready()) << m_rig.Problem();
    m_folder = m_rig.AddRecorder(16);  // 1200 blocks a second: about 2.5 s for the long burn
    ASSERT_TRUE(m_rig.Ready()) << m_rig.Problem();
    for (auto [name, blocks, extra] : {std::tuple{"a.wav", 1000u, 17u}, {"b.wav", 1200u, 0u}, {"c.wav", 800u, 5u}}) {
      auto audio = m_rig.MakeWav(name, blocks, extra);
      m_long.insert(m_long.end(), audio.begin(), audio.end());
    }
    m_short = m_rig.MakeWav("s.wav", 300, 1);
  }

  // Every image in the folder is one of the two burns, whole, with a cue
  // sheet that describes it; a binary may lack its cue sheet only when the
  // process died between the two renames. Returns the images.
  std::set<std::string> CheckImages() {
    std::set<std::string> images;
    for (const std::string& base : CBurnRig::Images(m_folder)) {
      SCOPED_TRACE(base);
      const std::string bin = m_folder + "/" + base + ".bin", cue = m_folder + "/" + base + ".cue";
      EXPECT_TRUE(fs::exists(bin)) << "a cue sheet without its binary";
      if (!fs::exists(bin)) continue;
      auto bytes = testsupport::ReadFileBytes(bin);
      bool isLong = bytes == m_long, isShort = bytes == m_short;
      EXPECT_TRUE(isLong || isShort) << "an image of " << bytes.size() << " bytes that no burn wrote";
      if (fs::exists(cue)) {
        EXPECT_EQ(CBurnRig::CueTracks(cue, base + ".bin"), isLong ? 3 : 1);
      }
      images.insert(base);
    }
    return images;
  }

  // The tray holds a blank disc, or the recorded disc whose image is whole.
  void CheckTray(const std::set<std::string>& images) {
    auto tray = CBurnRig::Tray(m_folder);
    if (tray.empty() || tray["state"] == "blank") return;
    ASSERT_EQ(tray["state"], "recorded");
    EXPECT_EQ(images.count(tray["image"]), 1u) << "the tray names an image that is not there: " << tray["image"];
    EXPECT_TRUE(fs::exists(m_folder + "/" + tray["image"] + ".cue"));
  }

  CBurnRig m_rig;
  std::string m_folder;
  std::vector<uint8_t> m_long, m_short;
};

TEST_F(KilledBurn, EveryMomentLeavesWholeImagesAConsistentTrayAndABurnableRecorder) {
  std::set<Phase> seen;
  int nLeftBehind = 0;  // kills that left stash or temporary files for the next burn to clean
  for (const KillPoint& point : kKillPoints) {
    SCOPED_TRACE(point.name);
    CChildProcess burn({m_rig.Bin("cantrel"), "burn", "--drive", "0", m_rig.Path("a.wav"), m_rig.Path("b.wav"),
                        m_rig.Path("c.wav")});
    bool bSeen = WaitForPhase(burn, m_folder, point.phase);
    if (bSeen) {
      seen.insert(point.phase);
      std::this_thread::sleep_for(std::chrono::milliseconds(point.nDelayMs));
    }
    burn.Kill(SIGKILL);
    int status = burn.Wait();
    // Too late is possible on a loaded machine: then the burn must have worked.
    if (status != -SIGKILL) {
      EXPECT_EQ(status, 0) << burn.Err();
    }

    auto images = CheckImages();
    CheckTray(images);
    const size_t nWorkFiles = CBurnRig::WorkFiles(m_folder).size();
    nLeftBehind += nWorkFiles > 0;
    std::printf("  %-40s %s, exit %d, %zu images, %zu work files left, tray %s\n", point.name,
                bSeen ? "phase seen" : "phase missed", status, images.size(), nWorkFiles,
                CBurnRig::Tray(m_folder)["state"].c_str());
    if (CBurnRig::Tray(m_folder)["state"] == "recorded") {
      auto eject = testsupport::RunProcess({m_rig.Bin("cantrel"), "eject", "--drive", "0"});
      ASSERT_EQ(eject.status, 0) << eject.err;
      ASSERT_NE(CBurnRig::Tray(m_folder)["state"], "recorded") << "eject left the recorded disc in the tray";
    }

    // The next burn on the recorder works and cleans up after the killed one.
    auto next = testsupport::RunProcess({m_rig.Bin("cantrel"), "burn", "--drive", "0", m_rig.Path("s.wav")});
    ASSERT_EQ(next.status, 0) << next.err;
    auto after = CheckImages();
    EXPECT_EQ(after.size(), images.size() + 1) << "the next burn made no new image";
    EXPECT_EQ(CBurnRig::WorkFiles(m_folder), std::vector<std::string>{}) << "stash or temporary files left behind";
  }
  // The moments in the middle of a burn were really hit, not only missed.
  EXPECT_TRUE(seen.count(Phase::Staging)) << "no kill landed while staging";
  EXPECT_TRUE(seen.count(Phase::Recording)) << "no kill landed while recording";
  EXPECT_GT(nLeftBehind, 0) << "no kill left anything to clean, so the cleaning went untested";
}

}  // namespace
