#include <gtest/gtest.h>

#include <fcntl.h>
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

TEST(CueSheet, PlacesEveryTrackAtItsSectorOffset) {
  for (auto [sector, msf] : std::vector<std::pair<uint64_t, std::string>>{
           {0, "00:00:00"}, {74, "00:00:74"}, {75, "00:01:00"}, {4500, "01:00:00"}, {333000 - 1, "73:59:74"}})
    EXPECT_EQ(CCueSheet::Msf(sector), msf) << sector;
  EXPECT_EQ(CCueSheet::Text("disc-0001.bin", {300, 4275, 301}),
            "FILE \"disc-0001.bin\" BINARY\n"
            "  TRACK 01 AUDIO\n"
            "    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n"
            "    INDEX 01 00:04:00\n"
            "  TRACK 03 AUDIO\n"
            "    INDEX 01 01:01:00\n");
}

TEST(AudioStash, RefusesWhatARecorderCouldNotBurn) {
  const uint64_t kCapacity = 1000;
  std::vector<BYTE> block(kBlock * 2, 0x5A);
  struct Case {
    const char* name;
    std::function<HRESULT(CAudioStash&)> steps;  // the last step's result is checked
    HRESULT expected;
  };
  auto add = [&](CAudioStash& s, LONG blocks) { return s.AddBlocks(block.data(), blocks * kBlock, kCapacity); };
  auto fill = [&](CAudioStash& s, LONG blocks) {
    for (LONG i = 0; i < blocks; ++i)
      if (HRESULT hr = add(s, 1); hr != S_OK) return hr;
    return S_OK;
  };
  // A track of `announced` blocks with `filled` of them added, then `next`.
  auto opened = [&](LONG announced, LONG filled, std::function<HRESULT(CAudioStash&)> next) {
    return [=](CAudioStash& s) {
      (void)s.CreateTrack(announced, kCapacity);
      (void)fill(s, filled);
      return next(s);
    };
  };
  const std::vector<Case> cases = {
      {"blocks without a track", [&](CAudioStash& s) { return add(s, 1); }, IMAPI_E_TRACKNOTOPEN},
      {"close without a track", [&](CAudioStash& s) { return s.CloseTrack(); }, IMAPI_E_TRACKNOTOPEN},
      {"track while one is open", opened(300, 0, [&](CAudioStash& s) { return s.CreateTrack(300, kCapacity); }),
       IMAPI_E_TRACKOPEN},
      {"zero blocks", [&](CAudioStash& s) { return s.CreateTrack(0, kCapacity); }, E_INVALIDARG},
      {"negative blocks", [&](CAudioStash& s) { return s.CreateTrack(-5, kCapacity); }, E_INVALIDARG},
      {"shorter than four seconds", [&](CAudioStash& s) { return s.CreateTrack(299, kCapacity); },
       IMAPI_E_TRACK_NOT_BIG_ENOUGH},
      {"more than the disc holds", [&](CAudioStash& s) { return s.CreateTrack(1001, kCapacity); }, IMAPI_E_DISCFULL},
      {"second track beyond the disc",
       opened(700, 700, [&](CAudioStash& s) { return (void)s.CloseTrack(), s.CreateTrack(301, kCapacity); }),
       IMAPI_E_DISCFULL},
      {"byte count not a multiple of a block",
       opened(300, 0, [&](CAudioStash& s) { return s.AddBlocks(block.data(), kBlock + 1, kCapacity); }), E_INVALIDARG},
      {"zero bytes", opened(300, 0, [&](CAudioStash& s) { return s.AddBlocks(block.data(), 0, kCapacity); }),
       E_INVALIDARG},
      {"no buffer", opened(300, 0, [&](CAudioStash& s) { return s.AddBlocks(nullptr, kBlock, kCapacity); }), E_POINTER},
      {"more blocks than announced", opened(300, 300, [&](CAudioStash& s) { return add(s, 1); }), E_INVALIDARG},
      {"more blocks than the disc holds", opened(1000, 999, [&](CAudioStash& s) { return add(s, 2); }),
       IMAPI_E_DISCFULL},
      {"closed short", opened(300, 299, [&](CAudioStash& s) { return s.CloseTrack(); }), IMAPI_E_TRACK_NOT_BIG_ENOUGH},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    CAudioStash stash(dir.Path());
    EXPECT_EQ(c.steps(stash), c.expected);
    // Nothing refused is ever offered for recording.
    uint64_t listed = 0;
    for (auto& t : stash.Tracks()) listed += t.blocks;
    EXPECT_EQ(listed, stash.RecordableBlocks());
    EXPECT_LE(stash.RecordableBlocks(), kCapacity);
  }
}

TEST(AudioStash, ATrackClosedShortStaysOpenAndIsNeverListed) {
  TempDir dir;
  CAudioStash stash(dir.Path());
  std::vector<BYTE> block(kBlock, 1);
  ASSERT_EQ(stash.CreateTrack(300, 1000), S_OK);
  for (int i = 0; i < 299; ++i) ASSERT_EQ(stash.AddBlocks(block.data(), kBlock, 1000), S_OK);
  EXPECT_EQ(stash.CloseTrack(), IMAPI_E_TRACK_NOT_BIG_ENOUGH);
  EXPECT_TRUE(stash.IsTrackOpen());
  EXPECT_TRUE(stash.Tracks().empty());
  // Filling it up makes it closable.
  ASSERT_EQ(stash.AddBlocks(block.data(), kBlock, 1000), S_OK);
  EXPECT_EQ(stash.CloseTrack(), S_OK);
  ASSERT_EQ(stash.Tracks().size(), 1u);
  EXPECT_EQ(stash.Tracks()[0].blocks, 300u);
}

TEST(AudioStash, StagesToDiskAndRemovesItsFileAtTheEnd) {
  TempDir dir;
  std::string path;
  {
    CAudioStash stash(dir.Path());
    EXPECT_TRUE(Entries(dir.Path()).empty());  // nothing before the first track
    ASSERT_EQ(stash.CreateTrack(300, 1000), S_OK);
    std::vector<BYTE> blocks(kBlock * 300);
    for (size_t i = 0; i < blocks.size(); ++i) blocks[i] = static_cast<BYTE>(i * 7);
    ASSERT_EQ(stash.AddBlocks(blocks.data(), static_cast<LONG>(blocks.size()), 1000), S_OK);
    ASSERT_EQ(stash.CloseTrack(), S_OK);
    path = stash.Path();
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(dir.Path()));
    EXPECT_EQ(testsupport::ReadFileBytes(path), std::vector<uint8_t>(blocks.begin(), blocks.end()));
  }
  EXPECT_FALSE(fs::exists(path));
}

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
  EXPECT_EQ(stash.Tracks().size(), 99u);
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

TEST(TrayState, SurvivesAndFallsBackToABlankDisc) {
  TempDir dir;
  EXPECT_TRUE(CTrayState::Read(dir.Path(), "cd-rw").m_bBlank);
  EXPECT_EQ(CTrayState::Read(dir.Path(), "cd-rw").m_strMedia, "cd-rw");
  CTrayState recorded;
  recorded.m_bBlank = false;
  recorded.m_strMedia = "cd-r";
  recorded.m_strImage = "disc-0007";
  recorded.m_nTracks = 2;
  recorded.m_nBlocks = 751;
  ASSERT_TRUE(recorded.Write(dir.Path()));
  CTrayState back = CTrayState::Read(dir.Path(), "cd-rw");
  EXPECT_FALSE(back.m_bBlank);
  EXPECT_EQ(back.m_strMedia, "cd-r");
  EXPECT_EQ(back.m_strImage, "disc-0007");
  EXPECT_EQ(back.m_nTracks, 2u);
  EXPECT_EQ(back.m_nBlocks, 751u);
  EXPECT_EQ(back.Describe(), "CD-R with disc-0007 (2 tracks)");
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{".tray"});  // no temporary left
  // Damaged state reads as a fresh blank disc rather than as a recorded one.
  for (const char* text : {"state=recorded\ntracks=x\n", "state=maybe\n", "garbage"}) {
    SCOPED_TRACE(text);
    std::ofstream(dir.File(".tray"), std::ios::trunc) << text;
    EXPECT_TRUE(CTrayState::Read(dir.Path(), "cd-r").m_bBlank);
  }
}

TEST(VirtualRecorderStore, ChecksTheInquiryWidthsAndTheChoices) {
  VirtualRecorderConfig good;
  good.folder = "/tmp/x";
  EXPECT_EQ(CVirtualRecorderStore::Check(good), "");
  struct Case {
    const char* name;
    std::function<void(VirtualRecorderConfig&)> change;
    bool ok;
  };
  const std::vector<Case> cases = {
      {"vendor of 8", [](auto& c) { c.vendor = "ABCDEFGH"; }, true},
      {"vendor of 9", [](auto& c) { c.vendor = "ABCDEFGHI"; }, false},
      {"empty vendor", [](auto& c) { c.vendor = ""; }, false},
      {"product of 16", [](auto& c) { c.product = "0123456789ABCDEF"; }, true},
      {"product of 17", [](auto& c) { c.product = "0123456789ABCDEFG"; }, false},
      {"revision of 4", [](auto& c) { c.revision = "1.23"; }, true},
      {"revision of 5", [](auto& c) { c.revision = "1.234"; }, false},
      {"non-ASCII product", [](auto& c) { c.product = "Br\xC3\xBC"; }, false},
      {"relative folder", [](auto& c) { c.folder = "rel/dir"; }, false},
      {"cd-rw", [](auto& c) { c.media = "cd-rw"; }, true},
      {"dvd", [](auto& c) { c.media = "dvd-r"; }, false},
      {"74 minutes", [](auto& c) { c.minutes = 74; }, true},
      {"90 minutes", [](auto& c) { c.minutes = 90; }, false},
      {"speed 100", [](auto& c) { c.speed = 100; }, true},
      {"speed 101", [](auto& c) { c.speed = 101; }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualRecorderConfig config = good;
    c.change(config);
    EXPECT_EQ(CVirtualRecorderStore::Check(config).empty(), c.ok);
  }
}

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
  EXPECT_EQ(loaded[0].folder, "/tmp/recorder-0");
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
