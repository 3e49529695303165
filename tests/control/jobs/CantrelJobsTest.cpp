// The jobs against a scripted service: what each service answer becomes for
// the host (events, error numbers, busy state), the order and arguments of
// the events, recorder choice, and a control that goes mid-burn.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "control/drives/CDrives.h"
#include "control/drives/CEnumDrives.h"
#include "control/interface/CantrelIds.h"
#include "control/jobs/CCantrelCtrl.h"
#include "control/jobs/CProgressSink.h"
#include "control/jobs/JobMessages.h"
#include "platform/com/Apartment.h"
#include "platform/com/DispatchTable.h"
#include "platform/olectl/COleControlSite.h"
#include "tests/control/imapi/FakeDiscMaster.h"
#include "tests/support/TestSupport.h"

namespace {

// A host for the control in tests: the control sited in run mode on the
// test's thread, driven through IDispatch, its events recorded with the
// thread they arrived on and whether the control was busy at that moment.
struct RecordedEvent {
  DISPID dispid;
  std::vector<CVariant> args;
  std::thread::id thread;
  BOOL busy;
};

class JobsTestHost {
 public:
  JobsTestHost() {
    COleControlSite::EnsureApplication();
    CoInitialize(nullptr);
    m_pCtrl = Make<CCantrelCtrl>();
    EXPECT_EQ(m_site.AttachControl(static_cast<IDispatch*>(m_pCtrl.Get()), RECT{10, 20, 110, 70}), S_OK);
    EXPECT_EQ(m_site.ConnectEvents(DIID__DcantrelEvents,
                                   [this](DISPID id, const std::vector<CVariant>& args) {
                                     m_events.push_back({id, args, std::this_thread::get_id(), m_pCtrl->IsBusy()});
                                   }),
              S_OK);
  }
  ~JobsTestHost() {
    WaitIdle();
    m_site.Close();
    m_pCtrl = nullptr;
    CoUninitialize();
  }

  CVariant Call(DISPID id, std::vector<CVariant> args = {}, WORD wFlags = DISPATCH_METHOD) {
    CVariant result;
    EXPECT_EQ(DispInvoke(m_site.GetDispatch().Get(), id, wFlags, std::move(args), &result), S_OK) << "DISPID " << id;
    return result;
  }
  SHORT Burn() {
    return Call(DISPID_CANTREL_BURN, {CVariant::Bool(false), CVariant::Bool(true), CVariant::Bool(false)}).iVal;
  }
  SHORT Add(const std::string& path) {
    return Call(DISPID_CANTREL_ADDAUDIOTRACK, {CVariant::String(std::u16string(path.begin(), path.end()))}).iVal;
  }
  void PutDrive(SHORT n) { Call(DISPID_CANTREL_DRIVE, {CVariant::Short(n)}, DISPATCH_PROPERTYPUT); }

  bool WaitIdle() {
    return COleControlSite::PumpMessagesUntil([this] { return !m_pCtrl || !m_pCtrl->IsBusy(); }, 20000);
  }
  bool WaitEvent(DISPID id, int timeoutMs = 20000) {
    return COleControlSite::PumpMessagesUntil([&] { return Count(id) > 0; }, timeoutMs);
  }
  // Ends a job and lets any message it posted after its last one arrive.
  void Finish() {
    WaitIdle();
    COleControlSite::PumpMessagesFor(1200);
  }

  size_t Count(DISPID id) const {
    size_t n = 0;
    for (const auto& e : m_events) n += e.dispid == id;
    return n;
  }

  ComPtr<CCantrelCtrl> m_pCtrl;
  COleControlSite m_site{TRUE};
  std::vector<RecordedEvent> m_events;
};

using testsupport::MakeWav;
using Clock = std::chrono::steady_clock;

struct TestApartment {
  TestApartment() { CoInitialize(nullptr); }
  ~TestApartment() { CoUninitialize(); }
};

class Jobs {
 protected:
  void StartFake(FakeScript script = {}) { m_fake.emplace(std::move(script)); }
  // Two tracks of 4 and 1 blocks, the first not a whole number of blocks.
  void AddTwoTracks(JobsTestHost& host) {
    m_a = MakeWav(m_dir.File("a.wav"), 2352 * 3 + 100);
    m_b = MakeWav(m_dir.File("b.wav"), 2352);
    ASSERT_EQ(host.Add(m_dir.File("a.wav")), 0);
    ASSERT_EQ(host.Add(m_dir.File("b.wav")), 0);
  }
  void ExpectNoLeaks() {
    EXPECT_TRUE(COleControlSite::PumpMessagesUntil(
        [&] { return m_fake->Log().liveObjects == 0 && CProgressSink::GetLiveCount() == 0; }, 5000))
        << "service objects alive: " << m_fake->Log().liveObjects << ", sinks: " << CProgressSink::GetLiveCount();
    EXPECT_EQ(m_fake->Log().CountCalls("Master.SinkLeftAdvised"), 0u);
  }

  testsupport::ScopedRegistry m_registry;
  TestApartment m_apartment;
  testsupport::TempDir m_dir;
  std::optional<FakeDiscMaster> m_fake;
  std::vector<uint8_t> m_a, m_b;
};

constexpr DISPID kError = DISPID_EVENT_ERROREVENT;
const auto RowName = [](const auto& info) { return info.param.name; };
enum class Job { Burn, Erase };
enum class Tracks { Two, None, SecondDeleted, SecondTruncated };

struct OutcomeRow {
  std::string name;
  Job job;
  FakeScript script;
  Tracks tracks;
  DISPID event;          // the one event that ends the job
  SHORT errorNo;         // its number, for ErrorEvent
  bool reached = false;  // the service was asked to record or erase
  friend void PrintTo(const OutcomeRow& row, std::ostream* os) { *os << row.name; }
};

class JobOutcome : public Jobs, public ::testing::TestWithParam<OutcomeRow> {};

// Every job ends with exactly one closing event, raised while the control
// is still busy, and gives back every service object and its sink.
TEST_P(JobOutcome, EndsWithOneEventWhileBusyThenIdle) {
  const OutcomeRow& row = GetParam();
  StartFake(row.script);
  {
    JobsTestHost host;
    if (row.tracks != Tracks::None) AddTwoTracks(host);
    if (row.tracks == Tracks::SecondDeleted) std::remove(m_dir.File("b.wav").c_str());
    if (row.tracks == Tracks::SecondTruncated) testsupport::WriteFileBytes(m_dir.File("b.wav"), {'R', 'I', 'F', 'F'});
    if (row.job == Job::Burn)
      ASSERT_EQ(host.Burn(), 1);
    else
      ASSERT_EQ(host.Call(DISPID_CANTREL_ERASE, {CVariant::Bool(true)}).iVal, 1);
    host.Finish();
    ASSERT_EQ(host.Count(kError) + host.Count(DISPID_EVENT_BURNCOMPLETE) + host.Count(DISPID_EVENT_ERASECOMPLETE), 1u);
    const RecordedEvent& e = host.m_events.back();
    EXPECT_EQ(e.dispid, row.event);
    if (row.event == DISPID_EVENT_ERROREVENT) {
      EXPECT_EQ(e.args.at(0).vt, VT_I2);
      EXPECT_EQ(e.args.at(0).iVal, row.errorNo);
    }
    EXPECT_TRUE(e.busy);
    EXPECT_FALSE(host.m_pCtrl->IsBusy());
  }
  const FakeLog log = m_fake->Log();
  // Erase(1): the host asked for a full erase.
  EXPECT_EQ(log.CountCalls("Master.RecordDisc(0,1)") + log.CountCalls("Recorder0.Erase(1)"), row.reached ? 1u : 0u);
  ExpectNoLeaks();
}

// A job that the service's answer to `call` ends with ErrorEvent n.
OutcomeRow Ends(std::string name, Job job, std::string call, HRESULT hr, SHORT n, bool reached = false) {
  return {name, job, FakeScript{{{call, hr}}}, job == Job::Burn ? Tracks::Two : Tracks::None, kError, n, reached};
}
OutcomeRow NotBlank() {
  OutcomeRow row{"NotBlank", Job::Burn, {}, Tracks::Two, kError, 4};
  row.script.mediaFlags = MEDIA_WRITABLE;
  return row;
}
constexpr Job B = Job::Burn, E = Job::Erase;

INSTANTIATE_TEST_SUITE_P(
    Rows, JobOutcome,
    ::testing::Values(Ends("CreateInvalidArg", B, "Redbook.CreateAudioTrack", E_INVALIDARG, 1),
                      Ends("CreateNotOpened", B, "Redbook.CreateAudioTrack", IMAPI_E_NOTOPENED, 2),
                      Ends("CreateTrackNotOpen", B, "Redbook.CreateAudioTrack", IMAPI_E_TRACKNOTOPEN, 3),
                      Ends("BlocksDiscFull", B, "Redbook.AddAudioTrackBlocks", IMAPI_E_DISCFULL, 4),
                      Ends("CloseTrackNotOpen", B, "Redbook.CloseAudioTrack", IMAPI_E_TRACKNOTOPEN, 3),
                      Ends("CreateGeneric", B, "Redbook.CreateAudioTrack", IMAPI_E_GENERIC, 6),
                      Ends("CreateSFalse", B, "Redbook.CreateAudioTrack", S_FALSE, 6),
                      Ends("AdviseRefused", B, "Master.ProgressAdvise", E_FAIL, 6),
                      Ends("NoAudioFormat", B, "Master.SetActiveDiscMasterFormat", E_FAIL, 6), NotBlank(),
                      Ends("RecorderWillNotOpen", B, "Recorder0.OpenExclusive", E_FAIL, 4),
                      Ends("NoService", B, "Create", REGDB_E_CLASSNOTREG, 4),
                      Ends("RecorderNotPermitted", B, "Recorder0.OpenExclusive", IMAPI_E_DEVICE_NOTACCESSIBLE, 4),
                      Ends("RecorderStillInUse", B, "Recorder0.OpenExclusive", IMAPI_E_DEVICE_STILL_IN_USE, 9),
                      OutcomeRow{"TrackDeleted", B, {}, Tracks::SecondDeleted, kError, 5},
                      OutcomeRow{"TrackTruncated", B, {}, Tracks::SecondTruncated, kError, 5},
                      OutcomeRow{"NoTracks", B, {}, Tracks::None, kError, 6},
                      Ends("RecordFails", B, "Master.RecordDisc", IMAPI_E_LOSS_OF_STREAMING, 7, true),
                      Ends("RecordInUse", B, "Master.RecordDisc", IMAPI_E_DEVICE_STILL_IN_USE, 9, true),
                      OutcomeRow{"Erased", E, {}, Tracks::None, DISPID_EVENT_ERASECOMPLETE, 0, true},
                      Ends("EraseFails", E, "Recorder0.Erase", IMAPI_E_GENERIC, 8, true),
                      Ends("EraseWillNotOpen", E, "Recorder0.OpenExclusive", E_FAIL, 8),
                      Ends("EraseInUse", E, "Recorder0.OpenExclusive", IMAPI_E_DEVICE_STILL_IN_USE, 9)),
    RowName);

class JobsTest : public Jobs, public ::testing::Test {};

// While it runs no other job starts; it stages the list as it was when it
// started, relays progress on the host's thread and completes when no
// longer busy.
TEST_F(JobsTest, AWholeBurnAsTheHostSeesIt) {
  StartFake();
  JobsTestHost host;
  AddTwoTracks(host);
  ASSERT_EQ(host.Burn(), 1);
  host.Call(DISPID_CANTREL_DELETEALLITEMS);
  EXPECT_EQ(host.Burn(), 0);
  EXPECT_EQ(host.Call(DISPID_CANTREL_ERASE, {CVariant::Bool(true)}).iVal, 0);
  EXPECT_EQ(host.Call(DISPID_CANTREL_EJECT).iVal, 0);
  ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_BURNCOMPLETE));
  host.Finish();
  auto Event = [](DISPID id, std::vector<LONG> args) { return std::make_pair(id, args); };
  std::vector<std::pair<DISPID, std::vector<LONG>>> seen;
  for (const auto& e : host.m_events) {
    EXPECT_EQ(e.thread, std::this_thread::get_id());
    seen.push_back(Event(e.dispid, {}));
    for (const CVariant& v : e.args) seen.back().second.push_back(v.lVal);
  }
  EXPECT_EQ(seen, (decltype(seen){Event(DISPID_EVENT_TRACKPROGRESS, {1, 2}), Event(DISPID_EVENT_PROGRESS, {4, 5}),
                                  Event(DISPID_EVENT_TRACKPROGRESS, {2, 2}), Event(DISPID_EVENT_PROGRESS, {5, 5}),
                                  Event(DISPID_EVENT_CLOSINGDISC, {7}), Event(DISPID_EVENT_BURNCOMPLETE, {})}));
  EXPECT_FALSE(host.m_events.back().busy);

  const FakeLog log = m_fake->Log();
  EXPECT_EQ(log.CountCalls("Create"), 1u) << "a refused call starts no job";
  EXPECT_EQ(log.CountCalls("Master.RecordDisc(0,1)"), 1u);
  EXPECT_EQ(log.CountCalls("Redbook.CreateAudioTrack(4)"), 1u);
  m_a.resize(2352 * 4, 0);
  EXPECT_EQ(log.staged, (std::vector<std::vector<uint8_t>>{m_a, m_b}));
  EXPECT_FALSE(log.cancelAsked);
  ExpectNoLeaks();
}

// A recorder far faster than a drive must not flood the window; the host
// still sees the disc finished.
TEST_F(JobsTest, BlockProgressReachesTheWindowAtMostOncePerIntervalAndAlwaysAtTheEnd) {
  JobsTestHost host;
  ComPtr<CProgressSink> pSink = CProgressSink::Create(host.m_pCtrl->GetSafeHwnd());
  constexpr LONG kTotal = 200000;
  const auto start = Clock::now();
  for (LONG n = 1; n <= kTotal; ++n) (void)pSink->NotifyBlockProgress(n, kTotal);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  ASSERT_TRUE(COleControlSite::PumpMessagesUntil(
      [&] { return !host.m_events.empty() && host.m_events.back().args.at(0).lVal == kTotal; }, 5000));
  EXPECT_LE(host.Count(DISPID_EVENT_PROGRESS), static_cast<size_t>(2 + ms / CProgressSink::kBlockInterval.count()));
}

struct DriveRow {
  std::string name;
  SHORT drive;
  const char* recorder;  // the one the job works on
  bool chosen;           // made the service's active recorder
  friend void PrintTo(const DriveRow& row, std::ostream* os) { *os << row.name; }
};

class JobDrive : public Jobs, public ::testing::TestWithParam<DriveRow> {};

// Ejects, which also raise no event.
TEST_P(JobDrive, ChoosesTheRecorderByPositionOrKeepsTheActiveOne) {
  const DriveRow& row = GetParam();
  StartFake({{}, 2});
  JobsTestHost host;
  host.PutDrive(row.drive);
  EXPECT_EQ(host.Call(DISPID_CANTREL_EJECT).iVal, 0);
  host.Finish();
  EXPECT_EQ(m_fake->Log().CountCalls(std::string(row.recorder) + ".Eject"), 1u);
  EXPECT_EQ(m_fake->Log().CountCalls("Master.SetActiveDiscRecorder(" + std::string(row.recorder) + ")"),
            row.chosen ? 1u : 0u);
  EXPECT_TRUE(host.m_events.empty());
  EXPECT_FALSE(host.m_pCtrl->IsBusy());
}

INSTANTIATE_TEST_SUITE_P(Rows, JobDrive,
                         ::testing::Values(DriveRow{"First", 0, "Recorder0", true},
                                           DriveRow{"Second", 1, "Recorder1", true},
                                           DriveRow{"Negative", -1, "Recorder0", false},
                                           DriveRow{"PastTheLast", 2, "Recorder0", false}),
                         RowName);

TEST_F(JobsTest, InitControlAppendsEveryRecorderAtEachCall) {
  StartFake({{}, 2});
  JobsTestHost host;
  for (SHORT round = 1; round <= 2; ++round) {
    EXPECT_EQ(host.Call(DISPID_CANTREL_INITCONTROL).boolVal, VARIANT_TRUE);
    CVariant drives = host.Call(DISPID_CANTREL_DRIVES, {}, DISPATCH_PROPERTYGET);
    CVariant count, product;
    ASSERT_EQ(DispInvoke(drives.pdispVal, 1, DISPATCH_PROPERTYGET, {}, &count), S_OK);
    EXPECT_EQ(count.iVal, 2 * round);
    ASSERT_EQ(DispInvoke(drives.pdispVal, 3, DISPATCH_METHOD, {CVariant::Short(2 * round - 1)}, &product), S_OK);
    EXPECT_EQ(std::u16string(product.bstrVal), u"Product1");
  }
  ExpectNoLeaks();
}

TEST_F(JobsTest, AControlReleasedMidBurnLosesTheJobsLaterMessages) {
  std::atomic<bool> recording{false}, released{false};
  FakeScript script;
  script.duringRecord = [&] {
    recording = true;
    while (!released) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  StartFake(script);
  auto host = std::make_unique<JobsTestHost>();
  AddTwoTracks(*host);
  HWND hWnd = host->m_pCtrl->GetSafeHwnd();
  ASSERT_EQ(host->Burn(), 1);
  ASSERT_TRUE(COleControlSite::PumpMessagesUntil([&] { return recording.load(); }, 10000));
  host->m_site.Close();
  host->m_pCtrl = nullptr;
  EXPECT_FALSE(IsWindow(hWnd));
  released = true;
  host.reset();
  ExpectNoLeaks();
  COleControlSite::PumpMessagesFor(1200);
  EXPECT_EQ(m_fake->Log().CountCalls("Master.RecordDisc(0,1)"), 1u);
}

// A host may rely on the second after the disc's end.
TEST_F(JobsTest, BurnCompleteComesASecondAfterTheJobAsksForIt) {
  JobsTestHost host;
  const auto posted = Clock::now();
  ASSERT_TRUE(PostMessageW(host.m_pCtrl->GetSafeHwnd(), WM_BURN_COMPLETE, 0, 0));
  ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_BURNCOMPLETE, 5000));
  EXPECT_GE(Clock::now() - posted, std::chrono::milliseconds(950));
}

// Outside any job: Drive's notifications. Drawing and persistence are the
// module's part.
TEST(CantrelCtrlFramework, PuttingDriveMarksTheControlDirtyAndNotifiesOnlyInDesignMode) {
  COleControlSite::EnsureApplication();
  for (BOOL bUserMode : {FALSE, TRUE}) {
    auto pCtrl = Make<CCantrelCtrl>();
    COleControlSite site{bUserMode};
    ASSERT_EQ(site.AttachControl(static_cast<IDispatch*>(pCtrl.Get()), RECT{0, 0, 100, 50}), S_OK);
    std::vector<DISPID> changed;
    site.SetPropertyChangedHandler([&](DISPID id) { changed.push_back(id); });
    CVariant r;
    ASSERT_EQ(
        DispInvoke(site.GetDispatch().Get(), DISPID_CANTREL_DRIVE, DISPATCH_PROPERTYPUT, {CVariant::Short(3)}, &r),
        S_OK);
    EXPECT_EQ(changed, bUserMode ? std::vector<DISPID>{} : std::vector<DISPID>{DISPID_CANTREL_DRIVE}) << bUserMode;
    EXPECT_EQ(site.Query<IPersistStreamInit>()->IsDirty(), S_OK) << bUserMode;
  }
}

// What each kind of the control's objects answers from its dispatch table
// and its hooks, with one identity; the rest is refused.
struct InterfaceRow {
  const char* name;
  std::function<ComPtr<IUnknown>()> make;
  std::vector<IID> answers;
  IID refused;
  friend void PrintTo(const InterfaceRow& row, std::ostream* os) { *os << row.name; }
};

class Interfaces : public ::testing::TestWithParam<InterfaceRow> {};

TEST_P(Interfaces, AnswersItsOwnWithOneIdentity) {
  COleControlSite::EnsureApplication();
  ComPtr<IUnknown> object = GetParam().make(), identity, p, same;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, identity.ReleaseAndGetVoidAddress()), S_OK);
  for (const IID& iid : GetParam().answers) {
    ASSERT_EQ(object->QueryInterface(iid, p.ReleaseAndGetVoidAddress()), S_OK);
    ASSERT_EQ(p->QueryInterface(IID_IUnknown, same.ReleaseAndGetVoidAddress()), S_OK);
    EXPECT_EQ(same, identity);
  }
  void* refused = &refused;
  EXPECT_EQ(object->QueryInterface(GetParam().refused, &refused), E_NOINTERFACE);
  EXPECT_EQ(refused, nullptr);
}

ComPtr<IUnknown> OneDrive() {
  ComPtr<CDrives> drives = CDrives::Create();
  drives->Add(u"V", u"P", u"R");
  return drives->GetAt(0).As<IUnknown>();
}

INSTANTIATE_TEST_SUITE_P(
    EveryObjectKind, Interfaces,
    ::testing::Values(
        InterfaceRow{"Control", [] { return Make<CCantrelCtrl>().As<IUnknown>(); },
                     {IID_IDispatch, DIID__Dcantrel, IID_IConnectionPointContainer, IID_IProvideClassInfo,
                      IID_IOleObject, IID_IOleWindow, IID_IOleInPlaceObject, IID_IOleControl, IID_IViewObject,
                      IID_IPersist, IID_IPersistStreamInit, IID_IPersistPropertyBag, IID_ISpecifyPropertyPages},
                     IID_IEnumVARIANT},
        InterfaceRow{"Drives", [] { return CDrives::Create().As<IUnknown>(); }, {IID_IDispatch, IID_IDrives},
                     IID_IDrive},
        InterfaceRow{"Drive", OneDrive, {IID_IDispatch, IID_IDrive}, IID_IDrives},
        InterfaceRow{"DriveEnum", [] { return CEnumDrives::Create(CDrives::Create()).As<IUnknown>(); },
                     {IID_IEnumVARIANT, IID_IDispatch, IID_IEnumDrives}, IID_IDrives}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
