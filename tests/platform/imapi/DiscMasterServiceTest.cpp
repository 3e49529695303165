// The service as a component, created through the class registry, with
// virtual recorders added by the discmaster tool.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

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

HRESULT Stage(IRedbookDiscMaster* redbook, const std::vector<BYTE>& audio, LONG blocksPerCall = 1) {
  const LONG blocks = static_cast<LONG>(audio.size() / kBlock);
  if (HRESULT hr = redbook->CreateAudioTrack(blocks); hr != S_OK) return hr;
  for (LONG b = 0; b < blocks; b += blocksPerCall) {
    LONG n = std::min(blocksPerCall, blocks - b);
    HRESULT hr = redbook->AddAudioTrackBlocks(const_cast<BYTE*>(audio.data()) + size_t(b) * kBlock, n * kBlock);
    if (hr != S_OK) return hr;
  }
  return redbook->CloseAudioTrack();
}

template <class Row>
std::string RowName(const ::testing::TestParamInfo<Row>& info) {
  return info.param.name;
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
    return S_OK;
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

  std::vector<std::string> m_events;  // all but block progress
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

  static ComPtr<IDiscMaster> OpenMaster() {
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

  static ComPtr<IDiscRecorder> ActiveRecorder(IDiscMaster* master) {
    ComPtr<IDiscRecorder> r;
    EXPECT_EQ(master->GetActiveDiscRecorder(r.ReleaseAndGetAddressOf()), S_OK);
    return r;
  }

  // Blank and writable flags, sessions, last track and free blocks.
  static std::vector<ULONG> Media(IDiscRecorder* recorder) {
    EXPECT_EQ(recorder->OpenExclusive(), S_OK);
    LONG type = 0, flags = 0;
    BYTE sessions = 0, last = 0;
    ULONG start = 0, next = 0, free = 0;
    EXPECT_EQ(recorder->QueryMediaType(&type, &flags), S_OK);
    EXPECT_EQ(recorder->QueryMediaInfo(&sessions, &last, &start, &next, &free), S_OK);
    EXPECT_EQ(recorder->Close(), S_OK);
    return {static_cast<ULONG>(flags & (MEDIA_BLANK | MEDIA_WRITABLE)), sessions, last, free};
  }

  testsupport::ScopedRegistry m_registry;
  testsupport::TempDir m_dir;
  int m_count = 0;
};

// The one end-to-end burn through the service, and the disc read back.
TEST_F(ServiceTest, RecordsTwoTracksAsAnImageOfExactlyTheStagedBlocks) {
  CTestSink sink;  // outlives the disc master, which holds it
  const std::string folder = AddRecorder();
  ComPtr<IDiscMaster> master = OpenMaster();
  ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
  const auto one = Pattern(300, 1), two = Pattern(451, 2);
  ASSERT_EQ(Stage(redbook.Get(), one), S_OK);
  ASSERT_EQ(Stage(redbook.Get(), two, 50), S_OK);  // several blocks per call, the last call short
  UINT_PTR cookie = 0;
  ASSERT_EQ(master->ProgressAdvise(&sink, &cookie), S_OK);
  ASSERT_EQ(master->RecordDisc(false, false), S_OK);

  // Nothing else is left behind: no stash, no temporary image.
  EXPECT_EQ(Entries(folder), (std::vector<std::string>{".lock", ".tray", "disc-0001.bin", "disc-0001.cue"}));
  std::vector<uint8_t> expected(one.begin(), one.end());
  expected.insert(expected.end(), two.begin(), two.end());
  EXPECT_TRUE(testsupport::ReadFileBytes(folder + "/disc-0001.bin") == expected);
  std::stringstream cue;
  cue << std::ifstream(folder + "/disc-0001.cue").rdbuf();
  EXPECT_EQ(cue.str(), "FILE \"disc-0001.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                       "  TRACK 02 AUDIO\n    INDEX 01 00:04:00\n");
  EXPECT_EQ(sink.m_events, (std::vector<std::string>{"preparing", "track 1/2", "track 2/2", "closing", "complete 0"}));
  EXPECT_EQ(sink.m_lastDone, 751);
  EXPECT_EQ(sink.m_total, 751);
  EXPECT_LE(sink.m_maxGap, 751 / 100);  // at least every 1%
  EXPECT_GT(sink.m_queries, 0);

  // Read back, with the recorder taken for the reading.
  ComPtr<IDiscAudioReadback> reader;
  ASSERT_EQ(CoCreateInstance(CLSID_DiscAudioReadback, nullptr, CLSCTX_ALL, IID_IDiscAudioReadback,
                             reader.ReleaseAndGetVoidAddress()),
            S_OK);
  EXPECT_EQ(reader->OpenRecorder(1), IMAPI_E_DEVICE_NOTPRESENT);
  ASSERT_EQ(reader->OpenRecorder(0), S_OK);
  ComPtr<IDiscRecorder> recorder = ActiveRecorder(master.Get());
  EXPECT_EQ(recorder->OpenExclusive(), IMAPI_E_DEVICE_STILL_IN_USE);
  LONG tracks = 0, first = 0, blocks = 0;
  ASSERT_EQ(reader->GetTrackCount(&tracks), S_OK);
  ASSERT_EQ(reader->GetTrackExtent(2, &first, &blocks), S_OK);
  EXPECT_EQ((std::vector<LONG>{tracks, first, blocks}), (std::vector<LONG>{2, 300, 451}));
  CReadbackSink readSink;
  ASSERT_EQ(reader->SetEvents(&readSink), S_OK);
  std::vector<BYTE> read(size_t{200} * kBlock);
  ASSERT_EQ(reader->ReadAudioBlocks(250, 200, read.data(), static_cast<LONG>(read.size())), S_OK);
  EXPECT_TRUE(std::equal(read.begin(), read.begin() + 50 * kBlock, one.end() - 50 * kBlock));
  EXPECT_TRUE(std::equal(read.begin() + 50 * kBlock, read.end(), two.begin()));
  EXPECT_EQ(readSink.m_lastDone, 450);
  EXPECT_EQ(readSink.m_total, 751);
  EXPECT_EQ(reader->ReadAudioBlocks(700, 52, read.data(), static_cast<LONG>(read.size())), E_INVALIDARG);
  readSink.m_cancelAt = 500;
  EXPECT_EQ(reader->ReadAudioBlocks(450, 200, read.data(), static_cast<LONG>(read.size())), IMAPI_E_USERABORT);
  EXPECT_LT(readSink.m_lastDone, 650);
  ASSERT_EQ(reader->SetEvents(nullptr), S_OK);
  ASSERT_EQ(reader->Close(), S_OK);

  // The disc is no longer blank and has no room left; a second recording is
  // refused until ejected.
  EXPECT_EQ(Media(recorder.Get()), (std::vector<ULONG>{0, 1, 2, 0}));
  ASSERT_EQ(Stage(redbook.Get(), one), S_OK);
  EXPECT_EQ(master->RecordDisc(false, true), IMAPI_E_CANNOT_WRITE_TO_MEDIA);
  ASSERT_EQ(recorder->OpenExclusive(), S_OK);
  ASSERT_EQ(recorder->Eject(), S_OK);
  ASSERT_EQ(recorder->Close(), S_OK);
  // An 80-minute blank.
  EXPECT_EQ(Media(recorder.Get()), (std::vector<ULONG>{MEDIA_BLANK | MEDIA_WRITABLE, 0, 0, 80 * 60 * 75}));
  ASSERT_EQ(master->RecordDisc(false, true), S_OK);
  EXPECT_EQ(testsupport::ReadFileBytes(folder + "/disc-0002.bin"), std::vector<uint8_t>(one.begin(), one.end()));
  // Ejected after the burn: a fresh blank disc is waiting.
  EXPECT_EQ(Media(recorder.Get())[0], ULONG{MEDIA_BLANK | MEDIA_WRITABLE});
  EXPECT_EQ(master->ProgressUnadvise(cookie), S_OK);
  EXPECT_EQ(master->Close(), S_OK);
}

bool g_bNoHardLinks = false;

}  // namespace

// The service's hard links fail while asked, as on a file system without them.
extern "C" int link(const char* from, const char* to) {
  return g_bNoHardLinks ? (errno = EPERM, -1) : ::linkat(AT_FDCWD, from, AT_FDCWD, to, 0);
}

namespace {

TEST_F(ServiceTest, WithoutHardLinksTheImageIsACopyOfTheStagedBlocks) {
  const std::string folder = AddRecorder();
  ComPtr<IDiscMaster> master = OpenMaster();
  const auto one = Pattern(300, 3);
  ASSERT_EQ(Stage(Redbook(master.Get()).Get(), one), S_OK);
  g_bNoHardLinks = true;
  EXPECT_EQ(master->RecordDisc(false, false), S_OK);
  g_bNoHardLinks = false;
  EXPECT_EQ(testsupport::ReadFileBytes(folder + "/disc-0001.bin"), std::vector<uint8_t>(one.begin(), one.end()));
  EXPECT_EQ(master->Close(), S_OK);
}

// A recording that leaves no disc: refused staging, a simulation, a cancel.
struct NoDiscRow {
  const char* name;
  std::function<HRESULT(IRedbookDiscMaster*)> stage;
  HRESULT staged;
  bool simulate;
  LONG cancelAfterBlocks;  // -1: never
  HRESULT recorded;
  std::vector<std::string> events;
};
void PrintTo(const NoDiscRow& row, std::ostream* os) { *os << row.name; }
class RecordingWithoutADisc : public ServiceTest, public ::testing::WithParamInterface<NoDiscRow> {};
TEST_P(RecordingWithoutADisc, LeavesNothingButABlankDisc) {
  CTestSink sink;  // outlives the disc master, which holds it
  sink.m_cancelAfterBlocks = GetParam().cancelAfterBlocks;
  const std::string folder = AddRecorder({"--minutes", "74"});
  ComPtr<IDiscMaster> master = OpenMaster();
  EXPECT_EQ(GetParam().stage(Redbook(master.Get()).Get()), GetParam().staged);
  UINT_PTR cookie = 0;
  ASSERT_EQ(master->ProgressAdvise(&sink, &cookie), S_OK);
  EXPECT_EQ(master->RecordDisc(GetParam().simulate, false), GetParam().recorded);
  EXPECT_EQ(sink.m_events, GetParam().events);
  EXPECT_EQ(Media(ActiveRecorder(master.Get()).Get())[0], ULONG{MEDIA_BLANK | MEDIA_WRITABLE});
  master->Close();
  // No image, no stash, no temporary file.
  for (auto& name : Entries(folder)) EXPECT_TRUE(name == ".lock" || name == ".tray") << name;
}
HRESULT StageOneTrack(IRedbookDiscMaster* r) { return Stage(r, Pattern(1000, 4)); }
const std::string kAborted = "complete " + std::to_string(IMAPI_E_USERABORT);
INSTANTIATE_TEST_SUITE_P(
    Cases, RecordingWithoutADisc,
    ::testing::Values(
        NoDiscRow{"NothingStaged", [](IRedbookDiscMaster*) { return S_OK; }, S_OK, false, -1, IMAPI_E_INVALIDIMAGE, {}},
        NoDiscRow{"ATrackLeftOpen", [](IRedbookDiscMaster* r) { return r->CreateAudioTrack(300); }, S_OK, false, -1,
                  IMAPI_E_TRACKOPEN, {}},
        // The recorder's capacity reaches the stash: 74 minutes.
        NoDiscRow{"MoreThanTheDiscHolds", [](IRedbookDiscMaster* r) { return r->CreateAudioTrack(333001); },
                  IMAPI_E_DISCFULL, false, -1, IMAPI_E_INVALIDIMAGE, {}},
        NoDiscRow{"Simulated", StageOneTrack, S_OK, true, -1, S_OK, {"preparing", "track 1/1", "closing", "complete 0"}},
        NoDiscRow{"CancelledBySink", StageOneTrack, S_OK, false, 100, IMAPI_E_USERABORT,
                  {"preparing", "track 1/1", kAborted}}),
    RowName<NoDiscRow>);

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
    return std::vector<HRESULT>{
        master->GetActiveDiscMasterFormat(&format),
        master->SetActiveDiscMasterFormat(IID_IRedbookDiscMaster, redbook.ReleaseAndGetVoidAddress()),
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
  ASSERT_EQ(master->ProgressAdvise(&sink, &cookie), S_OK);
  EXPECT_EQ(sink.RefCount(), 2u);  // the service holds its own count
  ASSERT_EQ(master->SetActiveDiscMasterFormat(IID_IRedbookDiscMaster, redbook.ReleaseAndGetVoidAddress()), S_OK);
  EXPECT_EQ(master->SetActiveDiscMasterFormat(IID_IDiscMaster, walk.ReleaseAndGetVoidAddress()), E_NOINTERFACE);
  ASSERT_EQ(master->Close(), S_OK);
  EXPECT_EQ(sink.RefCount(), 1u);
  // After Close the staging interface refuses as well.
  EXPECT_EQ(redbook->CreateAudioTrack(300), IMAPI_E_NOTOPENED);
  for (HRESULT hr : all()) EXPECT_EQ(hr, IMAPI_E_NOTOPENED);
  // A disc master let go without Close still gives its sink back.
  ASSERT_EQ(master->Open(), S_OK);
  ASSERT_EQ(master->ProgressAdvise(&sink, &cookie), S_OK);
  master = nullptr;
  redbook = nullptr;
  EXPECT_EQ(sink.RefCount(), 1u);
}

TEST_F(ServiceTest, ARecorderInUseElsewhereIsRefused) {
  const std::string folder = AddRecorder();
  ComPtr<IDiscMaster> holder = OpenMaster(), master = OpenMaster();
  ComPtr<IDiscRecorder> held = ActiveRecorder(holder.Get());
  ASSERT_EQ(held->OpenExclusive(), S_OK);
  EXPECT_EQ(ActiveRecorder(master.Get())->OpenExclusive(), IMAPI_E_DEVICE_STILL_IN_USE);
  ASSERT_EQ(Stage(Redbook(master.Get()).Get(), Pattern(300, 7)), S_OK);
  EXPECT_EQ(master->RecordDisc(false, false), IMAPI_E_DEVICE_STILL_IN_USE);
  EXPECT_NE(RunProcess({Bin("discmaster"), "list"}).out.find("(in use)"), std::string::npos);
  EXPECT_EQ(held->Close(), S_OK);
  EXPECT_EQ(held->Close(), IMAPI_E_NOTOPENED);
  // Given back, the recorder records what was staged, as the only image.
  EXPECT_EQ(master->RecordDisc(false, false), S_OK);
  EXPECT_EQ(Entries(folder), (std::vector<std::string>{".lock", ".tray", "disc-0001.bin", "disc-0001.cue"}));
}

struct EraseRow {
  const char* name;
  const char* media;
  HRESULT erased;
  bool blankAfter;
};
void PrintTo(const EraseRow& row, std::ostream* os) { *os << row.name; }
class Erase : public ServiceTest, public ::testing::WithParamInterface<EraseRow> {};
TEST_P(Erase, WorksOnRewritableDiscsOnly) {
  AddRecorder({"--media", GetParam().media});
  CTestSink sink;  // outlives the disc master, which holds it
  ComPtr<IDiscMaster> master = OpenMaster();
  ComPtr<IRedbookDiscMaster> redbook = Redbook(master.Get());
  ASSERT_EQ(Stage(redbook.Get(), Pattern(300, 8)), S_OK);
  ASSERT_EQ(master->RecordDisc(false, false), S_OK);
  UINT_PTR cookie = 0;
  ASSERT_EQ(master->ProgressAdvise(&sink, &cookie), S_OK);
  ComPtr<IDiscRecorder> recorder = ActiveRecorder(master.Get());
  EXPECT_EQ(recorder->Erase(1), IMAPI_E_NOTOPENED);
  ASSERT_EQ(recorder->OpenExclusive(), S_OK);
  EXPECT_EQ(recorder->Erase(0), GetParam().erased);
  ASSERT_EQ(recorder->Close(), S_OK);
  EXPECT_EQ(Media(recorder.Get())[0] != 0, GetParam().blankAfter);
  EXPECT_EQ(sink.m_events, std::vector<std::string>{"erased " + std::to_string(GetParam().erased)});
}
INSTANTIATE_TEST_SUITE_P(Media, Erase,
                         ::testing::Values(EraseRow{"Rewritable", "cd-rw", S_OK, true},
                                           EraseRow{"WriteOnce", "cd-r", IMAPI_E_MEDIUM_INVALIDTYPE, false}),
                         RowName<EraseRow>);

TEST_F(ServiceTest, TheToolListsRecordersWithTheirDiscAndRemovesThem) {
  const std::string folder = AddRecorder({"--vendor", "ACME", "--media", "cd-rw"});
  AddRecorder({"--vendor", "BEE"});
  auto listed = RunProcess({Bin("discmaster"), "list"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_NE(listed.out.find("blank CD-RW"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find(folder), std::string::npos) << listed.out;
  auto removed = RunProcess({Bin("discmaster"), "remove", "0"});
  EXPECT_NE(removed.out.find("Removed virtual recorder 0"), std::string::npos) << removed.out << removed.err;
  listed = RunProcess({Bin("discmaster"), "list"});
  EXPECT_EQ(listed.out.find("ACME"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("BEE"), std::string::npos) << listed.out;
}

struct ToolRow {
  const char* name;
  std::vector<std::string> args;
  int status;
  const char* says;  // on stderr
};
void PrintTo(const ToolRow& row, std::ostream* os) { *os << row.name; }
class DiscmasterRefuses : public ServiceTest, public ::testing::WithParamInterface<ToolRow> {};
TEST_P(DiscmasterRefuses, WithAStatusAndAReasonAndAddsNothing) {
  AddRecorder();
  std::vector<std::string> argv = {Bin("discmaster")};
  // NEW stands for a fresh folder, OLD for the recorder's own.
  for (const std::string& a : GetParam().args)
    argv.push_back(a == "NEW" ? m_dir.File("new") : a == "OLD" ? m_dir.File("rec1") : a);
  auto r = RunProcess(argv);
  EXPECT_EQ(r.status, GetParam().status) << r.out << r.err;
  EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << r.err;
  EXPECT_EQ(reg::Registry().Load().SubKeys("Software\\Cantrel\\DiscMaster\\VirtualRecorders").size(), 1u);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, DiscmasterRefuses,
    ::testing::Values(ToolRow{"SpeedWord", {"add-virtual", "--folder", "NEW", "--speed", "fast"}, 1, "speed"},
                      ToolRow{"FolderTaken", {"add-virtual", "--folder", "OLD"}, 1, "already used"},
                      ToolRow{"NoFolder", {"add-virtual", "--vendor", "X"}, 2, "--folder"},
                      ToolRow{"NoValue", {"add-virtual", "--folder"}, 2, "needs a value"},
                      ToolRow{"UnknownOption", {"add-virtual", "--folder", "NEW", "--colour", "red"}, 2,
                              "unknown option"},
                      ToolRow{"RemoveUnknown", {"remove", "7"}, 1, "not a virtual recorder"},
                      ToolRow{"RemoveNothing", {"remove"}, 2, "usage"},
                      ToolRow{"UnknownCommand", {"frobnicate"}, 2, "usage"}),
    RowName<ToolRow>);

TEST_F(ServiceTest, TheLibraryIsRegisteredAndCanUnloadOnlyWhenNothingIsAlive) {
  const std::string key = "CLSID\\" + GuidToString(CLSID_MSDiscMasterObj) + "\\InprocServer32";
  EXPECT_EQ(reg::Registry().Load().GetString(key, "ThreadingModel"), "Apartment");
  void* lib = dlopen(Bin("libimapisvc.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr);
  auto getClass = reinterpret_cast<PFN_DllGetClassObject>(dlsym(lib, "DllGetClassObject"));
  auto canUnload = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(lib, "DllCanUnloadNow"));
  ASSERT_TRUE(getClass && canUnload);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(getClass(CLSID_MSDiscMasterObj, IID_IClassFactory, factory.ReleaseAndGetVoidAddress()), S_OK);
  EXPECT_EQ(canUnload(), S_OK);
  ComPtr<IDiscMaster> master;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDiscMaster, master.ReleaseAndGetVoidAddress()), S_OK);
  ASSERT_EQ(master->Open(), S_OK);
  ComPtr<IEnumDiscMasterFormats> formats;
  ASSERT_EQ(master->EnumDiscMasterFormats(formats.ReleaseAndGetAddressOf()), S_OK);
  master = nullptr;
  EXPECT_EQ(canUnload(), S_FALSE);  // the walk over the formats is still alive
  formats = nullptr;
  EXPECT_EQ(canUnload(), S_OK);
  factory = nullptr;
  dlclose(lib);
}

}  // namespace
