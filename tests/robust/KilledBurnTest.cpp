// `cantrel burn` killed with SIGKILL at a moment of a burn. Whatever the
// moment, the recorder folder holds only complete and correct images, the
// tray describes what is really there, the next burn succeeds, and the
// killed process's stash and temporary files are gone after it.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "tests/robust/CBurnRig.h"
#include "tests/robust/CChildProcess.h"

namespace {

namespace fs = std::filesystem;

enum class Phase {
  Start,      // counted from the start of the process
  Staging,    // the process's stash file exists, no image file yet
  Recording,  // its temporary image file exists
  Closing,    // a new image has its binary under the final name
};

struct KillPoint {
  const char* name;
  Phase phase;
  int nDelayMs;  // after the phase was seen
};
void PrintTo(const KillPoint& row, std::ostream* os) { *os << row.name; }

bool HasFile(const std::string& folder, const std::string& prefix, const std::string& contains) {
  for (const auto& e : fs::directory_iterator(folder)) {
    std::string name = e.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && name.find(contains) != std::string::npos) return true;
  }
  return false;
}

// True when the phase was seen before the process ended.
bool WaitForPhase(CChildProcess& child, const std::string& folder, Phase phase) {
  const std::string pid = std::to_string(child.Pid());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (phase != Phase::Start && child.Running() && std::chrono::steady_clock::now() < deadline) {
    if (phase == Phase::Staging && HasFile(folder, ".stash-" + pid + "-", "") &&
        !HasFile(folder, ".disc-", ".tmp-" + pid))
      return true;
    if (phase == Phase::Recording && HasFile(folder, ".disc-", ".bin.tmp-" + pid)) return true;
    if (phase == Phase::Closing && HasFile(folder, "disc-", ".bin")) return true;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return phase == Phase::Start;
}

class KilledBurn : public ::testing::TestWithParam<KillPoint> {
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

  // Every image is one of the two burns, whole, with a cue sheet of its
  // track count; a binary may lack its cue sheet only when the process died
  // between the two renames.
  void CheckImagesAndTray() {
    std::set<std::string> images;
    for (const std::string& base : CBurnRig::Images(m_folder)) {
      SCOPED_TRACE(base);
      const std::string bin = m_folder + "/" + base + ".bin", cue = m_folder + "/" + base + ".cue";
      ASSERT_TRUE(fs::exists(bin)) << "a cue sheet without its binary";
      auto bytes = testsupport::ReadFileBytes(bin);
      EXPECT_TRUE(bytes == m_long || bytes == m_short) << "an image of " << bytes.size() << " bytes no burn wrote";
      if (fs::exists(cue)) {
        std::stringstream text;
        text << std::ifstream(cue).rdbuf();
        EXPECT_NE(text.str().find(bytes == m_long ? "TRACK 03" : "TRACK 01"), std::string::npos) << text.str();
      }
      images.insert(base);
    }
    auto tray = CBurnRig::Tray(m_folder);
    if (tray["state"] == "recorded") {
      EXPECT_EQ(images.count(tray["image"]), 1u) << "the tray names an image that is not there: " << tray["image"];
      EXPECT_TRUE(fs::exists(m_folder + "/" + tray["image"] + ".cue"));
    }
  }

  CBurnRig m_rig;
  std::string m_folder;
  std::vector<uint8_t> m_long, m_short;
};

TEST_P(KilledBurn, LeavesWholeImagesAConsistentTrayAndABurnableRecorder) {
  CChildProcess burn({m_rig.Bin("cantrel"), "burn", "--drive", "0", m_rig.Path("a.wav"), m_rig.Path("b.wav"),
                      m_rig.Path("c.wav")});
  const bool bSeen = WaitForPhase(burn, m_folder, GetParam().phase);
  if (bSeen) std::this_thread::sleep_for(std::chrono::milliseconds(GetParam().nDelayMs));
  burn.Kill(SIGKILL);
  const int status = burn.Wait();
  // Too late is possible on a loaded machine: then the burn must have worked.
  if (status != -SIGKILL) {
    EXPECT_EQ(status, 0) << burn.Err();
  }
  // The middle of a recording is long enough never to be missed, and leaves
  // work files for the next burn to clean.
  if (GetParam().phase == Phase::Recording) {
    EXPECT_TRUE(bSeen);
    EXPECT_FALSE(CBurnRig::WorkFiles(m_folder).empty());
  }
  CheckImagesAndTray();
  if (CBurnRig::Tray(m_folder)["state"] == "recorded") {
    auto eject = testsupport::RunProcess({m_rig.Bin("cantrel"), "eject", "--drive", "0"});
    ASSERT_EQ(eject.status, 0) << eject.err;
  }

  const size_t nImages = CBurnRig::Images(m_folder).size();
  auto next = testsupport::RunProcess({m_rig.Bin("cantrel"), "burn", "--drive", "0", m_rig.Path("s.wav")});
  ASSERT_EQ(next.status, 0) << next.err;
  CheckImagesAndTray();
  EXPECT_EQ(CBurnRig::Images(m_folder).size(), nImages + 1) << "the next burn made no new image";
  EXPECT_EQ(CBurnRig::WorkFiles(m_folder), std::vector<std::string>{}) << "stash or temporary files left behind";
}

INSTANTIATE_TEST_SUITE_P(Moments, KilledBurn,
                         ::testing::Values(KillPoint{"AtOnce", Phase::Start, 0},
                                           KillPoint{"WhileStaging", Phase::Staging, 0},
                                           KillPoint{"AsRecordingStarts", Phase::Recording, 0},
                                           KillPoint{"LateInTheRecording", Phase::Recording, 1500},
                                           KillPoint{"WhileClosingTheDisc", Phase::Closing, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
