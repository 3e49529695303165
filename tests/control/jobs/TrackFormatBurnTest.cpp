// What a burn makes of each kind of track file on the real service with a
// virtual recorder: 16-bit PCM is recorded; any other sample format, and a
// file replaced after it was added by one the check refuses, ends the burn
// with ErrorEvent 5 and no image.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "control/jobs/ErrorNumbers.h"
#include "platform/imapi/service/CVirtualRecorderStore.h"
#include "tests/control/jobs/JobsTestHost.h"
#include "tests/control/tracks/WavBytes.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace wavbytes;

const Bytes kAudio = Pattern(2352 * 300);  // the shortest track the service takes

struct BurnRow {
  std::string name;
  Bytes added;     // the file as AddAudioTrack sees it
  Bytes burnt;     // the file as the burn finds it; empty: a FIFO
  bool recorded;
};

void PrintTo(const BurnRow& row, std::ostream* os) { *os << row.name; }

class TrackFormatBurn : public ::testing::TestWithParam<BurnRow> {
 protected:
  void SetUp() override {
    m_hLib = dlopen((testsupport::BinDir() + "/libimapisvc.so").c_str(), RTLD_NOW);
    ASSERT_NE(m_hLib, nullptr) << dlerror();
    auto pfnRegister = reinterpret_cast<HRESULT (*)()>(dlsym(m_hLib, "DllRegisterServer"));
    ASSERT_NE(pfnRegister, nullptr);
    ASSERT_EQ(pfnRegister(), S_OK);
    VirtualRecorderConfig config;
    config.folder = m_recorder.Path();
    config.media = "cd-rw";
    CVirtualRecorderStore().Add(config);
  }
  void TearDown() override {
    if (m_hLib) dlclose(m_hLib);
  }

  testsupport::ScopedRegistry m_registry;
  testsupport::TempDir m_recorder;
  testsupport::TempDir m_tracks;
  void* m_hLib = nullptr;
};

TEST_P(TrackFormatBurn, RecordsOnly16BitPcm) {
  const BurnRow& row = GetParam();
  const std::string path = m_tracks.File("a.wav");
  testsupport::WriteFileBytes(path, row.added);
  JobsTestHost host;
  ASSERT_EQ(host.Call(DISPID_CANTREL_INITCONTROL).boolVal, VARIANT_TRUE);
  host.PutDrive(0);
  ASSERT_EQ(host.Add(path), 0);
  if (row.burnt.empty()) {
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  } else if (row.burnt != row.added) {
    testsupport::WriteFileBytes(path, row.burnt);
  }
  ASSERT_EQ(host.Burn(), 1);
  ASSERT_TRUE(COleControlSite::PumpMessagesUntil(
      [&] { return host.Count(DISPID_EVENT_BURNCOMPLETE) + host.Count(DISPID_EVENT_ERROREVENT) > 0; }, 60000));
  host.Finish();

  const std::string image = m_recorder.File("disc-0001.bin");
  if (row.recorded) {
    EXPECT_EQ(host.Count(DISPID_EVENT_BURNCOMPLETE), 1u);
    EXPECT_EQ(testsupport::ReadFileBytes(image), kAudio);
  } else {
    EXPECT_EQ(host.Count(DISPID_EVENT_BURNCOMPLETE), 0u);
    ASSERT_EQ(host.Count(DISPID_EVENT_ERROREVENT), 1u);
    EXPECT_EQ(host.m_events.back().args.at(0).iVal, CANTREL_ERR_TRACKFILE);
    EXPECT_FALSE(std::filesystem::exists(image));
  }
}

std::vector<BurnRow> BurnRows() {
  std::vector<BurnRow> rows;
  for (const FormatRow& f : FormatRows()) {
    Bytes file = WavFile(f.fmtBody, kAudio);
    rows.push_back({f.name, file, file, f.burnable});
  }
  const Bytes good = WavFile(FmtBlock(), kAudio);
  rows.push_back({"ReplacedByMono", good, WavFile(FmtBlock(1), kAudio), false});
  rows.push_back({"ReplacedBy48kHz", good, WavFile(FmtBlock(2, 48000), kAudio), false});
  rows.push_back({"ReplacedByFifo", good, {}, false});
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Tracks, TrackFormatBurn, ::testing::ValuesIn(BurnRows()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
