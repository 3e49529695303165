// The window and the burn flow against a fake control registered under the
// control's class id: what the window calls, in which order, what it shows
// and which boxes it opens.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <thread>

#include "app/CProgressBar.h"
#include "app/MainFrm.h"
#include "app/MainModule.h"
#include "tests/app/CFakeCantrel.h"
#include "tests/app/CRecordingPresenter.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::ScopedRegistry;
using testsupport::TempDir;

const QString kInsert = QStringLiteral("Please insert blank CD.");
const QString kSelect = QStringLiteral("Select CD burner drive.");
const CMsgBoxRequest kSelectBox{kSelect, MsgButtons::OK, MsgIcon::Information, QStringLiteral("Select drive")};
const QString kNoBurner = QStringLiteral("No CD burning drive found. Please connect CD burner and click Retry.");
const QString kAllOk = QStringLiteral("Burn process successfuly finished. Do you want to burn another CD ?");

class MainFrmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CFakeCantrel::Script() = CFakeScript{};
    Script().drives = {{QStringLiteral("VIRTUAL "), QStringLiteral("CD-R 1")}};
    m_dwCookie = CFakeCantrel::Register();
    testsupport::MakeWav(m_dir.File("fw_1.07.wav"), 4 * 2352);
    MainModule::Configure({&m_presenter, QString::fromStdString(m_dir.File("quillon")),
                           QString::fromStdString(m_dir.Path()), [this] { ++m_nEnded; }});
  }
  void TearDown() override {
    MainModule::Reset();
    CFakeCantrel::Revoke(m_dwCookie);
  }

  static CFakeScript& Script() { return CFakeCantrel::Script(); }
  static CMsgBoxRequest ErrorBox(const QString& strPrompt, MsgIcon nIcon = MsgIcon::Critical) {
    return {strPrompt, MsgButtons::OK, nIcon, QStringLiteral("Error")};
  }
  static CMsgBoxRequest Unexpected(const char* description) {
    return ErrorBox(QStringLiteral("Unexpected error occured:\r\r") + QString::fromLatin1(description));
  }
  void AnswerAll(MsgResult nResult) {
    m_presenter.SetAnswer([nResult](const CMsgBoxRequest&) { return nResult; });
  }
  MainFrm* Load() {
    MainModule::Main();
    return MainModule::Form();
  }
  // Loads with one recorder, then forgets the load's calls and boxes.
  MainFrm* LoadIdle() {
    MainFrm* pForm = Load();
    Script().calls.clear();
    m_presenter.Clear();
    return pForm;
  }
  static void Pump() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  QString AppPath() const { return QString::fromStdString(m_dir.Path()); }
  QString TrackCall() const { return QStringLiteral("AddAudioTrack(%1\\fw_1.07.wav)").arg(AppPath()); }
  QStringList BurnCalls() const {
    return {QStringLiteral("InitControl"), QStringLiteral("DeleteAllItems"), TrackCall(), QStringLiteral("Drive=0"),
            QStringLiteral("Burn(0,-1,0)")};
  }
  static bool IsIdle(MainFrm* f) {
    return !f->ProgressBar->isVisibleTo(f) && !f->ProgressLbl->isVisibleTo(f) && !f->SecondsLbl->isVisibleTo(f) &&
           f->BurnBttn->isEnabled() && f->ExitBttn->isEnabled() && f->DriveCmb->isEnabled() &&
           !f->Timer1->isActive() && f->cursor().shape() == Qt::ArrowCursor;
  }
  static bool IsBurning(MainFrm* f) {
    return f->ProgressBar->isVisibleTo(f) && f->ProgressLbl->isVisibleTo(f) && f->SecondsLbl->isVisibleTo(f) &&
           !f->BurnBttn->isEnabled() && !f->ExitBttn->isEnabled() && !f->DriveCmb->isEnabled() &&
           f->Timer1->isActive() && f->Timer1->interval() == 1000 && f->cursor().shape() == Qt::WaitCursor;
  }
  // Starts a burn that the control accepts.
  MainFrm* StartBurn() {
    MainFrm* f = LoadIdle();
    f->BurnBttn_Click();
    return f;
  }

  ScopedRegistry m_registry;
  TempDir m_dir;
  CRecordingPresenter m_presenter;
  DWORD m_dwCookie = 0;
  int m_nEnded = 0;
};

TEST_F(MainFrmTest, LoadWithOneRecorderSelectsItQuietly) {
  MainFrm* f = Load();
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->isVisible());
  EXPECT_TRUE(m_presenter.Shown().empty());
  ASSERT_EQ(f->DriveCmb->count(), 1);
  EXPECT_EQ(f->DriveCmb->itemText(0), QStringLiteral("VIRTUAL  CD-R 1"));  // no trimming
  EXPECT_EQ(f->DriveCmb->currentIndex(), 0);
  EXPECT_EQ(f->VersionLbl->text(), QStringLiteral("Version: 1.07"));
  EXPECT_EQ(MainModule::FwFile, QStringLiteral("fw_1.07.wav"));
  EXPECT_TRUE(IsIdle(f));
  EXPECT_EQ(Script().calls, (QStringList{QStringLiteral("InitControl"), QStringLiteral("Drives")}));
  EXPECT_EQ(m_nEnded, 0);
}

TEST_F(MainFrmTest, LoadWithTwoRecordersSelectsNoneAndAsksBeforeShowing) {
  Script().drives = {{QStringLiteral("VIRTUAL"), QStringLiteral("CD-R")}, {QStringLiteral("VIRTUAL"), QStringLiteral("CD-R")}};
  MainFrm* f = Load();
  ASSERT_EQ(m_presenter.Shown().size(), 1u);
  const CShownBox& box = m_presenter.Shown()[0];
  EXPECT_EQ(box.request, kSelectBox);
  EXPECT_FALSE(box.bWindowVisible);
  EXPECT_TRUE(f->isVisible());
  ASSERT_EQ(f->DriveCmb->count(), 2);
  EXPECT_EQ(f->DriveCmb->itemText(0), f->DriveCmb->itemText(1));
  EXPECT_EQ(f->DriveCmb->currentIndex(), -1);

  // Identical names still pick different recorders by position.
  f->DriveCmb->setCurrentIndex(1);
  Script().calls.clear();
  f->BurnBttn_Click();
  EXPECT_TRUE(Script().calls.contains(QStringLiteral("Drive=1")));
}

TEST_F(MainFrmTest, NoRecorderRetryListsTheOneConnectedMeanwhile) {
  Script().drives.clear();
  m_presenter.SetAnswer([](const CMsgBoxRequest& r) {
    EXPECT_EQ(r, (CMsgBoxRequest{kNoBurner, MsgButtons::RetryCancel, MsgIcon::None, QStringLiteral("No CD burner")}));
    Script().drives = {{QStringLiteral("NEW"), QStringLiteral("WRITER")}};
    return MsgResult::Retry;
  });
  MainFrm* f = Load();
  ASSERT_EQ(m_presenter.Shown().size(), 1u);
  EXPECT_FALSE(m_presenter.Shown()[0].bWindowVisible);
  EXPECT_EQ(Script().calls.count(QStringLiteral("InitControl")), 2);
  ASSERT_EQ(f->DriveCmb->count(), 1);
  EXPECT_EQ(f->DriveCmb->currentText(), QStringLiteral("NEW WRITER"));
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(m_nEnded, 0);
}

TEST_F(MainFrmTest, NoRecorderCancelEndsWithoutShowingTheWindow) {
  Script().drives.clear();
  AnswerAll(MsgResult::Cancel);
  MainFrm* f = Load();
  EXPECT_EQ(m_nEnded, 1);
  EXPECT_EQ(m_presenter.Shown().size(), 1u);
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(f->isVisible());
}

TEST_F(MainFrmTest, AutomationErrorWhileListingKeepsWhatWasListed) {
  struct Case {
    const char* name;
    HRESULT hrInit, hrDrives;
    int nFailing, nListed, nSelected;
    const char* description;
  } cases[] = {
      {"InitControl fails", E_ACCESSDENIED, S_OK, -1, 0, -1, "Access is denied."},
      {"Drives fails", S_OK, E_OUTOFMEMORY, -1, 0, -1,
       "Not enough memory resources are available to complete this operation."},
      {"second element fails", S_OK, S_OK, 1, 1, 0, "Access is denied."},
      {"third element fails", S_OK, S_OK, 2, 2, -1, "Access is denied."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MainModule::Reset();
    m_presenter.Clear();
    Script().drives = {{QStringLiteral("A"), QStringLiteral("1")}, {QStringLiteral("B"), QStringLiteral("2")},
                       {QStringLiteral("C"), QStringLiteral("3")}};
    Script().hrInitControl = c.hrInit;
    Script().hrDrives = c.hrDrives;
    Script().nFailingDrive = c.nFailing;
    MainFrm* f = Load();
    ASSERT_GE(m_presenter.Shown().size(), 1u);
    EXPECT_EQ(m_presenter.Shown()[0].request, Unexpected(c.description));
    EXPECT_EQ(f->DriveCmb->count(), c.nListed);
    EXPECT_EQ(f->DriveCmb->currentIndex(), c.nSelected);
    // More than one item left: the usual request to choose.
    EXPECT_EQ(m_presenter.Shown().size(), c.nListed > 1 ? 2u : 1u);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(m_nEnded, 0);
    if (c.nSelected < 0 && c.nListed == 0) {
      // With nothing listed, "Burn CD" asks for a recorder.
      m_presenter.Clear();
      f->BurnBttn_Click();
      ASSERT_EQ(m_presenter.Shown().size(), 1u);
      EXPECT_EQ(m_presenter.Shown()[0].request.strPrompt, kSelect);
    }
  }
}

TEST_F(MainFrmTest, NoFirmwareFileIsSaidAndNothingIsBurnt) {
  std::remove(m_dir.File("fw_1.07.wav").c_str());
  testsupport::MakeWav(m_dir.File("fw.wav"), 2352);  // no version, no firmware
  MainFrm* f = LoadIdle();
  EXPECT_TRUE(MainModule::FwFile.isEmpty());
  EXPECT_TRUE(f->VersionLbl->text().contains(QStringLiteral("No firmware file")));
  f->BurnBttn_Click();
  ASSERT_EQ(m_presenter.Shown().size(), 1u);
  EXPECT_TRUE(m_presenter.Shown()[0].request.strPrompt.contains(QStringLiteral("firmware")));
  EXPECT_TRUE(Script().calls.isEmpty());
  EXPECT_TRUE(IsIdle(f));
}

TEST_F(MainFrmTest, BurnWithoutSelectionOrWithCancelTouchesNothing) {
  MainFrm* f = LoadIdle();
  f->DriveCmb->setCurrentIndex(-1);
  f->BurnBttn_Click();
  ASSERT_EQ(m_presenter.Shown().size(), 1u);
  EXPECT_EQ(m_presenter.Shown()[0].request, kSelectBox);

  f->DriveCmb->setCurrentIndex(0);
  m_presenter.Clear();
  AnswerAll(MsgResult::Cancel);
  f->BurnBttn_Click();
  ASSERT_EQ(m_presenter.Shown().size(), 1u);
  EXPECT_EQ(m_presenter.Shown()[0].request,
            (CMsgBoxRequest{kInsert, MsgButtons::OKCancel, MsgIcon::None, QStringLiteral("Insert CD")}));
  EXPECT_TRUE(Script().calls.isEmpty());
  EXPECT_TRUE(IsIdle(f));
}

// AddAudioTrack's -1..-3 refuse the track; any other answer goes on to Burn,
// whose 0 means the recorder was not ready.
TEST_F(MainFrmTest, TrackAndBurnResultsDecideWhetherItBurns) {
  const struct {
    SHORT nTrack, nBurn;
    const char* refusal;  // null: it burns
    MsgIcon nIcon;
  } cases[] = {
      {-1, 1, "Unexpected error uccured (-1).", MsgIcon::Critical},
      {-2, 1, "Unexpected error uccured (-2).", MsgIcon::Critical},
      {-3, 1, "Unexpected error uccured (-3).", MsgIcon::Critical},
      {0, 1, nullptr, MsgIcon::None},
      {1, 1, nullptr, MsgIcon::None},
      {-4, 1, nullptr, MsgIcon::None},
      {0, 0, "CD burner drive is not ready. Try again later.", MsgIcon::Exclamation},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "track " << c.nTrack << ", burn " << c.nBurn);
    MainModule::Reset();
    Script().nAddAudioTrack = c.nTrack;
    Script().nBurn = c.nBurn;
    MainFrm* f = StartBurn();
    const bool bTrackRefused = c.nTrack < 0 && c.nTrack >= -3;
    EXPECT_EQ(Script().calls, bTrackRefused ? BurnCalls().mid(0, 3) : BurnCalls());
    if (!c.refusal) {
      EXPECT_TRUE(m_presenter.Shown().size() == 1u && IsBurning(f));
      EXPECT_EQ(f->ProgressLbl->text(), QStringLiteral("Burning..."));
      EXPECT_EQ(f->SecondsLbl->property("Tag").toString(), QStringLiteral("0"));
      EXPECT_EQ(f->SecondsLbl->text(), QString());  // the first burn of a run starts with an empty count
      continue;
    }
    ASSERT_EQ(m_presenter.Shown().size(), 2u);
    const CShownBox& box = m_presenter.Shown()[1];
    EXPECT_EQ(box.request, ErrorBox(QString::fromLatin1(c.refusal), c.nIcon));
    EXPECT_FALSE(box.bHourglass);
    EXPECT_TRUE(box.bBurnEnabled || !bTrackRefused);
    EXPECT_TRUE(IsIdle(f));
  }
}

TEST_F(MainFrmTest, AutomationErrorInsideTheBurnIsTrapped) {
  struct Case {
    const char* name;
    HRESULT CFakeScript::*field;
    HRESULT hr;
    const char* description;
  } cases[] = {
      {"InitControl", &CFakeScript::hrInitControl, E_FAIL, "Unspecified error."},
      {"AddAudioTrack", &CFakeScript::hrAddAudioTrack, DISP_E_TYPEMISMATCH, "Type mismatch."},
      {"Drive", &CFakeScript::hrDrivePut, CTL_E_SETNOTSUPPORTED, "Can't set property."},
      {"Burn", &CFakeScript::hrBurn, E_UNEXPECTED, "Catastrophic failure."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MainModule::Reset();
    Script() = CFakeScript{};
    Script().drives = {{QStringLiteral("V"), QStringLiteral("P")}};
    MainFrm* f = LoadIdle();
    Script().*c.field = c.hr;
    f->BurnBttn_Click();
    ASSERT_EQ(m_presenter.Shown().size(), 2u);
    const CShownBox& box = m_presenter.Shown()[1];
    EXPECT_EQ(box.request, Unexpected(c.description));
    EXPECT_FALSE(box.bHourglass);
    EXPECT_TRUE(IsIdle(f));
  }
}

TEST_F(MainFrmTest, ProgressAndClosingDiscDriveTheDisplay) {
  MainFrm* f = StartBurn();
  CFakeCantrel* pControl = CFakeCantrel::Current();
  ASSERT_NE(pControl, nullptr);
  pControl->FireProgress(37, 100);
  Pump();
  EXPECT_FLOAT_EQ(f->ProgressBar->Min(), 0);
  EXPECT_FLOAT_EQ(f->ProgressBar->Max(), 100);
  EXPECT_FLOAT_EQ(f->ProgressBar->Value(), 37);
  EXPECT_EQ(f->ProgressLbl->text(), QStringLiteral("37 / 100"));
  pControl->FireProgress(1234, 300000);
  Pump();
  EXPECT_EQ(f->ProgressLbl->text(), QStringLiteral("1234 / 300000"));
  pControl->FireClosingDisc(90);
  Pump();
  EXPECT_FLOAT_EQ(f->ProgressBar->Value(), 300000);
  EXPECT_EQ(f->ProgressLbl->text(), QStringLiteral("closing CD"));
  EXPECT_TRUE(IsBurning(f));
  // A later Progress sets the bar again.
  pControl->FireProgress(5, 10);
  Pump();
  EXPECT_FLOAT_EQ(f->ProgressBar->Value(), 5);
}

TEST_F(MainFrmTest, EventsFromAnotherThreadArriveInOrderOnTheWindowThread) {
  MainFrm* f = StartBurn();
  CFakeCantrel* pControl = CFakeCantrel::Current();
  std::thread worker([pControl] {
    for (LONG i = 1; i <= 200; ++i) pControl->FireProgress(i, 200);
    pControl->FireClosingDisc(5);
  });
  worker.join();
  // Nothing ran on the worker: the label changes only once the window's
  // thread takes up the events.
  EXPECT_EQ(f->ProgressLbl->text(), QStringLiteral("Burning..."));
  Pump();
  EXPECT_EQ(f->ProgressLbl->text(), QStringLiteral("closing CD"));
  EXPECT_FLOAT_EQ(f->ProgressBar->Value(), 200);
}

TEST_F(MainFrmTest, SecondsCountInTheTag) {
  MainFrm* f = StartBurn();
  for (int i = 1; i <= 3; ++i) f->Timer1_Timer();
  EXPECT_EQ(f->SecondsLbl->property("Tag").toString(), QStringLiteral("3"));
  EXPECT_EQ(f->SecondsLbl->text(), QStringLiteral("3"));
  f->SecondsLbl->setProperty("Tag", QStringLiteral("2147483647"));
  f->Timer1_Timer();
  EXPECT_EQ(f->SecondsLbl->text(), QStringLiteral("2147483647"));
  // The counter restarts with the next burn; the label keeps the old count
  // until the first tick.
  CFakeCantrel::Current()->FireErrorEvent(1);
  Pump();
  f->BurnBttn_Click();
  EXPECT_EQ(f->SecondsLbl->property("Tag").toString(), QStringLiteral("0"));
  EXPECT_EQ(f->SecondsLbl->text(), QStringLiteral("2147483647"));
  f->Timer1_Timer();
  EXPECT_EQ(f->SecondsLbl->text(), QStringLiteral("1"));
}

TEST_F(MainFrmTest, ErrorEventReturnsToIdleWithOneMessageForEveryNumber) {
  for (SHORT nError : {SHORT(1), SHORT(4), SHORT(-7), SHORT(32767)}) {
    SCOPED_TRACE(nError);
    MainModule::Reset();
    MainFrm* f = StartBurn();
    m_presenter.Clear();
    CFakeCantrel::Current()->FireErrorEvent(nError);
    Pump();
    ASSERT_EQ(m_presenter.Shown().size(), 1u);
    EXPECT_EQ(m_presenter.Shown()[0].request,
              ErrorBox(QStringLiteral("Please insert blank CD and try again."), MsgIcon::Exclamation));
    EXPECT_FALSE(m_presenter.Shown()[0].bHourglass);
    EXPECT_TRUE(IsIdle(f));
  }
}

TEST_F(MainFrmTest, BurnCompleteNoEndsTheProgram) {
  MainFrm* f = StartBurn();
  m_presenter.Clear();
  AnswerAll(MsgResult::No);
  CFakeCantrel::Current()->FireBurnComplete();
  Pump();
  ASSERT_EQ(m_presenter.Shown().size(), 1u);
  EXPECT_EQ(m_presenter.Shown()[0].request,
            (CMsgBoxRequest{kAllOk, MsgButtons::YesNo, MsgIcon::None, QStringLiteral("All OK")}));
  EXPECT_TRUE(IsIdle(f));
  EXPECT_EQ(m_nEnded, 1);
  // Nothing runs after the end.
  CFakeCantrel::Current()->FireProgress(1, 2);
  Pump();
  EXPECT_NE(f->ProgressLbl->text(), QStringLiteral("1 / 2"));
}

TEST_F(MainFrmTest, BurnCompleteYesBurnsAgainThenClearsTheList) {
  MainFrm* f = StartBurn();
  Script().calls.clear();
  m_presenter.Clear();
  CFakeCantrel::Current()->FireBurnComplete();
  Pump();
  const std::vector<QString> expectedPrompts{kAllOk, kInsert};
  EXPECT_EQ(m_presenter.Prompts(), expectedPrompts);
  QStringList expectedCalls = BurnCalls();
  expectedCalls << QStringLiteral("DeleteAllItems");
  EXPECT_EQ(Script().calls, expectedCalls);
  EXPECT_TRUE(IsBurning(f));
  EXPECT_EQ(m_nEnded, 0);
}

TEST_F(MainFrmTest, ExitCloseAndKeys) {
  MainFrm* f = LoadIdle();
  f->ExitBttn->click();
  EXPECT_EQ(m_nEnded, 1);
  f->close();
  EXPECT_EQ(m_nEnded, 2);
  EXPECT_TRUE(f->isVisible());

  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(f, &escape);
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(m_nEnded, 2);

  // Enter presses "Burn CD".
  f->DriveCmb->setFocus();
  AnswerAll(MsgResult::Cancel);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(f, &enter);
  EXPECT_EQ(m_presenter.Prompts(), std::vector<QString>{kInsert});
}

TEST_F(MainFrmTest, WindowLayoutInPixels) {
  MainFrm* f = Load();
  EXPECT_EQ(f->windowTitle(), QStringLiteral("Velmora Firmware CD Burner"));
  EXPECT_EQ(f->size(), QSize(369, 151));
  EXPECT_EQ(f->minimumSize(), f->maximumSize());
  const Qt::WindowFlags flags = f->windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  const std::pair<QWidget*, QRect> places[] = {
      {f->DriveCmb, QRect(114, 24, 239, 21)},   {f->BurnBttn, QRect(272, 96, 81, 33)},
      {f->ExitBttn, QRect(16, 96, 81, 33)},     {f->Lbl[0], QRect(16, 26, 97, 13)},
      {f->ProgressBar, QRect(16, 56, 337, 17)}, {f->ProgressLbl, QRect(16, 72, 337, 17)},
      {f->VersionLbl, QRect(8, 136, 353, 17)},  {f->SecondsLbl, QRect(304, 74, 49, 17)},
  };
  for (const auto& [pWidget, rect] : places) EXPECT_EQ(pWidget->geometry(), rect) << pWidget->objectName().toStdString();
  EXPECT_TRUE(f->BurnBttn->isDefault());
  EXPECT_EQ(f->BurnBttn->text(), QStringLiteral("Burn CD"));
  EXPECT_EQ(f->ExitBttn->text(), QStringLiteral("Exit"));
  EXPECT_EQ(f->Lbl[0]->text(), QStringLiteral("Select CD Burner:"));
  EXPECT_TRUE(f->Lbl[0]->alignment() & Qt::AlignRight);
  EXPECT_TRUE(f->ProgressLbl->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(f->SecondsLbl->alignment() & Qt::AlignRight);
  EXPECT_EQ(f->Lbl[0]->font().weight(), QFont::Bold);
  EXPECT_EQ(f->BurnBttn->font().weight(), QFont::Normal);
  EXPECT_DOUBLE_EQ(f->BurnBttn->font().pointSizeF(), 8.25);
  EXPECT_EQ(f->BurnBttn->nextInFocusChain(), f->ExitBttn);
  EXPECT_EQ(f->DriveCmb->nextInFocusChain(), f->BurnBttn);
  EXPECT_FALSE(f->windowIcon().isNull());
}

}  // namespace
