// The jobs against a scripted service: error numbers, message orders, the
// busy state, recorder choice and the sink's lifetime.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "control/jobs/CProgressSink.h"
#include "control/jobs/JobMessages.h"
#include "tests/control/imapi/FakeDiscMaster.h"
#include "tests/control/jobs/JobsTestHost.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::MakeWav;

// The test thread's apartment, entered before the fake registers itself.
struct TestApartment {
  TestApartment() { CoInitialize(nullptr); }
  ~TestApartment() { CoUninitialize(); }
};

class BurnJobFake : public ::testing::Test {
 protected:
  testsupport::ScopedRegistry m_registry;
  TestApartment m_apartment;
  testsupport::TempDir m_dir;
  FakeDiscMaster m_fake;

  void ExpectNoLeaks() {
    EXPECT_TRUE(COleControlSite::PumpMessagesUntil(
        [&] { return m_fake.LiveObjects() == 0 && CProgressSink::GetLiveCount() == 0; }, 5000))
        << "service objects alive: " << m_fake.LiveObjects() << ", sinks: " << CProgressSink::GetLiveCount();
    EXPECT_EQ(m_fake.AdvisedSinks(), 0u);
  }
};

TEST_F(BurnJobFake, SuccessfulBurnRelaysProgressOnTheHostThreadThenOneBurnComplete) {
  auto a = MakeWav(m_dir.File("a.wav"), 2352 * 3 + 100);
  auto b = MakeWav(m_dir.File("b.wav"), 2352);
  JobsTestHost host;
  ASSERT_EQ(host.Add(m_dir.File("a.wav")), 0);
  ASSERT_EQ(host.Add(m_dir.File("b.wav")), 0);
  bool busyAtComplete = true;
  host.m_onEvent = [&](DISPID id) {
    if (id == DISPID_EVENT_BURNCOMPLETE) busyAtComplete = host.m_pCtrl->IsBusy();
  };
  ASSERT_EQ(host.Burn(), 1);
  EXPECT_TRUE(host.m_pCtrl->IsBusy());
  ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_BURNCOMPLETE));
  host.Finish();

  EXPECT_EQ(host.Count(DISPID_EVENT_BURNCOMPLETE), 1u);
  EXPECT_EQ(host.Count(DISPID_EVENT_ERROREVENT), 0u);
  EXPECT_FALSE(busyAtComplete);
  EXPECT_GT(host.Count(DISPID_EVENT_PROGRESS), 0u);
  EXPECT_EQ(host.Count(DISPID_EVENT_TRACKPROGRESS), 2u);
  ASSERT_EQ(host.Count(DISPID_EVENT_CLOSINGDISC), 1u);
  EXPECT_EQ(host.First(DISPID_EVENT_CLOSINGDISC)->args.at(0).lVal, 7);
  EXPECT_EQ(host.Order().back(), DISPID_EVENT_BURNCOMPLETE);
  for (const auto& e : host.m_events) EXPECT_EQ(e.thread, std::this_thread::get_id()) << "event " << e.dispid;
  // The last Progress reports everything done, completed before total.
  const RecordedEvent* last = nullptr;
  for (const auto& e : host.m_events)
    if (e.dispid == DISPID_EVENT_PROGRESS) last = &e;
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->args.at(0).lVal, last->args.at(1).lVal);

  auto records = m_fake.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_FALSE(records[0].simulate);
  EXPECT_TRUE(records[0].eject);
  ASSERT_EQ(records[0].tracks.size(), 2u);
  a.resize(2352 * 4, 0);
  EXPECT_EQ(records[0].tracks[0].announcedBlocks, 4);
  EXPECT_EQ(records[0].tracks[0].data, a);
  EXPECT_EQ(records[0].tracks[1].data, b);
  for (HRESULT hr : records[0].sinkResults) EXPECT_EQ(hr, E_NOTIMPL);
  EXPECT_FALSE(records[0].cancelAsked);
  ExpectNoLeaks();
}

struct StagingCase {
  const char* name;
  int stage;  // 0 CreateAudioTrack, 1 AddAudioTrackBlocks, 2 CloseAudioTrack
  HRESULT hr;
  SHORT expected;
};

TEST_F(BurnJobFake, EachStagingFailureGivesItsErrorNumberAndNothingIsRecorded) {
  const StagingCase cases[] = {
      {"create invalid arg", 0, E_INVALIDARG, 1},
      {"create not opened", 0, IMAPI_E_NOTOPENED, 2},
      {"create track not open", 0, IMAPI_E_TRACKNOTOPEN, 3},
      {"create disc full", 0, IMAPI_E_DISCFULL, 4},
      {"create generic", 0, IMAPI_E_GENERIC, 6},
      {"create E_FAIL", 0, E_FAIL, 6},
      {"create success other than S_OK", 0, S_FALSE, 6},
      {"blocks disc full", 1, IMAPI_E_DISCFULL, 4},
      {"close failure of the first track is not overwritten", 2, IMAPI_E_TRACKNOTOPEN, 3},
  };
  MakeWav(m_dir.File("a.wav"), 2352 * 2);
  MakeWav(m_dir.File("b.wav"), 2352 * 2);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeScript script;
    if (c.stage == 0) script.createAudioTrackResults[0] = c.hr;
    if (c.stage == 1) script.addAudioTrackBlocksResults[0] = c.hr;
    if (c.stage == 2) script.closeAudioTrackResults[0] = c.hr;
    m_fake.SetScript(script);
    m_fake.ClearCalls();
    size_t recordsBefore = m_fake.Records().size();
    {
      JobsTestHost host;
      ASSERT_EQ(host.Add(m_dir.File("a.wav")), 0);
      ASSERT_EQ(host.Add(m_dir.File("b.wav")), 0);
      ASSERT_EQ(host.Burn(), 1);
      ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_ERROREVENT));
      host.Finish();
      ASSERT_EQ(host.Count(DISPID_EVENT_ERROREVENT), 1u);
      EXPECT_EQ(host.First(DISPID_EVENT_ERROREVENT)->args.at(0).vt, VT_I2);
      EXPECT_EQ(host.First(DISPID_EVENT_ERROREVENT)->args.at(0).iVal, c.expected);
      EXPECT_TRUE(host.First(DISPID_EVENT_ERROREVENT)->busy) << "the busy state ends after the error";
      EXPECT_FALSE(host.m_pCtrl->IsBusy());
      EXPECT_EQ(host.Count(DISPID_EVENT_BURNCOMPLETE), 0u);
    }
    EXPECT_EQ(m_fake.Records().size(), recordsBefore) << "nothing may be recorded";
    EXPECT_EQ(m_fake.CountCalls("Master.ProgressUnadvise"), 1u);
    ExpectNoLeaks();
  }
}

TEST_F(BurnJobFake, FailedRecordingIsReportedAsErrorSevenNotAsSuccess) {
  FakeScript script;
  script.hrRecordDisc = IMAPI_E_LOSS_OF_STREAMING;
  m_fake.SetScript(script);
  MakeWav(m_dir.File("a.wav"), 5000);
  JobsTestHost host;
  ASSERT_EQ(host.Add(m_dir.File("a.wav")), 0);
  ASSERT_EQ(host.Burn(), 1);
  ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_ERROREVENT));
  host.Finish();
  EXPECT_EQ(host.First(DISPID_EVENT_ERROREVENT)->args.at(0).iVal, 7);
  EXPECT_TRUE(host.First(DISPID_EVENT_ERROREVENT)->busy);
  EXPECT_EQ(host.Count(DISPID_EVENT_BURNCOMPLETE), 0u);
  EXPECT_FALSE(host.m_pCtrl->IsBusy());
  ExpectNoLeaks();
}

TEST_F(BurnJobFake, DiscThatIsNotBlankOrRecorderInUseEndsWithoutStaging) {
  struct Case {
    const char* name;
    LONG mediaFlags;
    HRESULT hrOpen;
    SHORT expected;
  };
  const Case cases[] = {
      {"not blank", MEDIA_WRITABLE, S_OK, 4},
      {"recorder cannot be opened", MEDIA_BLANK | MEDIA_WRITABLE, E_FAIL, 4},
      {"recorder in use elsewhere", MEDIA_BLANK | MEDIA_WRITABLE, IMAPI_E_DEVICE_NOTACCESSIBLE, 9},
      {"recorder still in use", MEDIA_BLANK | MEDIA_WRITABLE, IMAPI_E_DEVICE_STILL_IN_USE, 9},
  };
  MakeWav(m_dir.File("a.wav"), 5000);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeScript script;
    script.recorders[0].mediaFlags = c.mediaFlags;
    script.recorders[0].hrOpenExclusive = c.hrOpen;
    m_fake.SetScript(script);
    m_fake.ClearCalls();
    JobsTestHost host;
    ASSERT_EQ(host.Add(m_dir.File("a.wav")), 0);
    ASSERT_EQ(host.Burn(), 1);
    ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_ERROREVENT));
    host.Finish();
    EXPECT_EQ(host.First(DISPID_EVENT_ERROREVENT)->args.at(0).iVal, c.expected);
    EXPECT_EQ(host.Count(DISPID_EVENT_BURNCOMPLETE), 0u);
    EXPECT_TRUE(m_fake.CallsStartingWith("Redbook.").empty());
    EXPECT_TRUE(m_fake.CallsStartingWith("Master.RecordDisc").empty());
    EXPECT_FALSE(host.m_pCtrl->IsBusy());
  }
  ExpectNoLeaks();
}

TEST_F(BurnJobFake, TrackFileThatCannotBeReadAtBurnTimeEndsWithFiveAndRecordsNothing) {
  struct Case {
    const char* name;
    void (*spoil)(const std::string& path);
  };
  const Case cases[] = {
      {"deleted", [](const std::string& p) { std::remove(p.c_str()); }},
      {"truncated inside the data",
       [](const std::string& p) {
         auto bytes = testsupport::ReadFileBytes(p);
         bytes.resize(bytes.size() - 3000);
         testsupport::WriteFileBytes(p, bytes);
       }},
      {"audio data gone",
       [](const std::string& p) {
         auto bytes = testsupport::ReadFileBytes(p);
         bytes.resize(36);  // the format chunk and nothing after it
         testsupport::WriteFileBytes(p, bytes);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MakeWav(m_dir.File("a.wav"), 2352 * 2);
    MakeWav(m_dir.File("b.wav"), 2352 * 4);
    MakeWav(m_dir.File("c.wav"), 2352);
    size_t recordsBefore = m_fake.Records().size();
    JobsTestHost host;
    ASSERT_EQ(host.Add(m_dir.File("a.wav")), 0);
    ASSERT_EQ(host.Add(m_dir.File("b.wav")), 0);
    ASSERT_EQ(host.Add(m_dir.File("c.wav")), 0);
    c.spoil(m_dir.File("b.wav"));
    ASSERT_EQ(host.Burn(), 1);
    ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_ERROREVENT));
    host.Finish();
    EXPECT_EQ(host.First(DISPID_EVENT_ERROREVENT)->args.at(0).iVal, 5);
    EXPECT_EQ(host.Count(DISPID_EVENT_BURNCOMPLETE), 0u);
    EXPECT_EQ(m_fake.Records().size(), recordsBefore);
  }
  ExpectNoLeaks();
}

TEST_F(BurnJobFake, EmptyTrackListEndsWithAnErrorInsteadOfAnEmptyDisc) {
  JobsTestHost host;
  ASSERT_EQ(host.Burn(), 1);
  ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_ERROREVENT));
  host.Finish();
  EXPECT_EQ(host.First(DISPID_EVENT_ERROREVENT)->args.at(0).iVal, 6);
  EXPECT_EQ(host.Count(DISPID_EVENT_BURNCOMPLETE), 0u);
  EXPECT_TRUE(m_fake.Records().empty());
  ExpectNoLeaks();
}

TEST_F(BurnJobFake, OneJobAtATimeAndTheJobStagesTheListAsItWasWhenStarted) {
  MakeWav(m_dir.File("a.wav"), 2352);
  MakeWav(m_dir.File("b.wav"), 2352 * 2);
  JobsTestHost host;
  ASSERT_EQ(host.Add(m_dir.File("a.wav")), 0);
  ASSERT_EQ(host.Add(m_dir.File("b.wav")), 0);
  ASSERT_EQ(host.Burn(), 1);
  // The host clears its list right after starting, as the firmware burner does.
  host.Call(DISPID_CANTREL_DELETEALLITEMS);
  EXPECT_EQ(host.Burn(), 0);
  EXPECT_EQ(host.Call(DISPID_CANTREL_ERASE, {CVariant::Bool(true)}).iVal, 0);
  EXPECT_EQ(host.Call(DISPID_CANTREL_EJECT).iVal, 0);
  ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_BURNCOMPLETE));
  host.Finish();
  EXPECT_EQ(m_fake.MastersCreated(), 1) << "a refused call must not start a job";
  auto records = m_fake.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].tracks.size(), 2u);
  EXPECT_TRUE(m_fake.CallsStartingWith("Recorder0.Erase").empty());
  EXPECT_TRUE(m_fake.CallsStartingWith("Recorder0.Eject").empty());
}

TEST_F(BurnJobFake, BurnFromInsideTheBurnCompleteHandlerStartsTheNextBurn) {
  MakeWav(m_dir.File("a.wav"), 2352);
  JobsTestHost host;
  ASSERT_EQ(host.Add(m_dir.File("a.wav")), 0);
  std::vector<SHORT> results;
  host.m_onEvent = [&](DISPID id) {
    if (id == DISPID_EVENT_BURNCOMPLETE && results.empty()) results.push_back(host.Burn());
  };
  ASSERT_EQ(host.Burn(), 1);
  ASSERT_TRUE(COleControlSite::PumpMessagesUntil([&] { return host.Count(DISPID_EVENT_BURNCOMPLETE) == 2; }, 20000));
  host.Finish();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0], 1);
  EXPECT_EQ(m_fake.Records().size(), 2u);
}

TEST_F(BurnJobFake, DriveChoosesTheRecorderByPositionAndOutOfRangeKeepsTheActiveOne) {
  struct Case {
    SHORT drive;
    const char* recorderUsed;
    bool setActive;
  };
  const Case cases[] = {{1, "Recorder1", true}, {0, "Recorder0", true}, {-1, "Recorder0", false},
                        {2, "Recorder0", false}, {5, "Recorder0", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.drive);
    FakeScript script;
    FakeRecorderScript second;
    second.product = u"Second";
    script.recorders.push_back(second);
    script.activeRecorder = 0;
    m_fake.SetScript(script);
    m_fake.ClearCalls();
    JobsTestHost host;
    host.PutDrive(c.drive);
    EXPECT_EQ(host.Call(DISPID_CANTREL_EJECT).iVal, 0);
    host.Finish();
    EXPECT_EQ(m_fake.CountCalls(std::string(c.recorderUsed) + ".Eject"), 1u);
    EXPECT_EQ(m_fake.CountCalls(std::string("Master.SetActiveDiscRecorder(") + c.recorderUsed + ")"),
              c.setActive ? 1u : 0u);
    EXPECT_TRUE(host.m_events.empty()) << "an eject raises no event";
  }
  ExpectNoLeaks();
}

TEST_F(BurnJobFake, EraseRaisesEraseCompleteOrEight) {
  struct Case {
    const char* name;
    HRESULT hrOpen;
    HRESULT hrErase;
    DISPID expected;
    size_t eraseCalls;
    SHORT errorNo;
  };
  const Case cases[] = {
      {"erased", S_OK, S_OK, DISPID_EVENT_ERASECOMPLETE, 1, 0},
      {"erase failed", S_OK, IMAPI_E_GENERIC, DISPID_EVENT_ERROREVENT, 1, 8},
      {"recorder cannot be opened", E_FAIL, S_OK, DISPID_EVENT_ERROREVENT, 0, 8},
      {"recorder in use elsewhere", IMAPI_E_DEVICE_NOTACCESSIBLE, S_OK, DISPID_EVENT_ERROREVENT, 0, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeScript script;
    script.recorders[0].hrOpenExclusive = c.hrOpen;
    script.recorders[0].hrErase = c.hrErase;
    m_fake.SetScript(script);
    m_fake.ClearCalls();
    JobsTestHost host;
    EXPECT_EQ(host.Call(DISPID_CANTREL_ERASE, {CVariant::Bool(true)}).iVal, 1);
    host.Finish();
    EXPECT_FALSE(host.m_pCtrl->IsBusy());
    ASSERT_EQ(host.m_events.size(), 1u);
    EXPECT_EQ(host.m_events[0].dispid, c.expected);
    EXPECT_TRUE(host.m_events[0].busy);
    if (c.expected == DISPID_EVENT_ERROREVENT) {
      EXPECT_EQ(host.m_events[0].args.at(0).iVal, c.errorNo);
    }
    EXPECT_EQ(m_fake.CountCalls("Recorder0.Erase(1)"), c.eraseCalls);
  }
  ExpectNoLeaks();
}

TEST_F(BurnJobFake, InitControlAppendsEveryRecorderAtEachCall) {
  FakeScript script;
  FakeRecorderScript second;
  second.vendor = u"VEND2";
  second.product = u"Second";
  second.revision = u"2.0";
  script.recorders.push_back(second);
  m_fake.SetScript(script);
  JobsTestHost host;
  for (int round = 1; round <= 2; ++round) {
    CVariant r = host.Call(DISPID_CANTREL_INITCONTROL);
    EXPECT_EQ(r.vt, VT_BOOL);
    EXPECT_EQ(r.boolVal, VARIANT_TRUE);
    CVariant drives = host.Call(DISPID_CANTREL_DRIVES, {}, DISPATCH_PROPERTYGET);
    ASSERT_EQ(drives.vt, VT_DISPATCH);
    CVariant count;
    ASSERT_EQ(DispInvoke(drives.pdispVal, 1, DISPATCH_PROPERTYGET, {}, &count), S_OK);
    EXPECT_EQ(count.iVal, 2 * round);
    CVariant product;
    ASSERT_EQ(DispInvoke(drives.pdispVal, 3, DISPATCH_METHOD, {CVariant::Short(static_cast<SHORT>(2 * round - 1))},
                         &product),
              S_OK);
    EXPECT_EQ(std::u16string(product.bstrVal), u"Second");
  }
  ExpectNoLeaks();
}

TEST_F(BurnJobFake, JobErrorMessageCarriesTheLowSixteenBitsAsASignedNumber) {
  const std::pair<LPARAM, SHORT> cases[] = {{4, 4}, {0x10004, 4}, {0xFFFF, -1}, {7, 7}};
  JobsTestHost host;
  for (auto [lParam, expected] : cases) {
    host.m_events.clear();
    ASSERT_TRUE(PostMessageW(host.m_pCtrl->GetSafeHwnd(), WM_JOB_ERROR, 0, lParam));
    ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_ERROREVENT, 5000));
    EXPECT_EQ(host.m_events.at(0).args.at(0).iVal, expected) << lParam;
  }
}

TEST_F(BurnJobFake, DestroyingTheControlDuringABurnDropsTheJobsLaterMessages) {
  MakeWav(m_dir.File("a.wav"), 2352 * 8);
  std::atomic<bool> recording{false}, released{false};
  FakeScript script;
  script.duringRecord = [&] {
    recording = true;
    while (!released) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  m_fake.SetScript(script);
  HWND hWnd = nullptr;
  {
    auto host = std::make_unique<JobsTestHost>();
    ASSERT_EQ(host->Add(m_dir.File("a.wav")), 0);
    hWnd = host->m_pCtrl->GetSafeHwnd();
    ASSERT_EQ(host->Burn(), 1);
    ASSERT_TRUE(COleControlSite::PumpMessagesUntil([&] { return recording.load(); }, 10000));
    // The host lets the control go while the job is inside the recording.
    host->m_site.Close();
    host->m_pCtrl = nullptr;
    EXPECT_FALSE(IsWindow(hWnd));
    released = true;
    host.reset();
  }
  EXPECT_TRUE(COleControlSite::PumpMessagesUntil([&] { return m_fake.LiveObjects() == 0; }, 10000));
  COleControlSite::PumpMessagesFor(1200);
  EXPECT_FALSE(PostMessageW(hWnd, WM_JOB_DONE, 0, 0));
  ExpectNoLeaks();
}

TEST(ProgressSink, NeverCancelsAndCountsItsLiveSinks) {
  LONG before = CProgressSink::GetLiveCount();
  ComPtr<CProgressSink> pSink = CProgressSink::Create(nullptr);
  EXPECT_EQ(CProgressSink::GetLiveCount(), before + 1);
  ComPtr<IDiscMasterProgressEvents> pEvents(pSink.Get());
  boolean cancel = 2;
  EXPECT_EQ(pEvents->QueryCancel(&cancel), E_NOTIMPL);
  EXPECT_EQ(cancel, 2) << "the cancel flag is left alone";
  EXPECT_EQ(pEvents->NotifyBlockProgress(1, 2), E_NOTIMPL);
  EXPECT_EQ(pEvents->NotifyClosingDisc(3), E_NOTIMPL);
  pEvents.Reset();
  pSink.Reset();
  EXPECT_EQ(CProgressSink::GetLiveCount(), before);
}

}  // namespace
