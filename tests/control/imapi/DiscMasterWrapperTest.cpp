#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "control/imapi/CDiscMaster.h"
#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"
#include "tests/control/imapi/FakeDiscMaster.h"
#include "tests/support/TestSupport.h"

namespace {

using Calls = std::vector<std::string>;

FakeScript TwoRecorders() {
  FakeScript s;
  s.recorders.resize(2);
  s.recorders[0].vendor = u"VENDOR0";
  s.recorders[1].vendor = u"VENDOR1";
  return s;
}

class WrapperTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(CoInitialize(nullptr), 0); }
  void TearDown() override { CoUninitialize(); }
  testsupport::ScopedRegistry m_registry;
};

// The calls that touch the named object, in order.
Calls Only(const Calls& all, const std::vector<std::string>& prefixes) {
  Calls out;
  for (auto& c : all)
    for (auto& p : prefixes)
      if (c.compare(0, p.size(), p) == 0) {
        out.push_back(c);
        break;
      }
  return out;
}

// The jobs' way of choosing a recorder by its position in the walk.
void ChooseRecorder(CDiscMaster& master, int nDrive) {
  CRecorder walked;
  int n = 0;
  for (HRESULT hr = master.GetFirstRecorder(walked); hr == S_OK; hr = master.GetNextRecorder(walked), ++n) {
    if (n == nDrive) {
      master.ReleaseRecorder();
      (void)master.SetActiveRecorder(walked);
      return;
    }
  }
}

TEST_F(WrapperTest, OpenCreatesOpensReselectsTheFormatAndTakesTheActiveRecorder) {
  FakeDiscMaster fake;
  {
    CDiscMaster master;
    ASSERT_EQ(master.Open(), S_OK);
    EXPECT_EQ(fake.Calls(), (Calls{"Master.Open", "Master.GetActiveDiscMasterFormat",
                                   "Master.SetActiveDiscMasterFormat(Joliet)", "Master.GetActiveDiscRecorder"}));
    EXPECT_TRUE(master.HasJolietFormat());
    EXPECT_FALSE(master.HasRedbookFormat());
    EXPECT_TRUE(master.HasRecorder());
    EXPECT_EQ(fake.RefCount("Master"), 1u);
    EXPECT_EQ(fake.RefCount("Joliet"), 1u);
    // The service's list, its active recorder, and the wrapper's one count.
    EXPECT_EQ(fake.RefCount("Recorder0"), 3u);
  }
  EXPECT_EQ(fake.LiveObjects(), 0u);
}

TEST_F(WrapperTest, OpenStopsAtTheFirstFailureAndReturnsItUnchanged) {
  const HRESULT kOdd = static_cast<HRESULT>(0x80040777);
  struct Case {
    const char* name;
    std::function<void(FakeScript&)> script;
    HRESULT expected;
    Calls calls;
    bool holdsMaster;
  };
  const std::vector<Case> cases = {
      {"create fails", [&](FakeScript& s) { s.hrCreate = kOdd; }, kOdd, {}, false},
      {"open fails", [&](FakeScript& s) { s.hrOpen = IMAPI_E_DEVICE_NOTPRESENT; }, IMAPI_E_DEVICE_NOTPRESENT,
       {"Master.Open"}, true},
      {"format query fails", [&](FakeScript& s) { s.hrGetActiveFormat = kOdd; }, kOdd,
       {"Master.Open", "Master.GetActiveDiscMasterFormat"}, true},
      {"active format unknown", [&](FakeScript& s) { s.activeFormat = IID_IDiscMaster; }, E_FAIL,
       {"Master.Open", "Master.GetActiveDiscMasterFormat"}, true},
      {"format selection fails", [&](FakeScript& s) { s.hrSetActiveFormat = kOdd; }, kOdd,
       {"Master.Open", "Master.GetActiveDiscMasterFormat", "Master.SetActiveDiscMasterFormat(Joliet)"}, true},
      {"redbook active", [&](FakeScript& s) { s.activeFormat = IID_IRedbookDiscMaster; }, S_OK,
       {"Master.Open", "Master.GetActiveDiscMasterFormat", "Master.SetActiveDiscMasterFormat(Redbook)",
        "Master.GetActiveDiscRecorder"},
       true},
      {"no active recorder is not a failure", [&](FakeScript& s) { s.activeRecorder = -1; }, S_OK,
       {"Master.Open", "Master.GetActiveDiscMasterFormat", "Master.SetActiveDiscMasterFormat(Joliet)",
        "Master.GetActiveDiscRecorder"},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeScript s;
    c.script(s);
    FakeDiscMaster fake(s);
    {
      CDiscMaster master;
      EXPECT_EQ(master.Open(), c.expected);
      EXPECT_EQ(fake.Calls(), c.calls);
      EXPECT_EQ(master.HasDiscMaster(), c.holdsMaster);
      EXPECT_EQ(master.HasRecorder(), c.expected == S_OK && s.activeRecorder >= 0);
      // A failed open still lets go of everything through Close.
      master.Close();
      EXPECT_FALSE(master.HasDiscMaster());
    }
    EXPECT_EQ(fake.LiveObjects(), 0u);
  }
}

TEST_F(WrapperTest, EveryOperationWithoutItsInterfaceFailsWithoutCallingTheService) {
  FakeDiscMaster fake;
  CDiscMaster master;  // never opened
  CRecorder walked;
  BYTE block[2352] = {};
  IID iid = IID_NULL;
  UINT_PTR cookie = 0;
  LONG type = 0, flags = 0;
  BSTR v = nullptr, p = nullptr, r = nullptr;
  const std::vector<std::pair<const char*, std::function<HRESULT()>>> ops = {
      {"GetActiveFormat", [&] { return master.GetActiveFormat(&iid); }},
      {"SetActiveFormat", [&] { return master.SetActiveFormat(IID_IRedbookDiscMaster); }},
      {"GetFirstRecorder", [&] { return master.GetFirstRecorder(walked); }},
      {"GetNextRecorder", [&] { return master.GetNextRecorder(walked); }},
      {"SetActiveRecorder", [&] { return master.SetActiveRecorder(walked); }},
      {"ProgressAdvise", [&] { return master.ProgressAdvise(nullptr, &cookie); }},
      {"ProgressUnadvise", [&] { return master.ProgressUnadvise(1); }},
      {"RecordDisc", [&] { return master.RecordDisc(false, true); }},
      {"GetDisplayNames", [&] { return master.GetDisplayNames(&v, &p, &r); }},
      {"OpenExclusive", [&] { return master.OpenExclusive(); }},
      {"CloseExclusive", [&] { return master.CloseExclusive(); }},
      {"QueryMediaType", [&] { return master.QueryMediaType(&type, &flags); }},
      {"Eject", [&] { return master.Eject(); }},
      {"Erase", [&] { return master.Erase(true); }},
      {"CreateAudioTrack", [&] { return master.CreateAudioTrack(300); }},
      {"AddAudioTrackBlocks", [&] { return master.AddAudioTrackBlocks(block, sizeof block); }},
      {"CloseAudioTrack", [&] { return master.CloseAudioTrack(); }},
  };
  for (const auto& [name, op] : ops) {
    SCOPED_TRACE(name);
    EXPECT_EQ(op(), E_FAIL);
  }
  master.Close();
  EXPECT_TRUE(fake.Calls().empty());
  EXPECT_EQ(fake.MastersCreated(), 0);
  EXPECT_FALSE(master.IsOpenedExclusive());
  EXPECT_EQ(v, nullptr);
}

TEST_F(WrapperTest, ResultsPassThroughUnchanged) {
  // Success codes other than S_OK and odd failures must both reach the job.
  const HRESULT kInfo = IMAPI_S_PROPERTIESIGNORED;
  FakeScript s;
  s.hrRecordDisc = IMAPI_E_LOSS_OF_STREAMING;
  s.hrProgressAdvise = kInfo;
  s.hrSetActiveDiscRecorder = kInfo;
  s.recorders[0].hrOpenExclusive = kInfo;
  s.recorders[0].hrEject = IMAPI_E_MEDIUM_NOTPRESENT;
  s.recorders[0].hrErase = IMAPI_E_MEDIUM_INVALIDTYPE;
  s.createAudioTrackResults[0] = IMAPI_E_DISCFULL;
  s.addAudioTrackBlocksResults[0] = IMAPI_E_NOTOPENED;
  s.closeAudioTrackResults[0] = IMAPI_E_TRACKNOTOPEN;
  FakeDiscMaster fake(s);
  CDiscMaster master;
  ASSERT_EQ(master.Open(), S_OK);
  CRecorder walked;
  ASSERT_EQ(master.GetFirstRecorder(walked), S_OK);
  EXPECT_EQ(master.SetActiveRecorder(walked), kInfo);
  EXPECT_EQ(master.OpenExclusive(), kInfo);
  EXPECT_TRUE(master.IsOpenedExclusive());
  EXPECT_EQ(master.Eject(), IMAPI_E_MEDIUM_NOTPRESENT);
  EXPECT_EQ(master.Erase(false), IMAPI_E_MEDIUM_INVALIDTYPE);
  ASSERT_EQ(master.SetActiveFormat(IID_IRedbookDiscMaster), S_OK);
  BYTE block[2352] = {};
  EXPECT_EQ(master.CreateAudioTrack(300), IMAPI_E_DISCFULL);
  EXPECT_EQ(master.AddAudioTrackBlocks(block, sizeof block), IMAPI_E_NOTOPENED);
  EXPECT_EQ(master.CloseAudioTrack(), IMAPI_E_TRACKNOTOPEN);
  UINT_PTR cookie = 0;
  EXPECT_EQ(master.ProgressAdvise(nullptr, &cookie), E_POINTER);  // the fake's own answer
  EXPECT_EQ(master.RecordDisc(true, false), IMAPI_E_LOSS_OF_STREAMING);
  EXPECT_EQ(fake.CountCalls("Master.RecordDisc(1,0)"), 1u);
  EXPECT_EQ(fake.CountCalls("Recorder0.Erase(0)"), 1u);
}

TEST_F(WrapperTest, SetActiveFormatAcceptsOnlyTheTwoFormatsAndReplacesOnlyItsOwnKind) {
  FakeDiscMaster fake;
  CDiscMaster master;
  ASSERT_EQ(master.Open(), S_OK);
  fake.ClearCalls();

  EXPECT_EQ(master.SetActiveFormat(IID_IDiscMaster), E_FAIL);
  EXPECT_EQ(master.SetActiveFormat(IID_IUnknown), E_FAIL);
  EXPECT_TRUE(fake.Calls().empty());
  EXPECT_TRUE(master.HasJolietFormat());
  EXPECT_FALSE(master.HasRedbookFormat());

  ASSERT_EQ(master.SetActiveFormat(IID_IRedbookDiscMaster), S_OK);
  ASSERT_EQ(master.SetActiveFormat(IID_IRedbookDiscMaster), S_OK);
  // The first audio format is let go before the second is asked for.
  EXPECT_EQ(Only(fake.Calls(), {"Master.SetActive", "Redbook."}),
            (Calls{"Master.SetActiveDiscMasterFormat(Redbook)", "Redbook.destroyed",
                   "Master.SetActiveDiscMasterFormat(Redbook)"}));
  EXPECT_EQ(fake.RefCount("Redbook"), 1u);
  EXPECT_EQ(fake.RefCount("Joliet"), 1u);  // kept after the switch to audio
  IID active = IID_NULL;
  EXPECT_EQ(master.GetActiveFormat(&active), S_OK);
  EXPECT_EQ(active, IID_IRedbookDiscMaster);

  // A failed selection leaves the target empty and the other kind alone.
  FakeScript s = fake.Script();
  s.hrSetActiveFormat = IMAPI_E_WRONGFORMAT;
  fake.SetScript(s);
  EXPECT_EQ(master.SetActiveFormat(IID_IRedbookDiscMaster), IMAPI_E_WRONGFORMAT);
  EXPECT_FALSE(master.HasRedbookFormat());
  EXPECT_TRUE(master.HasJolietFormat());
  EXPECT_EQ(fake.RefCount("Redbook"), 0u);
}

TEST_F(WrapperTest, TheWalkIsRestartedWithResetAndEndsWithAnEmptyTarget) {
  FakeDiscMaster fake(TwoRecorders());
  CDiscMaster master;
  ASSERT_EQ(master.Open(), S_OK);
  CRecorder walked;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(master.GetFirstRecorder(walked), S_OK);
    BSTR v = nullptr, p = nullptr, r = nullptr;
    ASSERT_EQ(walked.GetDisplayNames(&v, &p, &r), S_OK);
    CBstr vendor = CBstr::Attach(v), product = CBstr::Attach(p), revision = CBstr::Attach(r);
    EXPECT_EQ(vendor.Str(), u"VENDOR0");
    ASSERT_EQ(master.GetNextRecorder(walked), S_OK);
    EXPECT_EQ(master.GetNextRecorder(walked), S_FALSE);
    EXPECT_FALSE(walked.HasRecorder());
    EXPECT_EQ(master.GetNextRecorder(walked), S_FALSE);
  }
  EXPECT_EQ(fake.CountCalls("Master.EnumDiscRecorders"), 1u);
  EXPECT_EQ(fake.CountCalls("Enum.Reset"), 1u);
  // The walked target holds nothing after the end of the walk: Recorder0 is
  // held by the service twice and by the master's own part once.
  EXPECT_EQ(fake.RefCount("Recorder0"), 3u);
  EXPECT_EQ(fake.RefCount("Recorder1"), 1u);

  // The walk survives the end of the service's work.
  master.Close();
  EXPECT_EQ(master.GetFirstRecorder(walked), S_OK);
  EXPECT_EQ(fake.CountCalls("Enum.Reset"), 2u);
}

TEST_F(WrapperTest, AFailingEnumerationLeavesTheTargetAsItWas) {
  FakeScript s;
  s.hrEnumDiscRecorders = IMAPI_E_DEVICE_NOTPRESENT;
  FakeDiscMaster fake(s);
  CDiscMaster master;
  ASSERT_EQ(master.Open(), S_OK);
  EXPECT_EQ(master.GetFirstRecorder(master), IMAPI_E_DEVICE_NOTPRESENT);
  EXPECT_TRUE(master.HasRecorder());
  EXPECT_EQ(master.GetNextRecorder(master), E_FAIL);
}

TEST_F(WrapperTest, TheDrivePositionChoosesTheActiveRecorder) {
  struct Case {
    int drive;
    const char* opened;
  };
  for (const Case& c : {Case{0, "Recorder0"}, Case{1, "Recorder1"}, Case{2, "Recorder0"}, Case{-1, "Recorder0"}}) {
    SCOPED_TRACE(c.drive);
    FakeDiscMaster fake(TwoRecorders());
    {
      CDiscMaster master;
      ASSERT_EQ(master.Open(), S_OK);
      ChooseRecorder(master, c.drive);
      ASSERT_EQ(master.OpenExclusive(), S_OK);
      EXPECT_EQ(fake.CallsStartingWith("Master.SetActiveDiscRecorder").size(),
                c.drive == 0 || c.drive == 1 ? 1u : 0u);
      EXPECT_EQ(fake.CallsStartingWith("Recorder").back(), std::string(c.opened) + ".OpenExclusive");
    }
    // Destruction closed the recorder that was opened and leaked nothing.
    EXPECT_EQ(fake.CallsStartingWith(std::string(c.opened) + ".Close").size(), 1u);
    EXPECT_EQ(fake.LiveObjects(), 0u);
  }
}

TEST_F(WrapperTest, SetActiveRecorderFromAnEmptyRecorderEmptiesTheOwnOne) {
  FakeScript s;
  s.hrSetActiveNullRecorder = IMAPI_E_NOACTIVERECORDER;
  FakeDiscMaster fake(s);
  CDiscMaster master;
  ASSERT_EQ(master.Open(), S_OK);
  ASSERT_EQ(master.OpenExclusive(), S_OK);
  CRecorder empty;
  EXPECT_EQ(master.SetActiveRecorder(empty), IMAPI_E_NOACTIVERECORDER);
  EXPECT_FALSE(master.HasRecorder());
  EXPECT_FALSE(master.IsOpenedExclusive());
  // The recorder that was open for exclusive use was closed before the switch.
  EXPECT_EQ(Only(fake.Calls(), {"Recorder0.", "Master.SetActiveDiscRecorder"}),
            (Calls{"Recorder0.OpenExclusive", "Recorder0.Close", "Master.SetActiveDiscRecorder(null)"}));
  EXPECT_EQ(fake.RefCount("Recorder0"), 2u);  // the service's list and its active recorder
}

TEST_F(WrapperTest, TheExclusiveFlagFollowsOnlySuccessfulCalls) {
  struct Case {
    const char* name;
    HRESULT hrOpen;
    HRESULT hrClose;
    bool closeExplicitly;
    bool flagAfter;
    size_t closesInAll;
  };
  const std::vector<Case> cases = {
      {"failed open", IMAPI_E_DEVICE_NOTACCESSIBLE, S_OK, false, false, 0},
      {"open, released", S_OK, S_OK, false, true, 1},
      {"open, closed", S_OK, S_OK, true, false, 1},
      {"open, failed close", S_OK, IMAPI_E_DEVICE_STILL_IN_USE, true, true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeScript s;
    s.recorders[0].hrOpenExclusive = c.hrOpen;
    s.recorders[0].hrClose = c.hrClose;
    FakeDiscMaster fake(s);
    {
      CDiscMaster master;
      ASSERT_EQ(master.Open(), S_OK);
      EXPECT_EQ(master.OpenExclusive(), c.hrOpen);
      if (c.closeExplicitly) {
        EXPECT_EQ(master.CloseExclusive(), c.hrClose);
      }
      EXPECT_EQ(master.IsOpenedExclusive(), c.flagAfter);
    }
    EXPECT_EQ(fake.CountCalls("Recorder0.Close"), c.closesInAll);
    EXPECT_EQ(fake.LiveObjects(), 0u);
  }
}

TEST_F(WrapperTest, AWalkedRecorderIsLetGoWithoutClosingAndLosesItsFlag) {
  FakeDiscMaster fake(TwoRecorders());
  CDiscMaster master;
  ASSERT_EQ(master.Open(), S_OK);
  CRecorder walked;
  ASSERT_EQ(master.GetFirstRecorder(walked), S_OK);
  ASSERT_EQ(walked.OpenExclusive(), S_OK);
  ASSERT_EQ(master.GetNextRecorder(walked), S_OK);
  EXPECT_FALSE(walked.IsOpenedExclusive());
  walked.ReleaseRecorder();
  EXPECT_EQ(fake.CountCalls("Recorder0.Close"), 0u);
  EXPECT_EQ(fake.CountCalls("Recorder1.Close"), 0u);
}

TEST_F(WrapperTest, DestructionLetsGoInTheFixedOrderAndClosesTheOpenRecorderLast) {
  FakeDiscMaster fake;
  {
    CDiscMaster master;
    ASSERT_EQ(master.Open(), S_OK);
    CRecorder walked;
    ASSERT_EQ(master.GetFirstRecorder(walked), S_OK);
    walked.ReleaseRecorder();
    ASSERT_EQ(master.SetActiveFormat(IID_IRedbookDiscMaster), S_OK);
    ASSERT_EQ(master.OpenExclusive(), S_OK);
    fake.ClearCalls();
  }
  EXPECT_EQ(fake.Calls(), (Calls{"Enum.destroyed", "Master.destroyed", "Redbook.destroyed", "Joliet.destroyed",
                                 "Recorder0.Close", "Recorder0.destroyed"}));
  EXPECT_EQ(fake.CountCalls("Master.Close"), 0u);
}

TEST_F(WrapperTest, CloseEndsTheServiceButKeepsRecorderAndFormats) {
  FakeDiscMaster fake;
  CDiscMaster master;
  ASSERT_EQ(master.Open(), S_OK);
  ASSERT_EQ(master.SetActiveFormat(IID_IRedbookDiscMaster), S_OK);
  master.Close();
  EXPECT_EQ(fake.CountCalls("Master.Close"), 1u);
  EXPECT_EQ(fake.RefCount("Master"), 0u);
  EXPECT_TRUE(master.HasRecorder());
  EXPECT_TRUE(master.HasRedbookFormat());
  EXPECT_TRUE(master.HasJolietFormat());
  EXPECT_EQ(master.RecordDisc(false, false), E_FAIL);
  master.Close();  // a second close calls nothing
  EXPECT_EQ(fake.CountCalls("Master.Close"), 1u);
}

TEST_F(WrapperTest, AFullBurnSequenceStagesWhatWasHandedOverAndLeaksNothing) {
  FakeDiscMaster fake(TwoRecorders());
  {
    CDiscMaster master;
    ASSERT_EQ(master.Open(), S_OK);
    ChooseRecorder(master, 1);
    ASSERT_EQ(master.OpenExclusive(), S_OK);
    LONG type = 0, flags = 0;
    ASSERT_EQ(master.QueryMediaType(&type, &flags), S_OK);
    EXPECT_EQ(flags & MEDIA_BLANK, MEDIA_BLANK);
    ASSERT_EQ(master.CloseExclusive(), S_OK);
    ASSERT_EQ(master.SetActiveFormat(IID_IRedbookDiscMaster), S_OK);
    std::vector<BYTE> block(2352);
    ASSERT_EQ(master.CreateAudioTrack(2), S_OK);
    for (int i = 0; i < 2; ++i) {
      block.assign(block.size(), static_cast<BYTE>(0x40 + i));
      ASSERT_EQ(master.AddAudioTrackBlocks(block.data(), static_cast<LONG>(block.size())), S_OK);
    }
    ASSERT_EQ(master.CloseAudioTrack(), S_OK);
    ASSERT_EQ(master.RecordDisc(false, true), S_OK);
    master.Close();
  }
  auto records = fake.Records();
  ASSERT_EQ(records.size(), 1u);
  ASSERT_EQ(records[0].tracks.size(), 1u);
  EXPECT_EQ(records[0].tracks[0].addedBlocks, 2);
  EXPECT_EQ(records[0].tracks[0].data[0], 0x40);
  EXPECT_EQ(records[0].tracks[0].data[2352], 0x41);
  EXPECT_TRUE(records[0].eject);
  EXPECT_EQ(fake.CountCalls("Recorder1.QueryMediaType"), 1u);
  EXPECT_EQ(fake.LiveObjects(), 0u);
}

TEST_F(WrapperTest, AJobOnItsOwnThreadCanBeWatchedFromAnother) {
  // The job tests read the fake while a job thread drives it.
  FakeScript s = TwoRecorders();
  std::atomic<bool> done{false};
  FakeDiscMaster fake(s);
  std::thread job([&] {
    CoInitialize(nullptr);
    for (int i = 0; i < 20; ++i) {
      CDiscMaster master;
      if (master.Open() != S_OK) break;
      ChooseRecorder(master, i % 3);
      (void)master.OpenExclusive();
      (void)master.SetActiveFormat(IID_IRedbookDiscMaster);
      (void)master.CreateAudioTrack(1);
      (void)master.RecordDisc(true, false);
      master.Close();
    }
    CoUninitialize();
    done = true;
  });
  size_t seen = 0;
  while (!done) {
    seen = std::max(seen, fake.Calls().size());
    (void)fake.RefCount("Recorder0");
    (void)fake.LiveObjects();
    (void)fake.Records();
  }
  job.join();
  EXPECT_EQ(fake.MastersCreated(), 20);
  EXPECT_EQ(fake.Records().size(), 20u);
  EXPECT_EQ(fake.LiveObjects(), 0u);
}

}  // namespace
