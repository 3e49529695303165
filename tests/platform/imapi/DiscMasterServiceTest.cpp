#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/imapi/DiscReadback.h"
#include "platform/imapi/Imapi.h"
#include "platform/registry/Registry.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::RunProcess;

namespace {

constexpr LONG kBlock = 2352;

std::string Bin(const std::string& name) { return testsupport::BinDir() + "/" + name; }

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> out;
  for (auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// The files that look like images: what a person would take for discs.
std::vector<std::string> Images(const std::string& folder) {
  std::vector<std::string> out;
  for (auto& name : Entries(folder))
    if (name.rfind("disc-", 0) == 0) out.push_back(name);
  return out;
}

// Only the recorder's own bookkeeping is in the folder: no image, no stash.
void ExpectNoImageOrStash(const std::string& folder) {
  for (auto& name : Entries(folder)) EXPECT_TRUE(name == ".lock" || name == ".tray") << name;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Audio with a pattern of its own per track, so that a mix-up shows.
std::vector<BYTE> Pattern(LONG blocks, unsigned seed) {
  std::vector<BYTE> v(static_cast<size_t>(blocks) * kBlock);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& b : v) {
    x = x * 1103515245u + 12345u;
    b = static_cast<BYTE>(x >> 16);
  }
  return v;
}

class CTestSink final : public ComObject<CTestSink, IDiscMasterProgressEvents> {
 public:
  void FinalRelease() {}  // lives on the test's stack

  HRESULT QueryCancel(boolean* pbCancel) override {
    ++m_queries;
    *pbCancel = m_cancelAfterBlocks >= 0 && m_lastDone >= m_cancelAfterBlocks;
    return S_OK;
  }
  HRESULT NotifyPnPActivity() override { return S_OK; }
  HRESULT NotifyAddProgress(LONG, LONG) override { return S_OK; }
  HRESULT NotifyBlockProgress(LONG nCompleted, LONG nTotal) override {
    m_maxGap = std::max(m_maxGap, nCompleted - m_lastDone);
    m_lastDone = nCompleted;
    m_total = nTotal;
    return Log("block " + std::to_string(nCompleted) + "/" + std::to_string(nTotal));
  }
  HRESULT NotifyTrackProgress(LONG nCurrentTrack, LONG nTotalTracks) override {
    return Log("track " + std::to_string(nCurrentTrack) + "/" + std::to_string(nTotalTracks));
  }
  HRESULT NotifyPreparingBurn(LONG) override { return Log("preparing"); }
  HRESULT NotifyClosingDisc(LONG) override { return Log("closing"); }
  HRESULT NotifyBurnComplete(HRESULT status) override { return Log("complete " + std::to_string(status)); }
  HRESULT NotifyEraseComplete(HRESULT status) override { return Log("erased " + std::to_string(status)); }
  HRESULT Log(std::string event) {
    m_events.push_back(std::move(event));
    return S_OK;
  }

  // The events other than block progress, in order.
  std::vector<std::string> Milestones() const {
    std::vector<std::string> out;
    for (auto& e : m_events)
      if (e.rfind("block ", 0) != 0) out.push_back(e);
    return out;
  }

  std::vector<std::string> m_events;
  LONG m_lastDone = 0, m_maxGap = 0, m_total = 0;
  int m_queries = 0;
  LONG m_cancelAfterBlocks = -1;
};

class CReadbackSink final : public ComObject<CReadbackSink, IDiscReadbackEvents> {
 public:
  void FinalRelease() {}  // lives on the test's stack
  HRESULT QueryCancel(boolean* pbCancel) override {
    *pbCancel = m_lastDone >= m_cancelAt;
    return S_OK;
  }
  HRESULT NotifyReadProgress(LONG nBlocks, LONG nTotal) override {
    m_lastDone = nBlocks;
    m_total = nTotal;
    return S_OK;
  }
  LONG m_lastDone = 0, m_total = 0, m_cancelAt = 1 << 30;
};

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(CoInitialize(nullptr), 0);
    void* lib = dlopen(Bin("libimapisvc.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto reg = reinterpret_cast<PFN_DllRegisterServer>(dlsym(lib, "DllRegisterServer"));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), S_OK);
    dlclose(lib);
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    CoUninitialize();
  }

  // A virtual recorder added with the tool; returns its folder.
  std::string AddRecorder(const std::vector<std::string>& options = {}) {
    std::string folder = m_dir.File("rec" + std::to_string(++m_count));
    std::vector<std::string> argv = {Bin("discmaster"), "add-virtual", "--folder", folder};
    argv.insert(argv.end(), options.begin(), options.end());
    auto r = RunProcess(argv);
    EXPECT_EQ(r.status, 0) << r.err;
    return folder;
  }

  ComPtr<IDiscMaster> OpenMaster() {
    ComPtr<IDiscMaster> master;
    EXPECT_EQ(CoCreateInstance(CLSID_MSDiscMasterObj, nullptr, CLSCTX_ALL, IID_IDiscMaster,
                               master.ReleaseAndGetVoidAddress()),
              S_OK);
    if (master) {
      EXPECT_EQ(master->Open(), S_OK);
    }
    return master;
  }

  static ComPtr<IRedbookDiscMaster> Redbook(IDiscMaster* master) {
    ComPtr<IRedbookDiscMaster> redbook;
    EXPECT_EQ(master->SetActiveDiscMasterFormat(IID_IRedbookDiscMaster, redbook.ReleaseAndGetVoidAddress()), S_OK);
    return redbook;
  }

  static HRESULT Stage(IRedbookDiscMaster* redbook, const std::vector<BYTE>& audio, LONG blocksPerCall = 1) {
    const LONG blocks = static_cast<LONG>(audio.size() / kBlock);
    if (HRESULT hr = redbook->CreateAudioTrack(blocks); hr != S_OK) return hr;
    for (LONG b = 0; b < blocks; b += blocksPerCall) {
      LONG n = std::min(blocksPerCall, blocks - b);
      HRESULT hr = redbook->AddAudioTrackBlocks(const_cast<BYTE*>(audio.data()) + size_t(b) * kBlock, n * kBlock);
      if (hr != S_OK) return hr;
    }
    return redbook->CloseAudioTrack();
  }

  static UINT_PTR Advise(IDiscMaster* master, CTestSink& sink) {
    UINT_PTR cookie = 0;
    EXPECT_EQ(master->ProgressAdvise(&sink, &cookie), S_OK);
    return cookie;
  }

  static ComPtr<IDiscRecorder> ActiveRecorder(IDiscMaster* master) {
    ComPtr<IDiscRecorder> r;
    EXPECT_EQ(master->GetActiveDiscRecorder(r.ReleaseAndGetAddressOf()), S_OK);
    return r;
  }

  static LONG MediaFlags(IDiscRecorder* recorder) {
    EXPECT_EQ(recorder->OpenExclusive(), S_OK);
    LONG type = 0, flags = 0;
    EXPECT_EQ(recorder->QueryMediaType(&type, &flags), S_OK);
    EXPECT_EQ(recorder->Close(), S_OK);
    return flags;
  }

  testsupport::ScopedRegistry m_registry;
  testsupport::TempDir m_dir;
  int m_count = 0;
};

TEST_F(ServiceTest, RecordsTwoTracksAsAnImageOfExactlyTheStagedBlocks) {
  CTestSink sink;  // outlives the disc master, which holds it
  const std::string folder = AddRecorder();
  ComPtr<IDiscMaster> master = OpenMaster();
  ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
  const auto one = Pattern(300, 1), two = Pattern(451, 2);
  ASSERT_EQ(Stage(redbook.Get(), one), S_OK);
  ASSERT_EQ(Stage(redbook.Get(), two, 50), S_OK);  // several blocks per call, the last call short
  const UINT_PTR cookie = Advise(master.Get(), sink);
  ASSERT_EQ(master->RecordDisc(false, false), S_OK);

  EXPECT_EQ(Images(folder), (std::vector<std::string>{"disc-0001.bin", "disc-0001.cue"}));
  std::vector<uint8_t> expected(one.begin(), one.end());
  expected.insert(expected.end(), two.begin(), two.end());
  EXPECT_TRUE(testsupport::ReadFileBytes(folder + "/disc-0001.bin") == expected);
  EXPECT_EQ(ReadText(folder + "/disc-0001.cue"),
            "FILE \"disc-0001.bin\" BINARY\n"
            "  TRACK 01 AUDIO\n"
            "    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n"
            "    INDEX 01 00:04:00\n");
  // Nothing else is left behind: no stash, no temporary image.
  for (auto& name : Entries(folder)) EXPECT_TRUE(name == ".lock" || name == ".tray" || name.rfind("disc-", 0) == 0) << name;

  EXPECT_EQ(sink.Milestones(), (std::vector<std::string>{"preparing", "track 1/2", "track 2/2", "closing",
                                                         "complete 0"}));
  EXPECT_EQ(sink.m_lastDone, 751);
  EXPECT_EQ(sink.m_total, 751);
  EXPECT_LE(sink.m_maxGap, 751 / 100);  // at least every 1%
  EXPECT_GT(sink.m_queries, 0);

  // The disc is no longer blank; a second recording is refused until ejected.
  ComPtr<IDiscRecorder> recorder = ActiveRecorder(master.Get());
  EXPECT_EQ(MediaFlags(recorder.Get()) & MEDIA_BLANK, 0);
  ASSERT_EQ(Stage(redbook.Get(), one), S_OK);
  EXPECT_EQ(master->RecordDisc(false, true), IMAPI_E_CANNOT_WRITE_TO_MEDIA);
  ASSERT_EQ(recorder->OpenExclusive(), S_OK);
  ASSERT_EQ(recorder->Eject(), S_OK);
  ASSERT_EQ(recorder->Close(), S_OK);
  EXPECT_EQ(MediaFlags(recorder.Get()) & (MEDIA_BLANK | MEDIA_WRITABLE), MEDIA_BLANK | MEDIA_WRITABLE);
  ASSERT_EQ(master->RecordDisc(false, true), S_OK);
  EXPECT_EQ(Images(folder),
            (std::vector<std::string>{"disc-0001.bin", "disc-0001.cue", "disc-0002.bin", "disc-0002.cue"}));
  // Ejected after the burn: a fresh blank disc is waiting.
  EXPECT_NE(MediaFlags(recorder.Get()) & MEDIA_BLANK, 0);
  EXPECT_EQ(testsupport::ReadFileBytes(folder + "/disc-0002.bin"), std::vector<uint8_t>(one.begin(), one.end()));
  EXPECT_EQ(master->ProgressUnadvise(cookie), S_OK);
  EXPECT_EQ(master->Close(), S_OK);
}

TEST_F(ServiceTest, TheRecordedDiscReadsBackWithProgressUntilCancelled) {
  const std::string folder = AddRecorder();
  const auto one = Pattern(300, 1), two = Pattern(451, 2);
  {
    ComPtr<IDiscMaster> master = OpenMaster();
    ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
    ASSERT_EQ(Stage(redbook.Get(), one), S_OK);
    ASSERT_EQ(Stage(redbook.Get(), two), S_OK);
    ASSERT_EQ(master->RecordDisc(false, false), S_OK);
  }
  ComPtr<IDiscAudioReadback> reader;
  ASSERT_EQ(CoCreateInstance(CLSID_DiscAudioReadback, nullptr, CLSCTX_ALL, IID_IDiscAudioReadback,
                             reader.ReleaseAndGetVoidAddress()),
            S_OK);
  EXPECT_EQ(reader->OpenRecorder(1), IMAPI_E_DEVICE_NOTPRESENT);
  ASSERT_EQ(reader->OpenRecorder(0), S_OK);
  LONG tracks = 0, first = 0, blocks = 0;
  ASSERT_EQ(reader->GetTrackCount(&tracks), S_OK);
  EXPECT_EQ(tracks, 2);
  ASSERT_EQ(reader->GetTrackExtent(2, &first, &blocks), S_OK);
  EXPECT_EQ(first, 300);
  EXPECT_EQ(blocks, 451);
  // Taken for exclusive use while it is read.
  ComPtr<IDiscMaster> other = OpenMaster();
  EXPECT_EQ(ActiveRecorder(other.Get())->OpenExclusive(), IMAPI_E_DEVICE_NOTACCESSIBLE);

  CReadbackSink sink;
  ASSERT_EQ(reader->SetEvents(&sink), S_OK);
  std::vector<BYTE> read(size_t{200} * kBlock);
  ASSERT_EQ(reader->ReadAudioBlocks(250, 200, read.data(), static_cast<LONG>(read.size())), S_OK);
  EXPECT_TRUE(std::equal(read.begin(), read.begin() + 50 * kBlock, one.end() - 50 * kBlock));
  EXPECT_TRUE(std::equal(read.begin() + 50 * kBlock, read.end(), two.begin()));
  EXPECT_EQ(sink.m_lastDone, 450);
  EXPECT_EQ(sink.m_total, 751);
  EXPECT_EQ(reader->ReadAudioBlocks(700, 52, read.data(), static_cast<LONG>(read.size())), E_INVALIDARG);
  sink.m_cancelAt = 500;
  EXPECT_EQ(reader->ReadAudioBlocks(450, 200, read.data(), static_cast<LONG>(read.size())), IMAPI_E_USERABORT);
  EXPECT_LT(sink.m_lastDone, 650);
  ASSERT_EQ(reader->SetEvents(nullptr), S_OK);

  // Ejected, the tray holds a blank disc: nothing to read back.
  ASSERT_EQ(reader->Eject(), S_OK);
  ASSERT_EQ(reader->Close(), S_OK);
  EXPECT_EQ(reader->OpenRecorder(0), IMAPI_E_MEDIUM_INVALIDTYPE);
}

TEST_F(ServiceTest, TheImageSplitsBackIntoTheStagedTracks) {
  if (access("/usr/bin/bchunk", X_OK) != 0) GTEST_SKIP() << "bchunk is not installed";
  const std::string folder = AddRecorder();
  ComPtr<IDiscMaster> master = OpenMaster();
  ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
  const auto one = Pattern(300, 5), two = Pattern(377, 6);
  ASSERT_EQ(Stage(redbook.Get(), one), S_OK);
  ASSERT_EQ(Stage(redbook.Get(), two), S_OK);
  ASSERT_EQ(master->RecordDisc(false, false), S_OK);
  const std::string out = m_dir.File("split");
  fs::create_directory(out);
  auto r = RunProcess({"/usr/bin/bchunk", "-w", folder + "/disc-0001.bin", folder + "/disc-0001.cue", out + "/track"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // Each track comes back as a WAV file whose samples follow a 44-byte header.
  for (auto [name, audio] : {std::pair{"track01.wav", &one}, std::pair{"track02.wav", &two}}) {
    SCOPED_TRACE(name);
    auto bytes = testsupport::ReadFileBytes(out + "/" + name);
    ASSERT_EQ(bytes.size(), audio->size() + 44);
    EXPECT_TRUE(std::equal(audio->begin(), audio->end(), bytes.begin() + 44));
  }
}

TEST_F(ServiceTest, RefusedStagingNeverBecomesADisc) {
  struct Case {
    const char* name;
    std::function<HRESULT(IRedbookDiscMaster*)> stage;
    HRESULT staged;
    HRESULT recorded;
  };
  const auto ok = Pattern(300, 3);
  const std::vector<Case> cases = {
      {"nothing staged", [](IRedbookDiscMaster*) { return S_OK; }, S_OK, IMAPI_E_INVALIDIMAGE},
      {"blocks without a track",
       [&](IRedbookDiscMaster* r) { return r->AddAudioTrackBlocks(const_cast<BYTE*>(ok.data()), kBlock); },
       IMAPI_E_TRACKNOTOPEN, IMAPI_E_INVALIDIMAGE},
      {"odd byte count",
       [&](IRedbookDiscMaster* r) {
         (void)r->CreateAudioTrack(300);
         return r->AddAudioTrackBlocks(const_cast<BYTE*>(ok.data()), 1000);
       },
       E_INVALIDARG, IMAPI_E_TRACKOPEN},
      {"too short a track", [](IRedbookDiscMaster* r) { return r->CreateAudioTrack(150); },
       IMAPI_E_TRACK_NOT_BIG_ENOUGH, IMAPI_E_INVALIDIMAGE},
      {"more than a 74-minute disc", [](IRedbookDiscMaster* r) { return r->CreateAudioTrack(333001); },
       IMAPI_E_DISCFULL, IMAPI_E_INVALIDIMAGE},
      {"closed short",
       [&](IRedbookDiscMaster* r) {
         (void)r->CreateAudioTrack(301);
         (void)r->AddAudioTrackBlocks(const_cast<BYTE*>(ok.data()), 300 * kBlock);
         return r->CloseAudioTrack();
       },
       IMAPI_E_TRACK_NOT_BIG_ENOUGH, IMAPI_E_TRACKOPEN},
      {"a good track, then a short one",
       [&](IRedbookDiscMaster* r) {
         (void)Stage(r, ok);
         (void)r->CreateAudioTrack(400);
         return r->CloseAudioTrack();
       },
       IMAPI_E_TRACK_NOT_BIG_ENOUGH, IMAPI_E_TRACKOPEN},
      {"a track opened while one is open",
       [](IRedbookDiscMaster* r) {
         (void)r->CreateAudioTrack(300);
         return r->CreateAudioTrack(300);
       },
       IMAPI_E_TRACKOPEN, IMAPI_E_TRACKOPEN},
  };
  for (const auto& c : cases) {
    CTestSink sink;  // outlives the disc master, which holds it
    SCOPED_TRACE(c.name);
    const std::string folder = AddRecorder({"--minutes", "74"});
    ComPtr<IDiscMaster> master = OpenMaster();
    ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
    EXPECT_EQ(c.stage(redbook.Get()), c.staged);
    Advise(master.Get(), sink);
    EXPECT_EQ(master->RecordDisc(false, false), c.recorded);
    EXPECT_TRUE(Images(folder).empty());
    EXPECT_TRUE(sink.m_events.empty());
    EXPECT_NE(MediaFlags(ActiveRecorder(master.Get()).Get()) & MEDIA_BLANK, 0);
    master->Close();
    EXPECT_EQ(sink.RefCount(), 1u);  // Close gives the sink back
    // The stash went with the disc master's work.
    for (auto& name : Entries(folder)) EXPECT_EQ(name.rfind(".stash-", 0), std::string::npos) << name;
  }
}

TEST_F(ServiceTest, SimulationRunsTheSameStepsAndWritesNothing) {
  const std::string folder = AddRecorder();
  CTestSink sink;  // outlives the disc master, which holds it
  ComPtr<IDiscMaster> master = OpenMaster();
  ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
  ASSERT_EQ(Stage(redbook.Get(), Pattern(320, 4)), S_OK);
  Advise(master.Get(), sink);
  ASSERT_EQ(master->RecordDisc(true, false), S_OK);
  EXPECT_EQ(sink.Milestones(), (std::vector<std::string>{"preparing", "track 1/1", "closing", "complete 0"}));
  EXPECT_EQ(sink.m_lastDone, 320);
  ExpectNoImageOrStash(folder);
  EXPECT_NE(MediaFlags(ActiveRecorder(master.Get()).Get()) & MEDIA_BLANK, 0);
}

TEST_F(ServiceTest, ASinkThatCancelsStopsTheRecordingCleanly) {
  const std::string folder = AddRecorder();
  CTestSink sink;  // outlives the disc master, which holds it
  ComPtr<IDiscMaster> master = OpenMaster();
  ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
  ASSERT_EQ(Stage(redbook.Get(), Pattern(1000, 9)), S_OK);
  sink.m_cancelAfterBlocks = 100;
  Advise(master.Get(), sink);
  EXPECT_EQ(master->RecordDisc(false, false), IMAPI_E_USERABORT);
  EXPECT_LT(sink.m_lastDone, 1000);
  EXPECT_EQ(sink.Milestones().back(), "complete " + std::to_string(IMAPI_E_USERABORT));
  ExpectNoImageOrStash(folder);
  EXPECT_NE(MediaFlags(ActiveRecorder(master.Get()).Get()) & MEDIA_BLANK, 0);
}

TEST_F(ServiceTest, OpenComesFirstAndCloseEndsTheWork) {
  CTestSink sink;  // outlives the disc master, which holds it
  AddRecorder();
  ComPtr<IDiscMaster> master;
  ASSERT_EQ(CoCreateInstance(CLSID_MSDiscMasterObj, nullptr, CLSCTX_ALL, IID_IDiscMaster,
                             master.ReleaseAndGetVoidAddress()),
            S_OK);
  IID format = IID_NULL;
  ComPtr<IEnumDiscRecorders> walk;
  ComPtr<IDiscRecorder> recorder;
  ComPtr<IRedbookDiscMaster> redbook;
  UINT_PTR cookie = 0;
  auto all = [&]() {
    return std::vector<HRESULT>{master->GetActiveDiscMasterFormat(&format),
                                master->SetActiveDiscMasterFormat(IID_IRedbookDiscMaster,
                                                                  redbook.ReleaseAndGetVoidAddress()),
                                master->EnumDiscRecorders(walk.ReleaseAndGetAddressOf()),
                                master->GetActiveDiscRecorder(recorder.ReleaseAndGetAddressOf()),
                                master->ClearFormatContent(),
                                master->ProgressAdvise(&sink, &cookie),
                                master->ProgressUnadvise(1),
                                master->RecordDisc(false, false),
                                master->Close()};
  };
  for (HRESULT hr : all()) EXPECT_EQ(hr, IMAPI_E_NOTOPENED);
  ASSERT_EQ(master->Open(), S_OK);
  EXPECT_EQ(master->Open(), IMAPI_E_ALREADYOPEN);
  ASSERT_EQ(master->GetActiveDiscMasterFormat(&format), S_OK);
  EXPECT_EQ(format, IID_IJolietDiscMaster);
  ASSERT_EQ(master->ProgressAdvise(&sink, &cookie), S_OK);
  EXPECT_EQ(sink.RefCount(), 2u);  // the service holds its own count
  ASSERT_EQ(master->SetActiveDiscMasterFormat(IID_IRedbookDiscMaster, redbook.ReleaseAndGetVoidAddress()), S_OK);
  EXPECT_EQ(master->SetActiveDiscMasterFormat(IID_IDiscMaster, walk.ReleaseAndGetVoidAddress()), E_NOINTERFACE);
  ASSERT_EQ(master->Close(), S_OK);
  EXPECT_EQ(sink.RefCount(), 1u);
  // After Close the staging interface refuses as well.
  EXPECT_EQ(redbook->CreateAudioTrack(300), IMAPI_E_NOTOPENED);
  for (HRESULT hr : all()) EXPECT_EQ(hr, IMAPI_E_NOTOPENED);
  // Opening again starts afresh.
  ASSERT_EQ(master->Open(), S_OK);
  ASSERT_EQ(master->GetActiveDiscMasterFormat(&format), S_OK);
  EXPECT_EQ(format, IID_IJolietDiscMaster);
  // A disc master let go without Close still gives its sink back.
  ASSERT_EQ(master->ProgressAdvise(&sink, &cookie), S_OK);
  master = nullptr;
  redbook = nullptr;
  EXPECT_EQ(sink.RefCount(), 1u);
}

TEST_F(ServiceTest, RecordersAreEnumeratedInTheOrderTheyWereAdded) {
  AddRecorder({"--vendor", "FIRST", "--product", "Alpha", "--revision", "1.0"});
  AddRecorder({"--vendor", "SECOND", "--product", "Beta", "--revision", "2.0"});
  AddRecorder({"--vendor", "THIRD", "--product", "Gamma", "--revision", "3.0"});
  ComPtr<IDiscMaster> master = OpenMaster();
  ComPtr<IEnumDiscRecorders> walk;
  ASSERT_EQ(master->EnumDiscRecorders(walk.ReleaseAndGetAddressOf()), S_OK);
  for (int round = 0; round < 2; ++round) {
    std::vector<std::u16string> names;
    ComPtr<IDiscRecorder> r;
    ULONG fetched = 0;
    while (walk->Next(1, r.ReleaseAndGetAddressOf(), &fetched) == S_OK) {
      ASSERT_EQ(fetched, 1u);
      BSTR v = nullptr, p = nullptr, rev = nullptr;
      ASSERT_EQ(r->GetDisplayNames(&v, &p, &rev), S_OK);
      CBstr vendor = CBstr::Attach(v), product = CBstr::Attach(p), revision = CBstr::Attach(rev);
      names.push_back(vendor.Str() + u"|" + product.Str() + u"|" + revision.Str());
    }
    EXPECT_EQ(r.Get(), nullptr);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"FIRST|Alpha|1.0", u"SECOND|Beta|2.0", u"THIRD|Gamma|3.0"}));
    ASSERT_EQ(walk->Reset(), S_OK);
  }
  // The first recorder is active after Open; another one can be chosen.
  ComPtr<IDiscRecorder> second;
  ASSERT_EQ(walk->Skip(1), S_OK);
  ASSERT_EQ(walk->Next(1, second.ReleaseAndGetAddressOf(), nullptr), S_OK);
  ComPtr<IDiscRecorder> active = ActiveRecorder(master.Get());
  EXPECT_NE(active.Get(), second.Get());
  ASSERT_EQ(master->SetActiveDiscRecorder(second.Get()), S_OK);
  EXPECT_EQ(ActiveRecorder(master.Get()).Get(), second.Get());
  EXPECT_EQ(master->SetActiveDiscRecorder(nullptr), E_POINTER);
}

TEST_F(ServiceTest, ARecorderInUseElsewhereIsRefused) {
  const std::string folder = AddRecorder();
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t holder = fork();
  if (holder == 0) {
    // Another process holding the recorder, as the service would.
    int fd = open((folder + "/.lock").c_str(), O_RDWR | O_CREAT, 0644);
    if (fd < 0 || flock(fd, LOCK_EX) != 0) _exit(1);
    (void)!write(ready[1], "x", 1);
    for (;;) pause();
  }
  ASSERT_GT(holder, 0);
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  close(ready[0]);
  close(ready[1]);

  ComPtr<IDiscMaster> master = OpenMaster();
  ComPtr<IDiscRecorder> recorder = ActiveRecorder(master.Get());
  EXPECT_EQ(recorder->OpenExclusive(), IMAPI_E_DEVICE_NOTACCESSIBLE);
  LONG type = 0, flags = 0;
  EXPECT_EQ(recorder->QueryMediaType(&type, &flags), IMAPI_E_NOTOPENED);
  ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
  ASSERT_EQ(Stage(redbook.Get(), Pattern(300, 7)), S_OK);
  EXPECT_EQ(master->RecordDisc(false, false), IMAPI_E_DEVICE_NOTACCESSIBLE);
  EXPECT_TRUE(Images(folder).empty());
  auto listed = RunProcess({Bin("discmaster"), "list"});
  EXPECT_NE(listed.out.find("(in use)"), std::string::npos) << listed.out;

  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_EQ(recorder->OpenExclusive(), S_OK);
  // Within one process too, a second disc master's recorder waits its turn.
  ComPtr<IDiscMaster> other = OpenMaster();
  EXPECT_EQ(ActiveRecorder(other.Get())->OpenExclusive(), IMAPI_E_DEVICE_NOTACCESSIBLE);
  // The holder of the lock records.
  ASSERT_EQ(master->RecordDisc(false, false), S_OK);
  EXPECT_EQ(recorder->Close(), S_OK);
  EXPECT_EQ(recorder->Close(), IMAPI_E_NOTOPENED);
  EXPECT_EQ(ActiveRecorder(other.Get())->OpenExclusive(), S_OK);
}

TEST_F(ServiceTest, EraseWorksOnRewritableDiscsOnly) {
  struct Case {
    const char* media;
    HRESULT erased;
    bool blankAfter;
  };
  for (const Case& c : {Case{"cd-rw", S_OK, true}, Case{"cd-r", IMAPI_E_MEDIUM_INVALIDTYPE, false}}) {
    SCOPED_TRACE(c.media);
    AddRecorder({"--media", c.media});
    CTestSink sink;  // outlives the disc master, which holds it
    ComPtr<IDiscMaster> master = OpenMaster();
    ComPtr<IEnumDiscRecorders> walk;
    ASSERT_EQ(master->EnumDiscRecorders(walk.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IDiscRecorder> recorder;
    ASSERT_EQ(walk->Skip(static_cast<ULONG>(m_count - 1)), S_OK);
    ASSERT_EQ(walk->Next(1, recorder.ReleaseAndGetAddressOf(), nullptr), S_OK);
    ASSERT_EQ(master->SetActiveDiscRecorder(recorder.Get()), S_OK);
    ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
    ASSERT_EQ(Stage(redbook.Get(), Pattern(300, 8)), S_OK);
    ASSERT_EQ(master->RecordDisc(false, false), S_OK);
    Advise(master.Get(), sink);
    EXPECT_EQ(recorder->Erase(1), IMAPI_E_NOTOPENED);
    ASSERT_EQ(recorder->OpenExclusive(), S_OK);
    EXPECT_EQ(recorder->Erase(0), c.erased);
    LONG type = 0, flags = 0;
    ASSERT_EQ(recorder->QueryMediaType(&type, &flags), S_OK);
    EXPECT_EQ((flags & MEDIA_BLANK) != 0, c.blankAfter);
    EXPECT_EQ((flags & MEDIA_RW) != 0, std::string(c.media) == "cd-rw");
    EXPECT_EQ(sink.Milestones(), std::vector<std::string>{"erased " + std::to_string(c.erased)});
    ASSERT_EQ(recorder->Close(), S_OK);
  }
}

TEST_F(ServiceTest, TheTraySurvivesTheProcessAndTheToolShowsIt) {
  const std::string folder = AddRecorder({"--vendor", "ACME", "--media", "cd-rw"});
  {
    ComPtr<IDiscMaster> master = OpenMaster();
    ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
    ASSERT_EQ(Stage(redbook.Get(), Pattern(300, 1)), S_OK);
    ASSERT_EQ(Stage(redbook.Get(), Pattern(300, 2)), S_OK);
    ASSERT_EQ(master->RecordDisc(false, false), S_OK);
  }
  auto listed = RunProcess({Bin("discmaster"), "list"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_NE(listed.out.find("ACME"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("CD-RW with disc-0001 (2 tracks)"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find(folder), std::string::npos) << listed.out;
}

TEST_F(ServiceTest, TheToolAddsListsAndRemovesRecorders) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;  // on stdout for success, stderr otherwise
  };
  const std::string a = m_dir.File("a"), b = m_dir.File("b");
  const std::vector<Case> cases = {
      {{"list"}, 0, "No recorders"},
      {{"add-virtual", "--folder", a, "--speed", "max"}, 0, "Added virtual recorder 0"},
      {{"add-virtual", "--folder", b, "--vendor", "NINECHARS"}, 1, "vendor"},
      {{"add-virtual", "--folder", b, "--product", "SEVENTEEN CHARSXX"}, 1, "product"},
      {{"add-virtual", "--folder", b, "--revision", "12345"}, 1, "revision"},
      {{"add-virtual", "--folder", b, "--media", "dvd"}, 1, "media"},
      {{"add-virtual", "--folder", b, "--minutes", "90"}, 1, "74 or 80"},
      {{"add-virtual", "--folder", b, "--speed", "0"}, 1, "speed"},
      {{"add-virtual", "--folder", b, "--speed", "fast"}, 1, "speed"},
      {{"add-virtual", "--folder", a}, 1, "already used"},
      {{"add-virtual", "--vendor", "X"}, 2, "--folder"},
      {{"add-virtual", "--folder"}, 2, "needs a value"},
      {{"add-virtual", "--folder", b, "--colour", "red"}, 2, "unknown option"},
      {{"add-virtual", "--folder", b, "--vendor", "BEE", "--minutes", "74", "--speed", "8"}, 0,
       "Added virtual recorder 1"},
      {{"list"}, 0, "BEE"},
      {{"remove", "7"}, 1, "not a virtual recorder"},
      {{"remove", "-1"}, 1, "INDEX"},
      {{"remove"}, 2, "usage"},
      {{"frobnicate"}, 2, "usage"},
      {{"remove", "0"}, 0, "Removed virtual recorder 0"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv = {Bin("discmaster")};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(argv.size() > 1 ? argv[1] + (argv.size() > 3 ? " " + argv[argv.size() - 2] : "") : "");
    auto r = RunProcess(argv);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_NE((c.status == 0 ? r.out : r.err).find(c.says), std::string::npos) << r.out << r.err;
  }
  // The one left is the second one added, now at position 0; the refused
  // additions left nothing behind.
  auto r = RunProcess({Bin("discmaster"), "list"});
  EXPECT_NE(r.out.find("BEE"), std::string::npos);
  EXPECT_EQ(r.out.find(a + "\n"), std::string::npos);
  reg::RegTree tree = reg::Registry().Load();
  EXPECT_EQ(tree.SubKeys("Software\\Cantrel\\DiscMaster\\VirtualRecorders").size(), 1u);
}

TEST_F(ServiceTest, ASpeedPacesTheRecordingLikeARecorder) {
  // 10x is 750 blocks a second, so 375 blocks cannot take less than half a
  // second; unpaced they take a few milliseconds.
  const std::string folder = AddRecorder({"--speed", "10"});
  ComPtr<IDiscMaster> master = OpenMaster();
  ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
  ASSERT_EQ(Stage(redbook.Get(), Pattern(375, 1)), S_OK);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(master->RecordDisc(true, false), S_OK);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(480));
}

TEST_F(ServiceTest, AKilledRecordingLeavesNoImage) {
  const std::string folder = AddRecorder({"--speed", "1"});
  pid_t child = fork();
  if (child == 0) {
    // Records 20 seconds' worth at 1x; killed long before the end.
    ComPtr<IDiscMaster> master = OpenMaster();
    if (!master) _exit(1);
    ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
    if (!redbook || Stage(redbook.Get(), Pattern(1500, 1), 100) != S_OK) _exit(2);
    master->RecordDisc(false, false);
    _exit(3);
  }
  ASSERT_GT(child, 0);
  // Wait until the image is being written, then kill the recording.
  const std::string partial = folder + "/.disc-0001.bin.tmp-" + std::to_string(child);
  for (int i = 0; i < 200 && !(fs::exists(partial) && fs::file_size(partial) > 0); ++i) usleep(50000);
  ASSERT_TRUE(fs::exists(partial));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(Images(folder).empty());

  // The next user of the recorder clears what the dead process left and
  // records normally; the disc is still blank.
  ComPtr<IDiscMaster> master = OpenMaster();
  EXPECT_NE(MediaFlags(ActiveRecorder(master.Get()).Get()) & MEDIA_BLANK, 0);
  ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
  ASSERT_EQ(Stage(redbook.Get(), Pattern(300, 2)), S_OK);
  for (auto& name : Entries(folder)) EXPECT_EQ(name.find(std::to_string(child)), std::string::npos) << name;
  ASSERT_EQ(master->RecordDisc(false, false), S_OK);
  EXPECT_EQ(Images(folder), (std::vector<std::string>{"disc-0001.bin", "disc-0001.cue"}));
}

TEST_F(ServiceTest, TheLibraryCanUnloadOnlyWhenNothingIsAlive) {
  void* lib = dlopen(Bin("libimapisvc.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr);
  auto getClass = reinterpret_cast<PFN_DllGetClassObject>(dlsym(lib, "DllGetClassObject"));
  auto canUnload = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(lib, "DllCanUnloadNow"));
  ASSERT_TRUE(getClass && canUnload);
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(getClass(IID_IDiscMaster, IID_IClassFactory, factory.ReleaseAndGetVoidAddress()),
            CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_EQ(getClass(CLSID_MSDiscMasterObj, IID_IClassFactory, factory.ReleaseAndGetVoidAddress()), S_OK);
  EXPECT_EQ(canUnload(), S_OK);
  ComPtr<IDiscMaster> master;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDiscMaster, master.ReleaseAndGetVoidAddress()), S_OK);
  ComPtr<IUnknown> outer = master.As<IUnknown>();
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, aggregated.ReleaseAndGetVoidAddress()),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(canUnload(), S_FALSE);
  ASSERT_EQ(master->Open(), S_OK);
  ComPtr<IEnumDiscMasterFormats> formats;
  ASSERT_EQ(master->EnumDiscMasterFormats(formats.ReleaseAndGetAddressOf()), S_OK);
  IID found[3] = {};
  ULONG n = 0;
  EXPECT_EQ(formats->Next(3, found, &n), S_FALSE);
  EXPECT_EQ(n, 2u);
  master = nullptr;
  outer = nullptr;
  EXPECT_EQ(canUnload(), S_FALSE);  // the walk over the formats is still alive
  formats = nullptr;
  EXPECT_EQ(canUnload(), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(canUnload(), S_FALSE);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(canUnload(), S_OK);
  factory = nullptr;
  dlclose(lib);
}

TEST_F(ServiceTest, TheLibraryRegistersItselfAndUnregisters) {
  const std::string key = "CLSID\\" + GuidToString(CLSID_MSDiscMasterObj) + "\\InprocServer32";
  reg::RegTree tree = reg::Registry().Load();
  EXPECT_EQ(tree.GetString(key), fs::canonical(Bin("libimapisvc.so")).string());
  EXPECT_EQ(tree.GetString(key, "ThreadingModel"), "Apartment");
  if (access(Bin("regsvr").c_str(), X_OK) != 0) GTEST_SKIP() << "regsvr is not built";
  auto r = RunProcess({Bin("regsvr"), "-u", Bin("libimapisvc.so")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(reg::Registry().Load().HasKey(key));
  ComPtr<IDiscMaster> master;
  EXPECT_NE(CoCreateInstance(CLSID_MSDiscMasterObj, nullptr, CLSCTX_ALL, IID_IDiscMaster,
                             master.ReleaseAndGetVoidAddress()),
            S_OK);
  r = RunProcess({Bin("regsvr"), Bin("libimapisvc.so")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(CoCreateInstance(CLSID_MSDiscMasterObj, nullptr, CLSCTX_ALL, IID_IDiscMaster,
                             master.ReleaseAndGetVoidAddress()),
            S_OK);
}

}  // namespace
