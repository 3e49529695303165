// The backend's logic against scripted drives.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "FakeBurnAdapter.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/burn/BurnDriveBackend.h"
#include "platform/imapi/burn/BurnEngine.h"
#include "tests/support/TestSupport.h"

using namespace imapi_burn;
using imapi_backend::RecordCallbacks;
using imapi_backend::TrackSpec;
using Clock = std::chrono::steady_clock;

namespace {

FakeDrive Recorder(const std::string& address, int profile = kProfileCdR, DiscState state = DiscState::Blank) {
  FakeDrive d;
  d.info = {address, "VENDOR", "CD-RW " + address.substr(address.size() - 3), "1.0", true};
  d.media.state = state;
  d.media.profile = profile;
  d.media.erasable = profile == kProfileCdRw && state != DiscState::Blank;
  d.media.capacityBlocks = 359849;  // 80 minutes
  return d;
}

BurnEngineOptions Quick() {
  BurnEngineOptions o;
  o.pollInterval = std::chrono::milliseconds(1);
  o.cancelGrace = std::chrono::milliseconds(300);
  o.stallTimeout = std::chrono::milliseconds(300);
  return o;
}

struct Rig {
  std::shared_ptr<FakeWorld> world = std::make_shared<FakeWorld>();
  std::unique_ptr<BurnEngine> engine;
  int owner = 0;

  explicit Rig(std::vector<FakeDrive> drives = {Recorder("/dev/sr0")}) {
    for (const FakeDrive& d : drives) world->Add(d);
  }
  BurnEngine& Start() {
    engine = std::make_unique<BurnEngine>(std::make_unique<FakeBurnAdapter>(world), Quick());
    owner = engine->AddOwner();
    return *engine;
  }
  FakeDrive& Drive(const std::string& address) { return world->drives[address]; }
};

// A stash file holding the tracks one after another behind a few bytes of
// something else, as the service stages them.
struct Stash {
  testsupport::TempDir dir;
  std::string path = dir.File("stash.bin");
  std::vector<TrackSpec> tracks;

  explicit Stash(const std::vector<uint32_t>& blocks, uint64_t lead = 100) {
    uint64_t size = lead;
    for (uint32_t b : blocks) {
      tracks.push_back({path, size, b});
      size += uint64_t{b} * 2352;
    }
    testsupport::WriteFileBytes(path, std::vector<uint8_t>(size, 0x5a));
  }
};

struct Events {
  std::vector<std::pair<long, long>> tracks;
  std::vector<std::pair<long, long>> blocks;
  std::vector<long> closing;
  std::vector<char> order;  // 't', 'b', 'c'

  RecordCallbacks Callbacks(std::function<bool()> cancel = {}) {
    RecordCallbacks cb;
    cb.onTrack = [this](long t, long n) { tracks.emplace_back(t, n), order.push_back('t'); };
    cb.onBlocks = [this](long d, long n) { blocks.emplace_back(d, n), order.push_back('b'); };
    cb.onClosing = [this](long s) { closing.push_back(s), order.push_back('c'); };
    cb.queryCancel = std::move(cancel);
    return cb;
  }
};

}  // namespace

TEST(BurnEngineScan, ListsOnlyCdWritersInScanOrderWithTheirInquiryData) {
  FakeDrive reader = Recorder("/dev/sr1");
  reader.info.writesCd = false;
  Rig rig({Recorder("/dev/sr2"), reader, Recorder("/dev/sr0")});
  BurnEngine& engine = rig.Start();
  std::string note = "stale";
  auto drives = engine.Scan(&note);
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].id, "/dev/sr2");
  EXPECT_EQ(drives[0].vendor, "VENDOR");
  EXPECT_EQ(drives[0].product, "CD-RW sr2");
  EXPECT_EQ(drives[0].revision, "1.0");
  EXPECT_EQ(drives[1].id, "/dev/sr0");
  EXPECT_EQ(note, "");
}

TEST(BurnEngineScan, NothingUsableGivesAnEmptyListAndANoteThatSaysWhy) {
  struct Case {
    const char* name;
    bool reader;      // a drive that cannot write CDs is found
    bool scanFails;
    std::vector<DeviceNode> nodes;
    std::vector<std::string> expected;
  };
  const DeviceNode denied{"/dev/sr0", false, "root", "cdrom", 0660};
  const DeviceNode rootOnly{"/dev/sr0", false, "root", "root", 0600};
  const DeviceNode open{"/dev/sr0", true, "root", "cdrom", 0660};
  const std::vector<Case> cases = {
      {"no drive at all", false, false, {}, {"no optical drive", "/dev/sr*"}},
      {"no permission", false, false, {denied}, {"/dev/sr0", "group cdrom", "usermod -aG cdrom", "log in again"}},
      {"no permission, root's", false, false, {rootOnly}, {"/dev/sr0", "administrator"}},
      {"held by another program", false, false, {open}, {"/dev/sr0", "in use by another program"}},
      {"only a reader", true, false, {open}, {"VENDOR", "cannot write CDs"}},
      {"scan failed", false, true, {}, {"scan for CD recorders failed"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDrive reader = Recorder("/dev/sr0");
    reader.info.writesCd = false;
    Rig rig(c.reader ? std::vector<FakeDrive>{reader} : std::vector<FakeDrive>{});
    rig.world->nodes = c.nodes;
    rig.world->scanFails = c.scanFails;
    std::string note;
    EXPECT_TRUE(rig.Start().Scan(&note).empty());
    for (const std::string& part : c.expected) EXPECT_NE(note.find(part), std::string::npos) << note;
  }
}

TEST(BurnEngineScan, WhileADriveIsHeldTheLastScanIsServedWithoutScanning) {
  Rig rig({Recorder("/dev/sr0"), Recorder("/dev/sr1")});
  BurnEngine& engine = rig.Start();
  ASSERT_EQ(engine.Scan(nullptr).size(), 2u);
  ASSERT_EQ(engine.OpenExclusive(rig.owner, "/dev/sr0"), S_OK);
  rig.Drive("/dev/sr1").grabResult = GrabResult::Missing;  // would vanish from a new scan
  EXPECT_EQ(engine.Scan(nullptr).size(), 2u);
  EXPECT_EQ(rig.world->scans, 1);
  ASSERT_EQ(engine.Close(rig.owner, "/dev/sr0"), S_OK);
  EXPECT_EQ(engine.Scan(nullptr).size(), 1u);
  EXPECT_EQ(rig.world->scansWhileGrabbed, 0);
}

TEST(BurnEngineMedia, DiscStatusAndProfileBecomeTheServiceMediaTypeAndFlags) {
  struct Case {
    DiscState state;
    int profile;
    bool present;
    HRESULT hr;
    long type;
    long flags;
  };
  const std::vector<Case> cases = {
      {DiscState::Blank, kProfileCdR, true, S_OK, MEDIA_CDDA_CDROM, MEDIA_BLANK | MEDIA_WRITABLE},
      {DiscState::Blank, kProfileCdRw, true, S_OK, MEDIA_CDDA_CDROM, MEDIA_BLANK | MEDIA_WRITABLE | MEDIA_RW},
      {DiscState::Appendable, kProfileCdR, true, S_OK, MEDIA_CDDA_CDROM, MEDIA_WRITABLE},
      {DiscState::Full, kProfileCdR, true, S_OK, MEDIA_CDDA_CDROM, 0},
      {DiscState::Full, kProfileCdRw, true, S_OK, MEDIA_CDDA_CDROM, MEDIA_RW},
      {DiscState::Blank, 0x11, true, S_OK, MEDIA_SPECIAL, MEDIA_FORMAT_UNUSABLE_BY_IMAPI},  // DVD-R
      {DiscState::Full, kProfileCdRom, true, S_OK, MEDIA_SPECIAL, MEDIA_FORMAT_UNUSABLE_BY_IMAPI},
      {DiscState::Unsuitable, kProfileCdR, true, S_OK, MEDIA_SPECIAL, MEDIA_FORMAT_UNUSABLE_BY_IMAPI},
      {DiscState::Empty, 0, true, IMAPI_E_MEDIUM_NOTPRESENT, 0, 0},
      {DiscState::Unready, 0, true, IMAPI_E_MEDIUM_NOTPRESENT, 0, 0},
      {DiscState::Blank, kProfileCdR, false, IMAPI_E_DEVICE_NOTPRESENT, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "state " << static_cast<int>(c.state) << " profile " << c.profile);
    MediaInfo media;
    media.state = c.state;
    media.profile = c.profile;
    media.present = c.present;
    long type = 99, flags = 99;
    EXPECT_EQ(BurnEngine::MapMedia(media, &type, &flags), c.hr);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(flags, c.flags);
  }
}

TEST(BurnEngineMedia, QueryNeedsTheDriveOpenAndReadsTheDisc) {
  Rig rig({Recorder("/dev/sr0", kProfileCdRw, DiscState::Full)});
  BurnEngine& engine = rig.Start();
  long type = 0, flags = 0;
  EXPECT_EQ(engine.QueryMedia(rig.owner, "/dev/sr0", &type, &flags), IMAPI_E_NOTOPENED);
  ASSERT_EQ(engine.OpenExclusive(rig.owner, "/dev/sr0"), S_OK);
  EXPECT_EQ(engine.QueryMedia(rig.owner, "/dev/sr0", &type, &flags), S_OK);
  EXPECT_EQ(flags, MEDIA_RW);
  EXPECT_EQ(engine.QueryMedia(rig.owner, "/dev/sr0", nullptr, &flags), E_POINTER);
  // Unplugged while held.
  rig.Drive("/dev/sr0").grabResult = GrabResult::Missing;
  EXPECT_EQ(engine.QueryMedia(rig.owner, "/dev/sr0", &type, &flags), IMAPI_E_DEVICE_NOTPRESENT);
  EXPECT_EQ(engine.QueryMedia(rig.owner, "/dev/sr0", &type, &flags), IMAPI_E_DEVICE_NOTPRESENT);
  EXPECT_EQ(rig.world->grabbedNow, 0);
}

TEST(BurnEngineOpen, ExclusiveOpenIsAGrabAndItsFailuresAreTheServiceErrors) {
  struct Case {
    GrabResult grab;
    HRESULT hr;
    const char* address = "/dev/sr0";
  };
  for (const Case& c : {Case{GrabResult::Ok, S_OK}, Case{GrabResult::Denied, IMAPI_E_DEVICE_NOTACCESSIBLE},
                        Case{GrabResult::Busy, IMAPI_E_DEVICE_STILL_IN_USE},
                        Case{GrabResult::Ok, IMAPI_E_DEVICE_NOTPRESENT, "/dev/sr9"}}) {
    SCOPED_TRACE(c.address + std::to_string(static_cast<int>(c.grab)));
    Rig rig;
    rig.Drive("/dev/sr0").grabResult = c.grab;
    BurnEngine& engine = rig.Start();
    EXPECT_EQ(engine.OpenExclusive(rig.owner, c.address), c.hr);
    EXPECT_EQ(rig.world->grabbedNow, c.hr == S_OK ? 1 : 0);
    // A failed open holds nothing: asking for the media still says so.
    long type, flags;
    if (c.hr != S_OK) {
      EXPECT_EQ(engine.QueryMedia(rig.owner, "/dev/sr0", &type, &flags), IMAPI_E_NOTOPENED);
    }
  }
}

TEST(BurnEngineOpen, ADriveHasOneHolderUntilItIsClosedOrItsHolderGoes) {
  Rig rig;
  BurnEngine& engine = rig.Start();
  const int other = engine.AddOwner();
  ASSERT_EQ(engine.OpenExclusive(rig.owner, "/dev/sr0"), S_OK);
  ASSERT_EQ(rig.world->grabs.size(), 1u);
  EXPECT_FALSE(rig.world->grabs[0].second);  // opening moves no tray
  EXPECT_EQ(engine.OpenExclusive(rig.owner, "/dev/sr0"), S_OK);
  EXPECT_EQ(engine.OpenExclusive(other, "/dev/sr0"), IMAPI_E_DEVICE_STILL_IN_USE);
  EXPECT_EQ(engine.Close(other, "/dev/sr0"), S_OK);  // not its drive: nothing happens
  EXPECT_EQ(rig.world->grabbedNow, 1);
  EXPECT_EQ(engine.Close(rig.owner, "/dev/sr0"), S_OK);
  EXPECT_EQ(rig.world->grabbedNow, 0);
  ASSERT_EQ(engine.OpenExclusive(other, "/dev/sr0"), S_OK);
  engine.RemoveOwner(other);
  EXPECT_EQ(rig.world->grabbedNow, 0);
  EXPECT_EQ(engine.OpenExclusive(rig.owner, "/dev/sr0"), S_OK);
  ASSERT_FALSE(rig.world->releases.empty());
  EXPECT_FALSE(rig.world->releases.back().second);  // no eject on close
}

TEST(BurnEngineEject, EjectOpensTheTrayOnReleaseAndKeepsTheHold) {
  Rig rig;
  BurnEngine& engine = rig.Start();
  const int other = engine.AddOwner();
  EXPECT_EQ(engine.Eject(rig.owner, "/dev/sr0"), IMAPI_E_NOTOPENED);
  ASSERT_EQ(engine.OpenExclusive(rig.owner, "/dev/sr0"), S_OK);
  ASSERT_EQ(engine.Eject(rig.owner, "/dev/sr0"), S_OK);
  ASSERT_EQ(rig.world->releases.size(), 1u);
  EXPECT_TRUE(rig.world->releases[0].second);
  EXPECT_EQ(engine.OpenExclusive(other, "/dev/sr0"), IMAPI_E_DEVICE_STILL_IN_USE);
  // The tray stays open: taking the drive again does not load it.
  long type, flags;
  EXPECT_EQ(engine.QueryMedia(rig.owner, "/dev/sr0", &type, &flags), IMAPI_E_MEDIUM_NOTPRESENT);
  EXPECT_FALSE(rig.world->grabs.back().second);
  EXPECT_EQ(engine.Eject(rig.owner, "/dev/sr0"), S_OK);
  EXPECT_EQ(engine.Close(rig.owner, "/dev/sr0"), S_OK);
  EXPECT_EQ(rig.world->grabbedNow, 0);
}

TEST(BurnEngineErase, ErasesRewritableDiscsQuickOrFullAndRefusesOthers) {
  struct Case {
    const char* name;
    int profile;
    DiscState state;
    bool full;
    bool fails;
    HRESULT hr;
    int erasesStarted;
  };
  const std::vector<Case> cases = {
      {"quick", kProfileCdRw, DiscState::Full, false, false, S_OK, 1},
      {"full", kProfileCdRw, DiscState::Appendable, true, false, S_OK, 1},
      {"fails", kProfileCdRw, DiscState::Full, false, true, IMAPI_E_GENERIC, 1},
      {"already blank", kProfileCdRw, DiscState::Blank, false, false, S_OK, 0},
      {"write-once", kProfileCdR, DiscState::Full, false, false, IMAPI_E_MEDIUM_INVALIDTYPE, 0},
      {"no disc", kProfileCdRw, DiscState::Empty, false, false, IMAPI_E_MEDIUM_NOTPRESENT, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig({Recorder("/dev/sr0", c.profile, c.state)});
    rig.Drive("/dev/sr0").eraseFails = c.fails;
    BurnEngine& engine = rig.Start();
    EXPECT_EQ(engine.Erase(rig.owner, "/dev/sr0", c.full), IMAPI_E_NOTOPENED);
    ASSERT_EQ(engine.OpenExclusive(rig.owner, "/dev/sr0"), S_OK);
    EXPECT_EQ(engine.Erase(rig.owner, "/dev/sr0", c.full), c.hr);
    ASSERT_EQ(static_cast<int>(rig.world->erases.size()), c.erasesStarted);
    if (c.erasesStarted) {
      EXPECT_EQ(rig.world->erases[0], !c.full);
    }
    long type, flags;
    if (c.hr == S_OK) {
      ASSERT_EQ(engine.QueryMedia(rig.owner, "/dev/sr0", &type, &flags), S_OK);
      EXPECT_TRUE(flags & MEDIA_BLANK);
    }
    EXPECT_EQ(rig.world->grabbedNow, 1);  // still held by its opener
  }
}

TEST(BurnEngineRecord, WritesTheStagedTracksAsAudioAndReportsProgressSummedOverTracks) {
  struct Case {
    bool simulate;
    bool eject;
  };
  for (const Case& c : {Case{false, true}, Case{true, false}}) {
    SCOPED_TRACE(testing::Message() << "simulate " << c.simulate << " eject " << c.eject);
    Rig rig;
    rig.Drive("/dev/sr0").blocksPerPoll = 70;
    rig.Drive("/dev/sr0").writeSpeed = 1764;  // 10x
    BurnEngine& engine = rig.Start();
    Stash stash({300, 45, 500});
    Events events;
    ASSERT_EQ(engine.Record(rig.owner, "/dev/sr0", stash.tracks, c.simulate, c.eject, events.Callbacks()), S_OK);
    ASSERT_EQ(rig.world->grabs.size(), 1u);
    EXPECT_TRUE(rig.world->grabs[0].second);  // a burn closes the tray

    ASSERT_EQ(rig.world->writes.size(), 1u);
    const WriteRequest& w = rig.world->writes[0];
    EXPECT_TRUE(w.audio);
    EXPECT_EQ(w.simulate, c.simulate);
    EXPECT_TRUE(w.underrunProof);
    ASSERT_EQ(w.tracks.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(w.tracks[i].path, stash.path);
      EXPECT_EQ(w.tracks[i].offset, stash.tracks[i].offset);
      EXPECT_EQ(w.tracks[i].bytes, uint64_t{stash.tracks[i].blocks} * 2352);
    }
    // The short second track passes between polls and is announced anyway.
    EXPECT_EQ(events.tracks, (std::vector<std::pair<long, long>>{{1, 3}, {2, 3}, {3, 3}}));
    long last = 0;
    for (auto [done, total] : events.blocks) {
      EXPECT_EQ(total, 845);
      EXPECT_GT(done, last);
      last = done;
    }
    EXPECT_EQ(last, 845);
    EXPECT_GT(events.blocks.size(), 5u);
    EXPECT_EQ(events.closing, std::vector<long>{9});
    EXPECT_EQ(events.order.back(), 'c');
    // Given back, with the tray open when asked.
    ASSERT_EQ(rig.world->releases.size(), 1u);
    EXPECT_EQ(rig.world->releases[0].second, c.eject);
    EXPECT_EQ(rig.world->grabbedNow, 0);
  }
}

TEST(BurnEngineRecord, ADriveItsCallerHoldsStaysHeldAfterTheWrite) {
  Rig rig;
  BurnEngine& engine = rig.Start();
  Stash stash({600});
  Events events;
  ASSERT_EQ(engine.OpenExclusive(rig.owner, "/dev/sr0"), S_OK);
  ASSERT_EQ(engine.Record(rig.owner, "/dev/sr0", stash.tracks, false, false, events.Callbacks()), S_OK);
  EXPECT_EQ(rig.world->grabbedNow, 1);
  long type, flags;
  ASSERT_EQ(engine.QueryMedia(rig.owner, "/dev/sr0", &type, &flags), S_OK);
  EXPECT_EQ(flags, 0);  // written and closed
  // With the eject flag the tray opens and the hold stays.
  Rig second;
  BurnEngine& engine2 = second.Start();
  ASSERT_EQ(engine2.OpenExclusive(second.owner, "/dev/sr0"), S_OK);
  ASSERT_EQ(engine2.Record(second.owner, "/dev/sr0", stash.tracks, false, true, events.Callbacks()), S_OK);
  ASSERT_EQ(second.world->releases.size(), 1u);
  EXPECT_TRUE(second.world->releases[0].second);
  EXPECT_EQ(engine2.OpenExclusive(engine2.AddOwner(), "/dev/sr0"), IMAPI_E_DEVICE_STILL_IN_USE);
}

TEST(BurnEngineRecord, RefusesWhatItCannotBurnBeforeWritingAnything) {
  struct Case {
    const char* name;
    int profile;
    DiscState state;
    long capacity;
    GrabResult grab;
    HRESULT hr;
  };
  const std::vector<Case> cases = {
      {"no disc", 0, DiscState::Empty, 0, GrabResult::Ok, IMAPI_E_MEDIUM_NOTPRESENT},
      {"written disc", kProfileCdR, DiscState::Full, 0, GrabResult::Ok, IMAPI_E_CANNOT_WRITE_TO_MEDIA},
      {"appendable disc", kProfileCdR, DiscState::Appendable, 0, GrabResult::Ok, IMAPI_E_CANNOT_WRITE_TO_MEDIA},
      {"DVD", 0x11, DiscState::Blank, 0, GrabResult::Ok, IMAPI_E_MEDIUM_INVALIDTYPE},
      {"too small", kProfileCdR, DiscState::Blank, 1000, GrabResult::Ok, IMAPI_E_DISCFULL},
      {"no permission", kProfileCdR, DiscState::Blank, 0, GrabResult::Denied, IMAPI_E_DEVICE_NOTACCESSIBLE},
      {"used elsewhere", kProfileCdR, DiscState::Blank, 0, GrabResult::Busy, IMAPI_E_DEVICE_STILL_IN_USE},
  };
  Stash stash({900});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig({Recorder("/dev/sr0", c.profile, c.state)});
    rig.Drive("/dev/sr0").media.capacityBlocks = c.capacity;
    rig.Drive("/dev/sr0").grabResult = c.grab;
    BurnEngine& engine = rig.Start();
    Events events;
    EXPECT_EQ(engine.Record(rig.owner, "/dev/sr0", stash.tracks, false, true, events.Callbacks()), c.hr);
    EXPECT_TRUE(rig.world->writes.empty());
    EXPECT_TRUE(events.tracks.empty());
    EXPECT_EQ(rig.world->grabbedNow, 0);
    for (auto& r : rig.world->releases) EXPECT_FALSE(r.second);  // no eject for a refused burn
  }
}

TEST(BurnEngineRecord, BadTrackListsAndShortStashesAreRefusedWithoutTouchingTheDrive) {
  Stash stash({100, 100});
  testsupport::TempDir dir;
  struct Case {
    const char* name;
    std::vector<TrackSpec> tracks;
    HRESULT hr;
  };
  const std::vector<Case> cases = {
      {"no tracks", {}, E_INVALIDARG},
      {"empty track", {{stash.path, 0, 0}}, E_INVALIDARG},
      {"stash ends early", {{stash.path, stash.tracks[1].offset, 101}}, IMAPI_E_FILEACCESS},
      {"no stash", {{dir.File("missing.bin"), 0, 10}}, IMAPI_E_FILEACCESS},
      {"stash is a folder", {{dir.Path(), 0, 10}}, IMAPI_E_FILEACCESS},
  };
  Rig rig;
  BurnEngine& engine = rig.Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Events events;
    EXPECT_EQ(engine.Record(rig.owner, "/dev/sr0", c.tracks, false, false, events.Callbacks()), c.hr);
  }
  EXPECT_TRUE(rig.world->grabs.empty());
}

TEST(BurnEngineRecord, AFailedOrLostWriteIsAFailureWithoutClosing) {
  struct Case {
    const char* name;
    long failAt;
    long vanishAt;
    bool refuse;
    HRESULT hr;
  };
  const std::vector<Case> cases = {
      {"write error", 400, -1, false, IMAPI_E_GENERIC},
      {"drive unplugged", -1, 400, false, IMAPI_E_DEVICE_NOTPRESENT},
      {"refused by the library", -1, -1, true, IMAPI_E_GENERIC},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.Drive("/dev/sr0").blocksPerPoll = 100;
    rig.Drive("/dev/sr0").failAtBlock = c.failAt;
    rig.Drive("/dev/sr0").vanishAtBlock = c.vanishAt;
    rig.Drive("/dev/sr0").refuseWrite = c.refuse;
    BurnEngine& engine = rig.Start();
    Stash stash({500, 500});
    Events events;
    EXPECT_EQ(engine.Record(rig.owner, "/dev/sr0", stash.tracks, false, true, events.Callbacks()), c.hr);
    EXPECT_TRUE(events.closing.empty());
    for (auto [done, total] : events.blocks) EXPECT_LT(done, total);
    EXPECT_EQ(rig.world->grabbedNow, 0);
    // The engine is still usable afterwards.
    std::string note;
    engine.Scan(&note);
    EXPECT_EQ(rig.world->scansWhileGrabbed, 0);
  }
}

TEST(BurnEngineRecord, CancelFromTheSinkStopsTheWrite) {
  Rig rig;
  rig.Drive("/dev/sr0").blocksPerPoll = 10;
  BurnEngine& engine = rig.Start();
  Stash stash({5000});
  Events events;
  bool asked = false;
  auto cb = events.Callbacks([&] { return asked = !events.blocks.empty() && events.blocks.back().first >= 200; });
  EXPECT_EQ(engine.Record(rig.owner, "/dev/sr0", stash.tracks, false, true, cb), IMAPI_E_USERABORT);
  EXPECT_TRUE(asked);
  EXPECT_EQ(rig.world->cancels, 1);
  EXPECT_TRUE(events.closing.empty());
  EXPECT_LT(events.blocks.back().first, 400);
  EXPECT_EQ(rig.world->grabbedNow, 0);

  // A sink that cancels at once: nothing is written.
  Rig early;
  BurnEngine& engine2 = early.Start();
  EXPECT_EQ(engine2.Record(early.owner, "/dev/sr0", stash.tracks, false, true, events.Callbacks([] { return true; })),
            IMAPI_E_USERABORT);
  EXPECT_TRUE(early.world->writes.empty());
}

TEST(BurnEngineRecord, ADriveThatDoesNotStopOrDoesNotMoveHangsNobody) {
  struct Case {
    const char* name;
    bool cancel;
    HRESULT hr;
  };
  for (const Case& c : {Case{"cancel ignored", true, IMAPI_E_USERABORT}, Case{"stalled", false, IMAPI_E_GENERIC}}) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.Drive("/dev/sr0").blocksPerPoll = 10;
    rig.Drive("/dev/sr0").hangOnCancel = true;
    if (!c.cancel) rig.Drive("/dev/sr0").stallAtBlock = 50;
    BurnEngine& engine = rig.Start();
    Stash stash({5000});
    Events events;
    const auto start = Clock::now();
    auto cb = events.Callbacks([&] { return c.cancel && !events.blocks.empty(); });
    EXPECT_EQ(engine.Record(rig.owner, "/dev/sr0", stash.tracks, false, false, cb), c.hr);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(rig.world->cancels, 1);
    // The drive is still busy: nobody may take it, and a listing serves the last scan.
    EXPECT_EQ(engine.OpenExclusive(engine.AddOwner(), "/dev/sr0"), IMAPI_E_DEVICE_STILL_IN_USE);
    EXPECT_EQ(engine.Scan(nullptr).size(), 1u);
    EXPECT_EQ(rig.world->scansWhileGrabbed, 0);
    // Shutting down waits its grace and finishes all the same.
    const auto stop = Clock::now();
    rig.engine.reset();
    EXPECT_LT(Clock::now() - stop, std::chrono::seconds(5));
    EXPECT_EQ(rig.world->finishes, 1);
  }
}

TEST(BurnEngineRecord, AnAbandonedJobIsGivenBackOnceTheDriveRests) {
  Rig rig;
  rig.Drive("/dev/sr0").blocksPerPoll = 10;
  rig.Drive("/dev/sr0").hangOnCancel = true;
  BurnEngine& engine = rig.Start();
  Stash stash({5000});
  Events events;
  EXPECT_EQ(engine.Record(rig.owner, "/dev/sr0", stash.tracks, false, true, events.Callbacks([] {
    static int polls = 0;
    return ++polls > 3;
  })),
            IMAPI_E_USERABORT);
  EXPECT_EQ(rig.world->grabbedNow, 1);
  {
    std::lock_guard<std::mutex> g(rig.world->lock);
    rig.world->drives["/dev/sr0"].hangOnCancel = false;  // the drive finally stops
  }
  ASSERT_EQ(engine.Scan(nullptr).size(), 1u);
  EXPECT_EQ(rig.world->grabbedNow, 0);
  ASSERT_FALSE(rig.world->releases.empty());
  EXPECT_TRUE(rig.world->releases.back().second);  // the eject that was asked for
  EXPECT_EQ(engine.OpenExclusive(engine.AddOwner(), "/dev/sr0"), S_OK);
}

TEST(BurnEngineRecord, DuringABurnAListingAnswersAtOnceAndASecondBurnIsRefused) {
  Rig rig;
  rig.Drive("/dev/sr0").blocksPerPoll = 1;
  BurnEngine& engine = rig.Start();
  ASSERT_EQ(engine.Scan(nullptr).size(), 1u);
  Stash stash({3000});
  std::atomic<bool> stop{false};
  Events first;
  auto burn = std::async(std::launch::async, [&] {
    return engine.Record(rig.owner, "/dev/sr0", stash.tracks, false, false, first.Callbacks([&] { return stop.load(); }));
  });
  while (rig.world->Grabbed() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::string note;
  auto drives = engine.Scan(&note);
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_EQ(drives[0].id, "/dev/sr0");
  Events second;
  EXPECT_EQ(engine.Record(engine.AddOwner(), "/dev/sr0", stash.tracks, false, false, second.Callbacks()),
            IMAPI_E_DEVICE_STILL_IN_USE);
  EXPECT_EQ(engine.Record(rig.owner, "/dev/sr0", stash.tracks, false, false, second.Callbacks()),
            IMAPI_E_DEVICE_STILL_IN_USE);
  stop = true;
  EXPECT_EQ(burn.get(), IMAPI_E_USERABORT);
  EXPECT_EQ(rig.world->writes.size(), 1u);
  EXPECT_EQ(rig.world->scansWhileGrabbed, 0);
}

TEST(BurnEngineThreads, EveryLibraryCallIsMadeOnOneThreadBetweenStartAndFinish) {
  Rig rig({Recorder("/dev/sr0", kProfileCdRw, DiscState::Full)});
  BurnEngine& engine = rig.Start();
  Stash stash({600});
  auto work = [&](int owner) {
    Events events;
    long type, flags;
    engine.Scan(nullptr);
    if (engine.OpenExclusive(owner, "/dev/sr0") == S_OK) {
      engine.QueryMedia(owner, "/dev/sr0", &type, &flags);
      engine.Erase(owner, "/dev/sr0", false);
      engine.Record(owner, "/dev/sr0", stash.tracks, true, false, events.Callbacks());
      engine.Eject(owner, "/dev/sr0");
      engine.Close(owner, "/dev/sr0");
    }
  };
  std::thread a(work, engine.AddOwner()), b(work, engine.AddOwner());
  work(rig.owner);
  a.join();
  b.join();
  rig.engine.reset();
  EXPECT_EQ(rig.world->threads.size(), 1u);
  EXPECT_EQ(rig.world->threads.count(std::this_thread::get_id()), 0u);
  EXPECT_EQ(rig.world->initializes, 1);
  EXPECT_EQ(rig.world->finishes, 1);
  EXPECT_FALSE(rig.world->callAfterFinish);
  EXPECT_EQ(rig.world->scansWhileGrabbed, 0);
  EXPECT_EQ(rig.world->grabbedNow, 0);
  EXPECT_GE(rig.world->erases.size(), 1u);
}

TEST(BurnEngineThreads, ALibraryThatWillNotStartLeavesEveryOperationFailing) {
  Rig rig;
  rig.world->initializeFails = true;
  BurnEngine& engine = rig.Start();
  EXPECT_FALSE(engine.Started());
  std::string note;
  EXPECT_TRUE(engine.Scan(&note).empty());
  EXPECT_NE(note.find("could not be started"), std::string::npos);
  Stash stash({10});
  Events events;
  long type, flags;
  EXPECT_EQ(engine.OpenExclusive(rig.owner, "/dev/sr0"), E_FAIL);
  EXPECT_EQ(engine.QueryMedia(rig.owner, "/dev/sr0", &type, &flags), E_FAIL);
  EXPECT_EQ(engine.Record(rig.owner, "/dev/sr0", stash.tracks, false, false, events.Callbacks()), E_FAIL);
  rig.engine.reset();
  EXPECT_EQ(rig.world->finishes, 0);
  EXPECT_EQ(rig.world->scans, 0);
}

TEST(BurnDriveBackendTest, EachBackendHoldsItsOwnDrivesAndGivesThemBackWhenItGoes) {
  Rig rig({Recorder("/dev/sr0"), Recorder("/dev/sr1")});
  auto engine = std::make_shared<BurnEngine>(std::make_unique<FakeBurnAdapter>(rig.world), Quick());
  auto first = std::make_unique<BurnDriveBackend>(engine);
  BurnDriveBackend second(engine);
  ASSERT_EQ(first->Scan(nullptr).size(), 2u);
  ASSERT_EQ(first->OpenExclusive("/dev/sr0"), S_OK);
  ASSERT_EQ(first->OpenExclusive("/dev/sr1"), S_OK);
  EXPECT_EQ(second.OpenExclusive("/dev/sr0"), IMAPI_E_DEVICE_STILL_IN_USE);
  long type, flags;
  EXPECT_EQ(second.QueryMedia("/dev/sr1", &type, &flags), IMAPI_E_NOTOPENED);
  first.reset();
  EXPECT_EQ(rig.world->grabbedNow, 0);
  EXPECT_EQ(second.OpenExclusive("/dev/sr0"), S_OK);
}
