// What the wrappers do that no job shows: the order of opening and closing
// a recorder left open for exclusive use. Burns through them are the job
// tests' part.
#include <gtest/gtest.h>

#include "control/imapi/CDiscMaster.h"
#include "platform/com/Apartment.h"
#include "tests/control/imapi/FakeDiscMaster.h"
#include "tests/support/TestSupport.h"

namespace {

using Calls = std::vector<std::string>;
const HRESULT kOdd = static_cast<HRESULT>(0x80040777);
const auto RowName = [](const auto& info) { return info.param.name; };

class Wrapper {
 protected:
  Wrapper() { CoInitialize(nullptr); }
  ~Wrapper() { CoUninitialize(); }
  testsupport::ScopedRegistry m_registry;
};

struct OpenRow {
  std::string name;
  std::map<std::string, HRESULT> results;
  HRESULT expected;
  size_t calls;  // how far into the full sequence it got
  friend void PrintTo(const OpenRow& row, std::ostream* os) { *os << row.name; }
};

class WrapperOpen : public Wrapper, public ::testing::TestWithParam<OpenRow> {};

TEST_P(WrapperOpen, StopsAtTheFirstFailureAndReturnsItUnchanged) {
  const OpenRow& row = GetParam();
  FakeDiscMaster fake({row.results});
  {
    CDiscMaster master;
    EXPECT_EQ(master.Open(), row.expected);
    const Calls all = {"Create", "Master.Open", "Master.GetActiveDiscMasterFormat",
                       "Master.SetActiveDiscMasterFormat(Redbook)", "Master.GetActiveDiscRecorder"};
    EXPECT_EQ(fake.Log().calls, Calls(all.begin(), all.begin() + long(row.calls)));
    EXPECT_EQ(master.HasRedbookFormat(), row.expected == S_OK);
    EXPECT_EQ(master.HasRecorder(), row.calls == 5 && row.results.empty());
  }
  EXPECT_EQ(fake.Log().liveObjects, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WrapperOpen,
    ::testing::Values(OpenRow{"Opened", {}, S_OK, 5}, OpenRow{"CreateFails", {{"Create", kOdd}}, kOdd, 1},
                      OpenRow{"OpenFails", {{"Master.Open", kOdd}}, kOdd, 2},
                      OpenRow{"FormatQueryFails", {{"Master.GetActiveDiscMasterFormat", kOdd}}, kOdd, 3},
                      OpenRow{"FormatChoiceFails", {{"Master.SetActiveDiscMasterFormat", kOdd}}, kOdd, 4},
                      OpenRow{"NoActiveRecorderIsNoFailure", {{"Master.GetActiveDiscRecorder", kOdd}}, S_OK, 5}),
    RowName);

struct ExclusiveRow {
  std::string name;
  std::map<std::string, HRESULT> results;
  bool closeFirst;
  size_t closes;  // Recorder0.Close calls, the master's destruction included
  friend void PrintTo(const ExclusiveRow& row, std::ostream* os) { *os << row.name; }
};

class WrapperExclusive : public Wrapper, public ::testing::TestWithParam<ExclusiveRow> {};

TEST_P(WrapperExclusive, TheMasterClosesARecorderLeftOpenWhenItGoes) {
  const ExclusiveRow& row = GetParam();
  FakeDiscMaster fake({row.results});
  {
    CDiscMaster master;
    ASSERT_EQ(master.Open(), S_OK);
    (void)master.OpenExclusive();
    if (row.closeFirst) (void)master.CloseExclusive();
  }
  const FakeLog log = fake.Log();
  EXPECT_EQ(log.CountCalls("Recorder0.Close"), row.closes);
  EXPECT_EQ(log.calls.back(), "Recorder0.destroyed") << "the recorder goes last";
  EXPECT_EQ(log.liveObjects, 0u);
}

INSTANTIATE_TEST_SUITE_P(Rows, WrapperExclusive,
                         ::testing::Values(ExclusiveRow{"LeftOpen", {}, false, 1}, ExclusiveRow{"Closed", {}, true, 1},
                                           ExclusiveRow{"CloseFailed", {{"Recorder0.Close", kOdd}}, true, 2},
                                           ExclusiveRow{"OpenFailed", {{"Recorder0.OpenExclusive", kOdd}}, false, 0}),
                         RowName);

}  // namespace
