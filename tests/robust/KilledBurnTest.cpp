// `cantrel burn` killed with SIGKILL at a moment of a burn. Whatever the
// moment, the recorder folder holds only complete and correct images, the
// tray describes what is really there, the next burn succeeds, and the
// killed process's stash and temporary files are gone after it.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "tests/tools/cantrel/ToolsTestBed.h"

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

// The image the recorder's tray file names when it holds a recorded disc.
std::string RecordedImage(const std::string& folder) {
  std::map<std::string, std::string> tray;
  std::ifstream in(folder + "/.tray");
  for (std::string line; std::getline(in, line);)
    if (auto eq = line.find('='); eq != std::string::npos) tray[line.substr(0, eq)] = line.substr(eq + 1);
  return tray["state"] == "recorded" ? tray["image"] : "";
}

// True when the phase was seen before the process ended.
bool WaitForPhase(std::future<testsupport::ProcessResult>& child, pid_t nPid, const std::string& folder,
                  Phase phase) {
  const std::string pid = std::to_string(nPid);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (phase != Phase::Start && child.wait_for(std::chrono::seconds(0)) != std::future_status::ready &&
         std::chrono::steady_clock::now() < deadline) {
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
    m_folder = m_bed.AddRecorder("16");  // 1200 blocks a second: about 2.5 s for the long burn
    for (auto [name, size] : {std::pair{"a.wav", 2352 * 1000 + 17}, {"b.wav", 2352 * 1200}, {"c.wav", 2352 * 800 + 5}}) {
      auto audio = ToolsTestBed::Padded(testsupport::MakeWav(m_bed.m_files.File(name), size));
      m_long.insert(m_long.end(), audio.begin(), audio.end());
    }
    m_short = ToolsTestBed::Padded(testsupport::MakeWav(m_bed.m_files.File("s.wav"), 2352 * 300 + 1));
  }

  // Every image is one of the two burns, whole, with a cue sheet of its
  // track count; a binary may lack its cue sheet only when the process died
  // between the two renames.
  void CheckImagesAndTray() {
    std::set<std::string> images;
    for (const std::string& base : m_bed.Images(m_folder)) {
      SCOPED_TRACE(base);
      const std::string bin = base + ".bin", cue = base + ".cue";
      ASSERT_TRUE(fs::exists(bin)) << "a cue sheet without its binary";
      auto bytes = testsupport::ReadFileBytes(bin);
      EXPECT_TRUE(bytes == m_long || bytes == m_short) << "an image of " << bytes.size() << " bytes no burn wrote";
      if (fs::exists(cue)) {
        std::stringstream text;
        text << std::ifstream(cue).rdbuf();
        EXPECT_NE(text.str().find(bytes == m_long ? "TRACK 03" : "TRACK 01"), std::string::npos) << text.str();
      }
      images.insert(base.substr(m_folder.size() + 1));
    }
    if (const std::string image = RecordedImage(m_folder); !image.empty()) {
      EXPECT_EQ(images.count(image), 1u) << "the tray names an image that is not there: " << image;
      EXPECT_TRUE(fs::exists(m_folder + "/" + image + ".cue"));
    }
  }

  ToolsTestBed m_bed{true, false};
  std::string m_folder;
  std::vector<uint8_t> m_long, m_short;
};

TEST_P(KilledBurn, LeavesWholeImagesAConsistentTrayAndABurnableRecorder) {
  pid_t pid = 0;
  auto burn = ToolsTestBed::Start({ToolsTestBed::Bin("cantrel"), "burn", "--drive", "0", m_bed.m_files.File("a.wav"),
                                   m_bed.m_files.File("b.wav"), m_bed.m_files.File("c.wav")},
                                  &pid);
  const bool bSeen = WaitForPhase(burn, pid, m_folder, GetParam().phase);
  if (bSeen) std::this_thread::sleep_for(std::chrono::milliseconds(GetParam().nDelayMs));
  if (burn.wait_for(std::chrono::seconds(0)) != std::future_status::ready) kill(pid, SIGKILL);
  const testsupport::ProcessResult killed = burn.get();
  // Too late is possible on a loaded machine: then the burn must have worked.
  if (killed.status != -SIGKILL) {
    EXPECT_EQ(killed.status, 0) << killed.err;
  }
  // The middle of a recording is long enough never to be missed, and leaves
  // work files for the next burn to clean.
  if (GetParam().phase == Phase::Recording) {
    EXPECT_TRUE(bSeen);
    EXPECT_FALSE(ToolsTestBed::WorkFiles(m_folder).empty());
  }
  CheckImagesAndTray();
  if (!RecordedImage(m_folder).empty()) {
    auto eject = m_bed.Cantrel({"eject", "--drive", "0"});
    ASSERT_EQ(eject.status, 0) << eject.err;
  }

  const size_t nImages = m_bed.Images(m_folder).size();
  auto next = m_bed.Cantrel({"burn", "--drive", "0", m_bed.m_files.File("s.wav")});
  ASSERT_EQ(next.status, 0) << next.err;
  CheckImagesAndTray();
  EXPECT_EQ(m_bed.Images(m_folder).size(), nImages + 1) << "the next burn made no new image";
  EXPECT_EQ(ToolsTestBed::WorkFiles(m_folder), std::vector<std::string>{}) << "stash or temporary files left behind";
}

INSTANTIATE_TEST_SUITE_P(Moments, KilledBurn,
                         ::testing::Values(KillPoint{"AtOnce", Phase::Start, 0},
                                           KillPoint{"WhileStaging", Phase::Staging, 0},
                                           KillPoint{"AsRecordingStarts", Phase::Recording, 0},
                                           KillPoint{"LateInTheRecording", Phase::Recording, 1500},
                                           KillPoint{"WhileClosingTheDisc", Phase::Closing, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
