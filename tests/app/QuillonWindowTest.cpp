// The window against the real control and virtual recorders: what it lists
// and asks at start-up, what it shows in each state (read off its pixels),
// and the boxes and button states of the burn flow, with a scripted control
// standing in where the flow needs answers a recorder cannot give. One whole
// burn photographs the window idle, half-way, while the disc is closed and
// when it is done (kept as PNG files in the build folder).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <functional>

#include "app/CSingleInstance.h"
#include "app/MainFrm.h"
#include "app/MainModule.h"
#include "control/interface/CantrelIds.h"
#include "platform/com/ComObject.h"
#include "tests/app/CRecordingPresenter.h"
#include "tests/app/CWindowShot.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::BinDir;
using testsupport::RunProcess;

const QString kSelect = QStringLiteral("Select CD burner drive.");
const QString kInsert = QStringLiteral("Please insert blank CD.");
const QString kAllOk = QStringLiteral("Burn process successfuly finished. Do you want to burn another CD ?");

// Answers each call with the result set for its member (1 by default) or
// fails it, and notes the members called.
class CScriptedControl : public ComObject<CScriptedControl, IDispatch> {
 public:
  void FinalRelease() {}  // lives on the test's stack
  std::map<DISPID, SHORT> results;
  std::map<DISPID, HRESULT> failures;
  std::vector<DISPID> calls;
  HRESULT GetTypeInfoCount(UINT* p) override { return *p = 0, S_OK; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* r, EXCEPINFO*, UINT*) override {
    calls.push_back(id);
    if (failures.count(id)) return failures[id];
    if (r) *r = CVariant::Short(results.count(id) ? results[id] : 1).Detach();
    return S_OK;
  }
};

// Runs a check right after each queued call (the control's events come as
// such) that reaches the window; checks may nest when a check pumps events.
// A child of the window, it goes with it.
class CAfterEachCall : public QObject {
 public:
  CAfterEachCall(QObject& target, std::function<void()> fnCheck)
      : QObject(&target), m_target(target), m_fnCheck(std::move(fnCheck)) {
    m_target.installEventFilter(this);
  }
  bool eventFilter(QObject* pObject, QEvent* pEvent) override {
    if (pObject != &m_target || pEvent->type() != QEvent::MetaCall) return false;
    m_target.event(pEvent);  // straight to the window, past the filters
    m_fnCheck();
    return true;
  }

 private:
  QObject& m_target;
  std::function<void()> m_fnCheck;
};

class QuillonWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::MakeWav(m_app.File("fw_1.07.wav"), 4 * 2352);
    MainModule::Configure({&m_presenter, QString::fromStdString(m_app.File("quillon")),
                           QString::fromStdString(m_app.Path()), [this] { ++m_nEnded; }});
  }
  void TearDown() override { MainModule::Reset(); }
  void Register() {
    for (const char* library : {"cantrel.ocx", "libimapisvc.so"})
      ASSERT_EQ(RunProcess({BinDir() + "/regsvr", BinDir() + "/" + library}).status, 0) << library;
  }
  void AddRecorder() {
    testsupport::TempDir& folder = m_discs.emplace_back();
    ASSERT_EQ(RunProcess({BinDir() + "/discmaster", "add-virtual", "--folder", folder.Path()}).status, 0);
  }
  MainFrm* Load(int nRecorders) {
    Register();
    for (int i = 0; i < nRecorders; ++i) AddRecorder();
    MainModule::Main();
    return MainModule::Form();
  }
  // Loaded with one recorder; the flow then talks to the scripted control.
  MainFrm* LoadScripted() {
    MainFrm* f = Load(1);
    f->AB = CBurnerControl(ComPtr<IDispatch>(&m_control));
    m_presenter.Clear();
    return f;
  }
  static bool InputEnabled(MainFrm* f) {
    return f->BurnBttn->isEnabled() && f->ExitBttn->isEnabled() && f->DriveCmb->isEnabled();
  }

  testsupport::ScopedRegistry m_registry;
  testsupport::TempDir m_app;
  std::list<testsupport::TempDir> m_discs;
  CRecordingPresenter m_presenter;
  CScriptedControl m_control;
  int m_nEnded = 0;
};

// ---- Start-up: the recorder list, the boxes, where the window opens.

struct LoadCase {
  const char* name;
  int nRecorders;
  MsgResult answer;
  std::vector<QString> prompts;
  int nListed, nSelected, nEnded;
};
void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class QuillonLoad : public QuillonWindowTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(QuillonLoad, ListsAndAsks) {
  const LoadCase& c = GetParam();
  m_presenter.SetAnswer([&](const CMsgBoxRequest&) {
    if (c.answer == MsgResult::Retry && m_discs.empty()) AddRecorder();  // connected meanwhile
    return c.answer;
  });
  MainFrm* f = Load(c.nRecorders);
  EXPECT_EQ(m_presenter.Prompts(), c.prompts);
  EXPECT_EQ(f->DriveCmb->count(), c.nListed);
  EXPECT_EQ(f->DriveCmb->currentIndex(), c.nSelected);
  EXPECT_EQ(m_nEnded, c.nEnded);
  EXPECT_EQ(f->isVisible(), c.nEnded == 0);
  if (f->isVisible()) {  // in the middle of the screen
    EXPECT_EQ(f->frameGeometry().center(), f->screen()->availableGeometry().center());
  }
  EXPECT_EQ(f->VersionLbl->text(), QStringLiteral("Version: 1.07"));
}

const QString kNoBurner = QStringLiteral("No CD burning drive found. Please connect CD burner and click Retry.");
INSTANTIATE_TEST_SUITE_P(
    Recorders, QuillonLoad,
    ::testing::Values(LoadCase{"Two", 2, MsgResult::OK, {kSelect}, 2, -1, 0},
                      LoadCase{"NoneThenRetry", 0, MsgResult::Retry, {kNoBurner}, 1, 0, 0},
                      LoadCase{"NoneThenCancel", 0, MsgResult::Cancel, {kNoBurner}, 0, -1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QuillonWindowTest, WithoutTheControlSaysWhyAndStillOpens) {
  MainModule::Main();  // nothing registered
  EXPECT_EQ(m_presenter.Prompts(),
            std::vector<QString>{QStringLiteral(
                "Unexpected error occured:\r\rThe CD burner control could not be created: Class not registered.")});
  EXPECT_TRUE(MainModule::Form()->isVisible());
}

TEST_F(QuillonWindowTest, SecondCopyIsRefused) {
  CSingleInstance first(QString::fromStdString(m_app.File("quillon")), QString::fromStdString(m_app.Path()));
  ASSERT_TRUE(first.TryAcquire());
  MainModule::Main();
  EXPECT_EQ(m_presenter.Prompts(), std::vector<QString>{QStringLiteral("This application is already running.")});
  EXPECT_EQ(m_nEnded, 1);
  EXPECT_EQ(MainModule::Form(), nullptr);
}

// ---- What the window shows, read off its pixels (the bar: the whole burn's test).

TEST_F(QuillonWindowTest, RecorderLabelIsBold) {
  MainFrm* f = Load(1);
  QLabel regular(f->Lbl[0]->text());
  regular.setFont(f->font());
  regular.setAlignment(f->Lbl[0]->alignment());
  regular.resize(f->Lbl[0]->size());
  const double dRegular = CWindowShot::Ink(regular.grab().toImage());
  EXPECT_GT(CWindowShot(*f).Ink(*f->Lbl[0]), 1.25 * dRegular);
}

// ---- "Burn CD": the checks before a burn and what the control's answers lead to.

struct ClickCase {
  const char* name;
  bool bFirmware, bSelected;
  MsgResult insertAnswer;
  SHORT nTrack, nBurn;
  HRESULT hrBurn;
  QString box;  // shown after "Please insert blank CD." (or instead of it); empty: none
  bool bBurning;
};
void PrintTo(const ClickCase& c, std::ostream* os) { *os << c.name; }

class QuillonBurnClick : public QuillonWindowTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(QuillonBurnClick, ChecksThenBurnsOrSays) {
  const ClickCase& c = GetParam();
  if (!c.bFirmware) std::remove(m_app.File("fw_1.07.wav").c_str());
  MainFrm* f = LoadScripted();
  if (!c.bSelected) f->DriveCmb->setCurrentIndex(-1);
  m_control.results[DISPID_CANTREL_ADDAUDIOTRACK] = c.nTrack;
  m_control.results[DISPID_CANTREL_BURN] = c.nBurn;
  if (FAILED(c.hrBurn)) m_control.failures[DISPID_CANTREL_BURN] = c.hrBurn;
  m_presenter.SetAnswer([&](const CMsgBoxRequest& r) { return r.strPrompt == kInsert ? c.insertAnswer : MsgResult::OK; });
  f->BurnBttn->click();
  std::vector<QString> prompts;
  if (c.bFirmware && c.bSelected) prompts.push_back(kInsert);
  if (!c.box.isEmpty()) prompts.push_back(c.box);
  EXPECT_EQ(m_presenter.Prompts(), prompts);
  EXPECT_EQ(InputEnabled(f), !c.bBurning);
  EXPECT_EQ(f->ProgressLbl->isVisible(), c.bBurning);
  EXPECT_EQ(f->cursor().shape(), c.bBurning ? Qt::WaitCursor : Qt::ArrowCursor);
  if (c.bBurning) {
    EXPECT_EQ(f->ProgressLbl->text(), QStringLiteral("Burning..."));
  }
  for (const CShownBox& box : m_presenter.Shown()) EXPECT_FALSE(box.bHourglass);
}

INSTANTIATE_TEST_SUITE_P(
    Flow, QuillonBurnClick,
    ::testing::Values(
        ClickCase{"NoFirmware", false, true, MsgResult::OK, 0, 1, S_OK,
                  "No firmware file (fw*.wav) was found beside the program, so there is nothing to burn.", false},
        ClickCase{"NoRecorderSelected", true, false, MsgResult::OK, 0, 1, S_OK, kSelect, false},
        ClickCase{"InsertCancelled", true, true, MsgResult::Cancel, 0, 1, S_OK, {}, false},
        ClickCase{"TrackRefused", true, true, MsgResult::OK, -2, 1, S_OK, "Unexpected error uccured (-2).", false},
        ClickCase{"OtherTrackResultBurns", true, true, MsgResult::OK, -4, 1, S_OK, {}, true},
        ClickCase{"NotReady", true, true, MsgResult::OK, 0, 0, S_OK,
                  "CD burner drive is not ready. Try again later.", false},
        ClickCase{"ControlFails", true, true, MsgResult::OK, 0, 1, E_UNEXPECTED,
                  "Unexpected error occured:\r\rCatastrophic failure.", false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The control's end-of-burn events.

TEST_F(QuillonWindowTest, ErrorEventReturnsToIdle) {
  MainFrm* f = LoadScripted();
  f->BurnBttn_Click();
  f->AB_ErrorEvent(5);
  EXPECT_EQ(m_presenter.Prompts(), (std::vector<QString>{kInsert, QStringLiteral("Please insert blank CD and try again.")}));
  EXPECT_TRUE(InputEnabled(f));
  EXPECT_EQ(CWindowShot(*f).BarFill(), 0.0);
}

TEST_F(QuillonWindowTest, BurnCompleteAsksForAnotherDisc) {
  MainFrm* f = LoadScripted();
  f->BurnBttn_Click();
  m_control.calls.clear();
  f->AB_BurnComplete();  // Yes (the default): burns again, then clears the list
  EXPECT_EQ(m_presenter.Prompts(), (std::vector<QString>{kInsert, kAllOk, kInsert}));
  EXPECT_EQ(m_control.calls.back(), DISPID_CANTREL_DELETEALLITEMS);
  EXPECT_EQ(std::count(m_control.calls.begin(), m_control.calls.end(), DISPID_CANTREL_BURN), 1);
  EXPECT_FALSE(InputEnabled(f));
}

TEST_F(QuillonWindowTest, ExitAndCloseEndTheProgram) {
  MainFrm* f = Load(1);
  f->ExitBttn->click();
  f->close();
  EXPECT_EQ(m_nEnded, 2);
}

// ---- One whole burn, from the button to the question, on a recorder of the real service.

TEST_F(QuillonWindowTest, AWholeBurnShowsItsProgressAndLeavesTheFirmwareOnTheDisc) {
  Register();
  // Four seconds of audio at double speed: long enough to see it go.
  const testsupport::TempDir& discs = m_discs.emplace_back();
  ASSERT_EQ(RunProcess({BinDir() + "/discmaster", "add-virtual", "--folder", discs.Path(), "--speed", "2"}).status, 0);
  const std::vector<uint8_t> wav = testsupport::MakeWav(m_app.File("fw_1.07.wav"), 300 * 2352);
  bool bDoneShot = false;
  m_presenter.SetAnswer([&](const CMsgBoxRequest& r) {
    if (r.strPrompt != kAllOk) return r.DefaultResult();
    const CWindowShot done(*MainModule::Form());
    bDoneShot = done.Save("done");
    EXPECT_EQ(done.BarFill(), 0.0);
    EXPECT_EQ(done.Ink(*MainModule::Form()->ProgressLbl), 0.0);
    return MsgResult::No;
  });
  MainModule::Main();
  MainFrm* f = MainModule::Form();
  const CWindowShot idle(*f);
  EXPECT_TRUE(idle.Save("idle"));
  EXPECT_EQ(idle.BarFill(), 0.0);
  EXPECT_EQ(f->DriveCmb->currentText(), QStringLiteral("VIRTUAL CD-RW Recorder"));

  // Every control event is delivered here and the window looked at right
  // after it: a busy machine may queue several events between two looks, so
  // polling the window could miss the half-way or closing state.
  const QRegularExpression steps(QStringLiteral("^(\\d+) / (\\d+)$"));
  bool bHalfShot = false, bClosingShot = false;
  int nSeconds = 0;
  new CAfterEachCall(*f, [&] {
    nSeconds = std::max(nSeconds, f->SecondsLbl->text().toInt());
    const QString text = f->ProgressLbl->text();
    if (const auto m = steps.match(text); m.hasMatch() && !bHalfShot) {
      const double dDone = m.captured(1).toDouble() / m.captured(2).toDouble();
      if (dDone >= 0.4 && dDone <= 0.6) {
        bHalfShot = true;
        const CWindowShot half(*f);
        EXPECT_TRUE(half.Save("half-way"));
        EXPECT_NEAR(half.BarFill(), dDone, 0.03) << text.toStdString();
        EXPECT_GT(half.Ink(*f->ProgressLbl), 0.0);
      }
    }
    if (text == QStringLiteral("closing CD") && !bClosingShot) {
      bClosingShot = true;
      const CWindowShot closing(*f);
      EXPECT_TRUE(closing.Save("closing"));
      EXPECT_GE(closing.BarFill(), 0.97);
    }
  });
  f->BurnBttn->click();
  QTimer wake;  // so that the wait below looks at the clock now and then
  wake.start(100);
  QElapsedTimer timer;
  timer.start();
  while (m_presenter.Prompts().size() < 2 && timer.elapsed() < 120000)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  EXPECT_EQ(m_presenter.Prompts(), (std::vector<QString>{kInsert, kAllOk}));
  EXPECT_TRUE(bHalfShot && bClosingShot && bDoneShot);
  EXPECT_GE(nSeconds, 1);
  EXPECT_EQ(m_nEnded, 1);
  const QStringList images = QDir(QString::fromStdString(discs.Path())).entryList({QStringLiteral("disc-*.bin")});
  ASSERT_EQ(images.size(), 1);
  EXPECT_EQ(testsupport::ReadFileBytes(discs.File(images[0].toStdString())), wav);
}

}  // namespace
