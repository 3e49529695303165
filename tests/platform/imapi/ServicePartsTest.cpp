#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/CAudioStash.h"
#include "platform/imapi/service/CCueSheet.h"
#include "platform/imapi/service/CTrayState.h"
#include "platform/imapi/service/CVirtualRecorder.h"
#include "platform/imapi/service/CVirtualRecorderStore.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

constexpr LONG kBlock = CAudioStash::kBlockBytes;

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> out;
  for (auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

template <class Row>
std::string RowName(const ::testing::TestParamInfo<Row>& info) {
  return info.param.name;
}

// 75 frames a second: 4575 + 1 is a minute, a second and a frame.
TEST(CueSheet, PlacesEveryTrackAtTheSumOfTheOnesBefore) {
  EXPECT_EQ(CCueSheet::Text("disc-0001.bin", {300, 4276, 301}),
            "FILE \"disc-0001.bin\" BINARY\n"
            "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    INDEX 01 00:04:00\n"
            "  TRACK 03 AUDIO\n    INDEX 01 01:01:01\n");
}

// A refusal of the stash: the steps, of which the last one's result counts.
struct StashRow {
  const char* name;
  std::function<HRESULT(CAudioStash&)> steps;
  HRESULT expected;
};
void PrintTo(const StashRow& row, std::ostream* os) { *os << row.name; }
constexpr uint64_t kCapacity = 1000;
HRESULT Add(CAudioStash& s, LONG blocks) {
  static const std::vector<BYTE> data(kBlock * 2, 0x5A);
  return s.AddBlocks(data.data(), blocks * kBlock, kCapacity);
}
// A track of `announced` blocks with `filled` of them added, then `next`.
std::function<HRESULT(CAudioStash&)> Opened(LONG announced, LONG filled, std::function<HRESULT(CAudioStash&)> next) {
  return [=](CAudioStash& s) {
    (void)s.CreateTrack(announced, kCapacity);
    for (LONG i = 0; i < filled; ++i) (void)Add(s, 1);
    return next(s);
  };
}

class StashRefusal : public ::testing::TestWithParam<StashRow> {};
TEST_P(StashRefusal, IsReportedAndNothingRefusedIsOfferedForRecording) {
  TempDir dir;
  CAudioStash stash(dir.Path());
  EXPECT_EQ(GetParam().steps(stash), GetParam().expected);
  uint64_t listed = 0;
  for (auto& t : stash.Tracks()) listed += t.blocks;
  EXPECT_EQ(listed, stash.RecordableBlocks());
  EXPECT_LE(stash.RecordableBlocks(), kCapacity);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, StashRefusal,
    ::testing::Values(
        StashRow{"BlocksWithoutATrack", [](CAudioStash& s) { return Add(s, 1); }, IMAPI_E_TRACKNOTOPEN},
        StashRow{"CloseWithoutATrack", [](CAudioStash& s) { return s.CloseTrack(); }, IMAPI_E_TRACKNOTOPEN},
        StashRow{"TrackWhileOneIsOpen", Opened(300, 0, [](CAudioStash& s) { return s.CreateTrack(300, kCapacity); }),
                 IMAPI_E_TRACKOPEN},
        StashRow{"ZeroBlocks", [](CAudioStash& s) { return s.CreateTrack(0, kCapacity); }, E_INVALIDARG},
        StashRow{"ShorterThanFourSeconds", [](CAudioStash& s) { return s.CreateTrack(299, kCapacity); },
                 IMAPI_E_TRACK_NOT_BIG_ENOUGH},
        StashRow{"MoreThanTheDiscHolds", [](CAudioStash& s) { return s.CreateTrack(1001, kCapacity); },
                 IMAPI_E_DISCFULL},
        StashRow{"SecondTrackBeyondTheDisc",
                 Opened(700, 700, [](CAudioStash& s) { return (void)s.CloseTrack(), s.CreateTrack(301, kCapacity); }),
                 IMAPI_E_DISCFULL},
        StashRow{"PartOfABlock",
                 Opened(300, 0,
                        [](CAudioStash& s) {
                          std::vector<BYTE> b(kBlock + 1);
                          return s.AddBlocks(b.data(), kBlock + 1, kCapacity);
                        }),
                 E_INVALIDARG},
        StashRow{"NoBuffer", Opened(300, 0, [](CAudioStash& s) { return s.AddBlocks(nullptr, kBlock, kCapacity); }),
                 E_POINTER},
        StashRow{"MoreBlocksThanAnnounced", Opened(300, 300, [](CAudioStash& s) { return Add(s, 1); }), E_INVALIDARG},
        StashRow{"MoreBlocksThanTheDiscHolds", Opened(1000, 999, [](CAudioStash& s) { return Add(s, 2); }),
                 IMAPI_E_DISCFULL},
        StashRow{"ClosedShort", Opened(300, 299, [](CAudioStash& s) { return s.CloseTrack(); }),
                 IMAPI_E_TRACK_NOT_BIG_ENOUGH}),
    RowName<StashRow>);

TEST(AudioStash, NinetyNineTracksAtMost) {
  TempDir dir;
  CAudioStash stash(dir.Path());
  std::vector<BYTE> track(kBlock * 300, 3);
  for (int i = 0; i < 99; ++i) {
    ASSERT_EQ(stash.CreateTrack(300, 360000), S_OK);
    ASSERT_EQ(stash.AddBlocks(track.data(), static_cast<LONG>(track.size()), 360000), S_OK);
    ASSERT_EQ(stash.CloseTrack(), S_OK);
  }
  EXPECT_EQ(stash.CreateTrack(300, 360000), IMAPI_E_DISCFULL);
}

TEST(AudioStash, LeftoversOfDeadProcessesAreRemovedAndOthersKept) {
  TempDir dir;
  pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  ASSERT_EQ(waitpid(child, nullptr, 0), child);  // its id now names no process
  const std::string dead = std::to_string(child), alive = std::to_string(getppid());
  for (const std::string& name : {".stash-" + dead + "-1", ".disc-0001.bin.tmp-" + dead, ".stash-" + alive + "-1",
                                  std::string("disc-0001.bin"), std::string(".stash-notanumber")})
    testsupport::WriteFileBytes(dir.File(name), {1, 2, 3});
  CAudioStash::CleanStale(dir.Path());
  EXPECT_EQ(Entries(dir.Path()),
            (std::vector<std::string>{".stash-" + alive + "-1", ".stash-notanumber", "disc-0001.bin"}));
}

TEST(TrayState, SurvivesAndDamageReadsAsABlankDisc) {
  TempDir dir;
  EXPECT_TRUE(CTrayState::Read(dir.Path(), "cd-rw").m_bBlank);
  CTrayState recorded;
  recorded.m_bBlank = false;
  recorded.m_strMedia = "cd-r";
  recorded.m_strImage = "disc-0007";
  recorded.m_nTracks = 2;
  recorded.m_nBlocks = 751;
  ASSERT_TRUE(recorded.Write(dir.Path()));
  CTrayState back = CTrayState::Read(dir.Path(), "cd-rw");
  EXPECT_EQ(back.m_nBlocks, 751u);
  EXPECT_EQ(back.Describe(), "CD-R with disc-0007 (2 tracks)");
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{".tray"});  // no temporary left
  for (const char* text : {"state=recorded\ntracks=x\n", "state=maybe\n", "garbage"}) {
    std::ofstream(dir.File(".tray"), std::ios::trunc) << text;
    EXPECT_TRUE(CTrayState::Read(dir.Path(), "cd-r").m_bBlank) << text;
  }
}

struct ConfigRow {
  const char* name;
  std::function<void(VirtualRecorderConfig&)> change;
  bool ok;
};
void PrintTo(const ConfigRow& row, std::ostream* os) { *os << row.name; }
class RecorderConfig : public ::testing::TestWithParam<ConfigRow> {};
TEST_P(RecorderConfig, KeepsToTheInquiryWidthsAndTheChoices) {
  VirtualRecorderConfig config;
  config.folder = "/tmp/x";
  GetParam().change(config);
  EXPECT_EQ(CVirtualRecorderStore::Check(config).empty(), GetParam().ok);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, RecorderConfig,
    ::testing::Values(ConfigRow{"Defaults", [](auto&) {}, true},
                      ConfigRow{"VendorOf8", [](auto& c) { c.vendor = "ABCDEFGH"; }, true},
                      ConfigRow{"VendorOf9", [](auto& c) { c.vendor = "ABCDEFGHI"; }, false},
                      ConfigRow{"EmptyVendor", [](auto& c) { c.vendor = ""; }, false},
                      ConfigRow{"ProductOf16", [](auto& c) { c.product = "0123456789ABCDEF"; }, true},
                      ConfigRow{"ProductOf17", [](auto& c) { c.product = "0123456789ABCDEFG"; }, false},
                      ConfigRow{"RevisionOf4", [](auto& c) { c.revision = "1.23"; }, true},
                      ConfigRow{"RevisionOf5", [](auto& c) { c.revision = "1.234"; }, false},
                      ConfigRow{"NonAsciiProduct", [](auto& c) { c.product = "Br\xC3\xBC"; }, false},
                      ConfigRow{"RelativeFolder", [](auto& c) { c.folder = "rel/dir"; }, false},
                      ConfigRow{"Rewritable", [](auto& c) { c.media = "cd-rw"; }, true},
                      ConfigRow{"Dvd", [](auto& c) { c.media = "dvd-r"; }, false},
                      ConfigRow{"Minutes74", [](auto& c) { c.minutes = 74; }, true},
                      ConfigRow{"Minutes90", [](auto& c) { c.minutes = 90; }, false},
                      ConfigRow{"Speed100", [](auto& c) { c.speed = 100; }, true},
                      ConfigRow{"Speed101", [](auto& c) { c.speed = 101; }, false}),
    RowName<ConfigRow>);

TEST(VirtualRecorderStore, KeepsTheOrderOfAddingAcrossRemovals) {
  testsupport::ScopedRegistry registry;
  CVirtualRecorderStore store;
  auto add = [&](const std::string& name) {
    VirtualRecorderConfig c;
    c.folder = "/tmp/recorder-" + name;
    return store.Add(c);
  };
  std::vector<unsigned> numbers;
  for (int i = 0; i < 11; ++i) numbers.push_back(add(std::to_string(i)));
  EXPECT_TRUE(store.Remove(numbers[1]));
  EXPECT_FALSE(store.Remove(numbers[1]));
  add("last");
  auto loaded = store.Load();
  ASSERT_EQ(loaded.size(), 11u);
  // Numerical, not textual order: key 10 comes after key 9.
  EXPECT_EQ(loaded[1].folder, "/tmp/recorder-2");
  EXPECT_EQ(loaded[9].folder, "/tmp/recorder-10");
  EXPECT_EQ(loaded[10].folder, "/tmp/recorder-last");
  EXPECT_THROW(add("3"), std::invalid_argument);
}

TEST(VirtualRecorder, NumbersImagesAfterTheHighestPresent) {
  TempDir dir;
  EXPECT_EQ(CVirtualRecorder::NextImageNumber(dir.Path()), 1u);
  for (const char* name : {"disc-0002.cue", "disc-0009.bin", "disc-12345.cue", "disc-abcd.bin", ".disc-0400.bin.tmp-1",
                           "disc-0500.wav"})
    testsupport::WriteFileBytes(dir.File(name), {});
  EXPECT_EQ(CVirtualRecorder::NextImageNumber(dir.Path()), 12346u);
}

}  // namespace
