// The backend's logic against a scripted drive that behaves as libburn.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <future>
#include <ostream>
#include <string>
#include <vector>

#include "FakeBurnAdapter.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/burn/BurnDriveBackend.h"
#include "platform/imapi/burn/BurnEngine.h"
#include "tests/support/TestSupport.h"

using namespace imapi_burn;
using imapi_backend::RecordCallbacks;
using imapi_backend::TrackSpec;
using Releases = std::vector<std::pair<std::string, bool>>;

namespace {

const std::string kSr0 = "/dev/sr0";
const auto kRowName = [](const auto& info) { return std::string(info.param.name); };

FakeDrive Recorder(int profile = kProfileCdR, DiscState state = DiscState::Blank, const std::string& address = kSr0,
                   bool writer = true) {
  FakeDrive d;
  d.info = {address, "VENDOR", "WRITER", "1.0", writer};
  d.disc = {true, state, profile, false, 359849};  // 80 minutes
  return d;
}

struct Rig {
  std::shared_ptr<FakeWorld> world = std::make_shared<FakeWorld>();
  std::unique_ptr<BurnEngine> engine;
  int owner = 0;
  testsupport::TempDir dir;
  std::vector<TrackSpec> tracks;
  std::vector<std::string> events;  // "t2/3" track, "c9" closing
  std::vector<long> blocks;

  explicit Rig(std::vector<FakeDrive> drives = {Recorder()}) {
    for (const FakeDrive& d : drives) world->drives[d.info.address] = d;
    BurnEngineOptions o{std::chrono::milliseconds(1), std::chrono::seconds(1), std::chrono::milliseconds(300)};
    engine = std::make_unique<BurnEngine>(std::make_unique<FakeBurnAdapter>(world), o);
    owner = engine->AddOwner();
  }
  FakeDrive& Drive() { return world->drives[kSr0]; }
  // The tracks staged one after another behind a few other bytes.
  void Stage(const std::vector<uint32_t>& sizes) {
    uint64_t size = 100;
    for (uint32_t b : sizes) tracks.push_back({dir.File("stash"), size, b}), size += uint64_t{b} * 2352;
    testsupport::WriteFileBytes(dir.File("stash"), std::vector<uint8_t>(size));
  }
  HRESULT Record(std::function<bool()> cancel = {}, bool simulate = false, bool eject = true) {
    if (tracks.empty()) Stage({900});
    RecordCallbacks cb;
    cb.onTrack = [this](long t, long n) { events.push_back("t" + std::to_string(t) + "/" + std::to_string(n)); };
    cb.onBlocks = [this](long d, long) { blocks.push_back(d); };
    cb.onClosing = [this](long s) { events.push_back("c" + std::to_string(s)); };
    cb.queryCancel = std::move(cancel);
    return engine->Record(owner, kSr0, tracks, simulate, eject, cb);
  }
  HRESULT Media(long* flags) {
    long type = 0;
    return engine->QueryMedia(owner, kSr0, &type, flags);
  }
};

}  // namespace

TEST(BurnEngineScan, ListsCdWritersAndServesTheLastScanWhileADriveIsHeld) {
  Rig rig({Recorder(), Recorder(kProfileCdR, DiscState::Blank, "/dev/sr1", false),
           Recorder(kProfileCdR, DiscState::Blank, "/dev/sr2")});
  std::string note = "stale";
  auto drives = rig.engine->Scan(&note);
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[1].id + drives[1].vendor + drives[1].product + drives[1].revision + note, "/dev/sr2VENDORWRITER1.0");
  ASSERT_EQ(rig.engine->OpenExclusive(rig.owner, kSr0), S_OK);
  rig.world->With([&] { rig.world->drives["/dev/sr2"].grabResult = GrabResult::Missing; });
  EXPECT_EQ(rig.engine->Scan(nullptr).size(), 2u);
  ASSERT_EQ(rig.engine->Close(rig.owner, kSr0), S_OK);
  EXPECT_EQ(rig.engine->Scan(nullptr).size(), 1u);
  EXPECT_EQ(rig.world->scansWhileGrabbed, 0);
}

struct NoteCase {
  const char* name;
  bool reader, scanFails;
  std::vector<DeviceNode> nodes;
  const char* says;
};
void PrintTo(const NoteCase& row, std::ostream* os) { *os << row.name; }
class BurnEngineNote : public testing::TestWithParam<NoteCase> {};
TEST_P(BurnEngineNote, NothingUsableGivesAnEmptyListAndSaysWhy) {
  Rig rig(GetParam().reader ? std::vector<FakeDrive>{Recorder(kProfileCdR, DiscState::Blank, kSr0, false)}
                            : std::vector<FakeDrive>{});
  rig.world->nodes = GetParam().nodes;
  rig.world->scanFails = GetParam().scanFails;
  std::string note;
  EXPECT_TRUE(rig.engine->Scan(&note).empty());
  EXPECT_NE(note.find(GetParam().says), std::string::npos) << note;
}
INSTANTIATE_TEST_SUITE_P(
    Rows, BurnEngineNote,
    testing::Values(NoteCase{"NoDrive", false, false, {}, "no optical drive is attached to this machine (no /dev/sr*"},
                    NoteCase{"NoPermission", false, false, {{kSr0, false, "root", "cdrom", 0660}},
                             "open /dev/sr0 (owner root, group cdrom, mode 660). Join the group"},
                    NoteCase{"RootOnly", false, false, {{kSr0, false, "root", "root", 0600}}, "Ask the administrator"},
                    NoteCase{"HeldElsewhere", false, false, {{kSr0, true}}, "/dev/sr0 is in use by another program"},
                    NoteCase{"OnlyAReader", true, false, {}, "VENDOR WRITER at /dev/sr0 cannot write CDs"},
                    NoteCase{"ScanFailed", false, true, {}, "scan for CD recorders failed"}),
    kRowName);

struct MediaCase {
  const char* name;
  MediaInfo media;
  HRESULT hr;
  long type, flags;
};
void PrintTo(const MediaCase& row, std::ostream* os) { *os << row.name; }
class BurnEngineMapMedia : public testing::TestWithParam<MediaCase> {};
TEST_P(BurnEngineMapMedia, DiscStatusAndProfileBecomeTheServiceMediaTypeAndFlags) {
  long type = 99, flags = 99;
  EXPECT_EQ(BurnEngine::MapMedia(GetParam().media, &type, &flags), GetParam().hr);
  EXPECT_EQ(std::make_pair(type, flags), std::make_pair(GetParam().type, GetParam().flags));
}
constexpr long kBlank = MEDIA_BLANK | MEDIA_WRITABLE, kUnusable = MEDIA_FORMAT_UNUSABLE_BY_IMAPI;
INSTANTIATE_TEST_SUITE_P(
    Rows, BurnEngineMapMedia,
    testing::Values(MediaCase{"BlankCdRw", {true, DiscState::Blank, kProfileCdRw}, S_OK, MEDIA_CDDA_CDROM, kBlank | MEDIA_RW},
                    MediaCase{"Appendable", {true, DiscState::Appendable, kProfileCdR}, S_OK, MEDIA_CDDA_CDROM, MEDIA_WRITABLE},
                    MediaCase{"FullCdRw", {true, DiscState::Full, kProfileCdRw}, S_OK, MEDIA_CDDA_CDROM, MEDIA_RW},
                    MediaCase{"Dvd", {true, DiscState::Blank, 0x11}, S_OK, MEDIA_SPECIAL, kUnusable},
                    MediaCase{"Unsuitable", {true, DiscState::Unsuitable, kProfileCdR}, S_OK, MEDIA_SPECIAL, kUnusable},
                    MediaCase{"NoDisc", {true, DiscState::Empty}, IMAPI_E_MEDIUM_NOTPRESENT, 0, 0},
                    MediaCase{"Unready", {true, DiscState::Unready}, IMAPI_E_MEDIUM_NOTPRESENT, 0, 0},
                    MediaCase{"DriveGone", {false, DiscState::Blank, kProfileCdR}, IMAPI_E_DEVICE_NOTPRESENT, 0, 0}),
    kRowName);

TEST(BurnEngineOpen, ADriveHasOneHolderUntilItIsClosedOrItsBackendGoes) {
  Rig rig;
  auto engine = std::shared_ptr<BurnEngine>(std::move(rig.engine));
  auto first = std::make_unique<BurnDriveBackend>(engine);
  BurnDriveBackend second(engine);
  ASSERT_EQ(first->OpenExclusive(kSr0), S_OK);
  EXPECT_EQ(second.OpenExclusive(kSr0), IMAPI_E_DEVICE_STILL_IN_USE);
  EXPECT_EQ(second.Close(kSr0), S_OK);  // not its drive: nothing happens
  EXPECT_EQ(rig.world->grabbedNow, 1);
  first.reset();
  EXPECT_EQ(second.OpenExclusive(kSr0), S_OK);
  EXPECT_EQ(second.Close(kSr0), S_OK);
  EXPECT_EQ(rig.world->releases, (Releases{{kSr0, false}, {kSr0, false}}));
}

// Reading back goes to the reader opened for that drive, and only while it is open.
class CScriptedReader final : public AudioDiscReader {
 public:
  HRESULT Open(const std::string& device, std::vector<imapi_backend::AudioTrackExtent>* tracks) override {
    if (device != kSr0) return IMAPI_E_DEVICE_NOTPRESENT;
    *tracks = {{0, 300}};
    return S_OK;
  }
  HRESULT Read(uint32_t firstBlock, uint32_t, uint8_t* out) override {
    out[0] = static_cast<uint8_t>(firstBlock);
    return S_OK;
  }
};

TEST(BurnDriveBackendRead, ReadsThroughTheReaderOpenedForTheDrive) {
  Rig rig;
  auto engine = std::shared_ptr<BurnEngine>(std::move(rig.engine));
  EXPECT_EQ(BurnDriveBackend(engine).ReadLayout(kSr0, nullptr), E_NOTIMPL);
  BurnDriveBackend backend(engine, [] { return std::make_unique<CScriptedReader>(); });
  std::vector<imapi_backend::AudioTrackExtent> tracks;
  uint8_t block[2352] = {};
  EXPECT_EQ(backend.ReadAudio(kSr0, 7, 1, block), IMAPI_E_NOTOPENED);
  EXPECT_EQ(backend.ReadLayout("/dev/sr9", &tracks), IMAPI_E_DEVICE_NOTPRESENT);
  ASSERT_EQ(backend.ReadLayout(kSr0, &tracks), S_OK);
  EXPECT_EQ(tracks.size(), 1u);
  ASSERT_EQ(backend.ReadAudio(kSr0, 7, 1, block), S_OK);
  EXPECT_EQ(block[0], 7);
  backend.EndReading(kSr0);
  EXPECT_EQ(backend.ReadAudio(kSr0, 7, 1, block), IMAPI_E_NOTOPENED);
}

struct TrayCase {
  const char* name;
  bool trayOpen, discAtOpen, eject;
};
void PrintTo(const TrayCase& row, std::ostream* os) { *os << row.name; }
class BurnEngineTray : public testing::TestWithParam<TrayCase> {};
TEST_P(BurnEngineTray, ADiscPutInAfterTheDriveWasOpenedIsSeen) {
  const TrayCase& c = GetParam();
  Rig rig({Recorder(kProfileCdR, c.discAtOpen ? DiscState::Blank : DiscState::Empty)});
  rig.Drive().trayOpen = c.trayOpen;
  ASSERT_EQ(rig.engine->OpenExclusive(rig.owner, kSr0), S_OK);
  EXPECT_FALSE(rig.world->grabs[0].second);  // opening moves no tray
  long flags = 0;
  EXPECT_EQ(c.eject ? rig.engine->Eject(rig.owner, kSr0) : S_OK, S_OK);
  EXPECT_EQ(c.discAtOpen ? IMAPI_E_MEDIUM_NOTPRESENT : rig.Media(&flags), IMAPI_E_MEDIUM_NOTPRESENT);
  rig.world->With([&] { rig.Drive().disc.state = DiscState::Blank; });
  EXPECT_EQ(rig.Media(&flags), S_OK);
  EXPECT_EQ(flags, MEDIA_BLANK | MEDIA_WRITABLE);
}
INSTANTIATE_TEST_SUITE_P(Rows, BurnEngineTray,
                         testing::Values(TrayCase{"TrayLeftOpen", true, true, false},
                                         TrayCase{"InsertedIntoAClosedDrive", false, false, false},
                                         TrayCase{"NextBlankAfterAnEject", false, true, true}),
                         kRowName);

struct EraseCase {
  const char* name;
  int profile;
  DiscState state;
  bool full;
  int erasePolls;
  HRESULT hr;
  std::vector<bool> erases;  // fast
};
void PrintTo(const EraseCase& row, std::ostream* os) { *os << row.name; }
class BurnEngineErase : public testing::TestWithParam<EraseCase> {};
TEST_P(BurnEngineErase, ErasesRewritableDiscsAndNeverCancelsAnErase) {
  const EraseCase& c = GetParam();
  Rig rig({Recorder(c.profile, c.state)});
  rig.Drive().erasePolls = c.erasePolls;
  EXPECT_EQ(rig.engine->Erase(rig.owner, kSr0, c.full), IMAPI_E_NOTOPENED);
  ASSERT_EQ(rig.engine->OpenExclusive(rig.owner, kSr0), S_OK);
  EXPECT_EQ(rig.engine->Erase(rig.owner, kSr0, c.full), c.hr);
  EXPECT_EQ(rig.world->erases, c.erases);
  EXPECT_EQ(rig.world->cancels, 0);
  long flags = 0;
  EXPECT_EQ(rig.Media(&flags) == S_OK && (flags & MEDIA_BLANK), c.hr == S_OK);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, BurnEngineErase,
    testing::Values(EraseCase{"Quick", kProfileCdRw, DiscState::Full, false, 3, S_OK, {true}},
                    EraseCase{"Full", kProfileCdRw, DiscState::Appendable, true, 3, S_OK, {false}},
                    EraseCase{"BlankQuickly", kProfileCdRw, DiscState::Blank, false, 3, S_OK, {}},
                    EraseCase{"BlankFully", kProfileCdRw, DiscState::Blank, true, 3, S_OK, {false}},
                    EraseCase{"SlowWithoutProgress", kProfileCdRw, DiscState::Full, true, 1500, S_OK, {false}},
                    EraseCase{"WriteOnce", kProfileCdR, DiscState::Full, false, 3, IMAPI_E_MEDIUM_INVALIDTYPE, {}},
                    EraseCase{"NoDisc", kProfileCdRw, DiscState::Empty, false, 3, IMAPI_E_MEDIUM_NOTPRESENT, {}}),
    kRowName);

struct WriteCase {
  const char* name;
  bool simulate, eject, held;
};
void PrintTo(const WriteCase& row, std::ostream* os) { *os << row.name; }
class BurnEngineWrite : public testing::TestWithParam<WriteCase> {};
TEST_P(BurnEngineWrite, WritesTheStagedTracksAsAudioAndReportsProgressOverTheDisc) {
  const WriteCase& c = GetParam();
  Rig rig;
  rig.Drive().blocksPerPoll = 70;
  rig.Stage({300, 45, 500});
  EXPECT_EQ(c.held ? rig.engine->OpenExclusive(rig.owner, kSr0) : S_OK, S_OK);
  ASSERT_EQ(rig.Record({}, c.simulate, c.eject), S_OK);
  EXPECT_EQ(rig.world->grabs.back().second, !c.held);  // taken for the burn with the tray closed
  const WriteRequest& w = rig.world->writes.at(0);
  EXPECT_TRUE(w.audio && w.underrunProof);
  EXPECT_EQ(w.simulate, c.simulate);
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(w.tracks.at(i).offset + w.tracks.at(i).bytes, rig.tracks[i].offset + rig.tracks[i].blocks * 2352);
  // The short second track passes between polls and is announced anyway.
  EXPECT_EQ(rig.events, (std::vector<std::string>{"t1/3", "t2/3", "t3/3", "c9"}));
  EXPECT_TRUE(std::is_sorted(rig.blocks.begin(), rig.blocks.end()));
  EXPECT_EQ(rig.blocks.back(), 845);
  EXPECT_EQ(rig.Drive().disc.state, c.simulate ? DiscState::Blank : DiscState::Full);
  EXPECT_EQ(rig.world->releases, (c.held && !c.eject ? Releases{} : Releases{{kSr0, c.eject}}));
  EXPECT_EQ(rig.engine->OpenExclusive(rig.engine->AddOwner(), kSr0), c.held ? IMAPI_E_DEVICE_STILL_IN_USE : S_OK);
}
INSTANTIATE_TEST_SUITE_P(Rows, BurnEngineWrite,
                         testing::Values(WriteCase{"BurnAndEject", false, true, false},
                                         WriteCase{"Simulate", true, false, false},
                                         WriteCase{"HeldByTheCaller", false, false, true},
                                         WriteCase{"HeldAndEjected", false, true, true}),
                         kRowName);

struct RecordCase {
  const char* name;
  std::function<void(FakeDrive&)> setup;
  char cancelAfter;  // the event after which the sink cancels
  HRESULT hr;
  DiscState after;
};
void PrintTo(const RecordCase& row, std::ostream* os) { *os << row.name; }
class BurnEngineRecord : public testing::TestWithParam<RecordCase> {};
TEST_P(BurnEngineRecord, ARefusedBrokenOrCancelledWriteClosesNoDiscAndEjectsNothing) {
  const RecordCase& c = GetParam();
  Rig rig;
  rig.Drive().blocksPerPoll = 50;
  c.setup(rig.Drive());
  EXPECT_EQ(rig.Record([&] { return !rig.events.empty() && rig.events.back()[0] == c.cancelAfter; }), c.hr);
  EXPECT_EQ(rig.Drive().disc.state, c.after);
  EXPECT_EQ(!rig.events.empty() && rig.events.back()[0] == 'c', c.hr == S_OK);
  EXPECT_EQ(c.cancelAfter && rig.world->cancels > 0, c.hr == IMAPI_E_USERABORT);
  EXPECT_EQ(rig.world->grabbedNow, 0);
  for (const auto& r : rig.world->releases) EXPECT_TRUE(!r.second || !rig.world->writes.empty());  // refused: no eject
}
static auto Disc(DiscState state, int profile = kProfileCdR, long capacity = 0) {
  return [=](FakeDrive& d) { d.disc = {true, state, profile, false, capacity}; };
}
static auto Grab(GrabResult result) {
  return [=](FakeDrive& d) { d.grabResult = result; };
}
INSTANTIATE_TEST_SUITE_P(
    Rows, BurnEngineRecord,
    testing::Values(
        RecordCase{"NoDisc", Disc(DiscState::Empty), 0, IMAPI_E_MEDIUM_NOTPRESENT, DiscState::Empty},
        RecordCase{"Written", Disc(DiscState::Full), 0, IMAPI_E_CANNOT_WRITE_TO_MEDIA, DiscState::Full},
        RecordCase{"Appendable", Disc(DiscState::Appendable), 0, IMAPI_E_CANNOT_WRITE_TO_MEDIA, DiscState::Appendable},
        RecordCase{"Dvd", Disc(DiscState::Blank, 0x11), 0, IMAPI_E_MEDIUM_INVALIDTYPE, DiscState::Blank},
        RecordCase{"OneBlockShort", Disc(DiscState::Blank, kProfileCdR, 899), 0, IMAPI_E_DISCFULL, DiscState::Blank},
        RecordCase{"ExactlyFull", Disc(DiscState::Blank, kProfileCdR, 900), 0, S_OK, DiscState::Full},
        RecordCase{"InUse", Grab(GrabResult::Busy), 0, IMAPI_E_DEVICE_STILL_IN_USE, DiscState::Blank},
        RecordCase{"Denied", Grab(GrabResult::Denied), 0, IMAPI_E_DEVICE_NOTACCESSIBLE, DiscState::Blank},
        RecordCase{"NotADrive", Grab(GrabResult::NotADrive), 0, IMAPI_E_DEVICE_INVALIDTYPE, DiscState::Blank},
        RecordCase{"GrabFailed", Grab(GrabResult::Failed), 0, IMAPI_E_GENERIC, DiscState::Blank},
        RecordCase{"WriteError", [](FakeDrive& d) { d.failAt = 400; }, 0, IMAPI_E_GENERIC, DiscState::Blank},
        RecordCase{"Unplugged", [](FakeDrive& d) { d.vanishAt = 400; }, 0, IMAPI_E_DEVICE_NOTPRESENT, DiscState::Blank},
        RecordCase{"Stalled", [](FakeDrive& d) { d.stallAt = 400; }, 0, IMAPI_E_GENERIC, DiscState::Blank},
        RecordCase{"CancelWhileStarting", [](FakeDrive& d) { d.startPolls = 10; }, 't', IMAPI_E_USERABORT,
                   DiscState::Blank},
        RecordCase{"CancelWhileClosing", [](FakeDrive& d) { d.closingPolls = 30; }, 'c', S_OK, DiscState::Full}),
    kRowName);

TEST(BurnEngineRecordArgs, BadTrackListsAndShortStashesAreRefusedWithoutTouchingTheDrive) {
  Rig rig;
  rig.Stage({100});
  const std::string stash = rig.tracks[0].stashPath;
  for (auto [tracks, hr] : std::vector<std::pair<std::vector<TrackSpec>, HRESULT>>{
           {{}, E_INVALIDARG}, {{{stash, 0, 0}}, E_INVALIDARG}, {{{stash, 200, 100}}, IMAPI_E_FILEACCESS},
           {{{rig.dir.Path(), 0, 1}}, IMAPI_E_FILEACCESS}})
    EXPECT_EQ(rig.engine->Record(rig.owner, kSr0, tracks, false, false, RecordCallbacks{}), hr);
  EXPECT_TRUE(rig.world->grabs.empty());
}

TEST(BurnEngineHang, ADriveThatDoesNotStopHangsNobodyAndIsGivenBackOnceItRests) {
  Rig rig;
  rig.Drive().blocksPerPoll = 10;
  rig.Drive().hangOnCancel = true;
  EXPECT_EQ(rig.Record([&] { return !rig.blocks.empty(); }), IMAPI_E_USERABORT);
  EXPECT_EQ(rig.engine->OpenExclusive(rig.engine->AddOwner(), kSr0), IMAPI_E_DEVICE_STILL_IN_USE);
  rig.world->With([&] { rig.Drive().hangOnCancel = false; });
  ASSERT_EQ(rig.engine->OpenExclusive(rig.engine->AddOwner(), kSr0), S_OK);
  EXPECT_EQ(rig.world->releases, (Releases{{kSr0, true}}));  // the eject asked for
}

TEST(BurnEngineThreads, EveryLibraryCallIsMadeOnOneThreadBetweenStartAndFinish) {
  Rig rig({Recorder(kProfileCdRw, DiscState::Full)});
  rig.Stage({600});
  auto work = [&](int owner) {
    long type, flags;
    rig.engine->Scan(nullptr);
    if (rig.engine->OpenExclusive(owner, kSr0) != S_OK) return;
    rig.engine->QueryMedia(owner, kSr0, &type, &flags);
    rig.engine->Erase(owner, kSr0, false);
    rig.engine->Record(owner, kSr0, rig.tracks, true, false, RecordCallbacks{});
    rig.engine->Eject(owner, kSr0);
    rig.engine->Close(owner, kSr0);
  };
  auto a = std::async(std::launch::async, work, rig.engine->AddOwner());
  auto b = std::async(std::launch::async, work, rig.engine->AddOwner());
  work(rig.owner);
  a.get(), b.get();
  rig.engine.reset();
  EXPECT_EQ(rig.world->threads.size(), 1u);
  EXPECT_EQ(rig.world->threads.count(std::this_thread::get_id()), 0u);
  EXPECT_EQ(rig.world->finishes, 1);
  EXPECT_FALSE(rig.world->callAfterFinish);
  EXPECT_EQ(rig.world->grabbedNow + rig.world->scansWhileGrabbed, 0);
}

TEST(BurnEngineThreads, ALibraryThatWillNotStartLeavesEveryOperationFailing) {
  auto world = std::make_shared<FakeWorld>();
  world->initializeFails = true;
  auto engine = std::make_unique<BurnEngine>(std::make_unique<FakeBurnAdapter>(world));
  std::string note;
  EXPECT_TRUE(engine->Scan(&note).empty());
  EXPECT_NE(note.find("could not be started"), std::string::npos);
  EXPECT_EQ(engine->OpenExclusive(1, kSr0), E_FAIL);
  engine.reset();
  EXPECT_EQ(world->finishes, 0);
}

TEST(BurnEngineSignalDeathTest, AnInterruptedBurnEndsTheDriveBeforeTheProcessGoes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(Rig().Record([n = 0]() mutable { return n++ == 2 && std::raise(SIGTERM) != 0; }),
              testing::KilledBySignal(SIGTERM), "library finished, 0 drives held, 0 written");
}
