// The program against the real control, the real disc-mastering service and
// virtual recorders: the recorder list at start-up and whole burns, checked
// on the disc images the recorders write.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <fstream>

#include "app/CProgressBar.h"
#include "app/MainFrm.h"
#include "app/MainModule.h"
#include "tests/app/CRecordingPresenter.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::BinDir;
using testsupport::RunProcess;
using testsupport::ScopedRegistry;
using testsupport::TempDir;

const QString kAllOk = QStringLiteral("Burn process successfuly finished. Do you want to burn another CD ?");
const QString kInsert = QStringLiteral("Please insert blank CD.");
const QString kTryAgain = QStringLiteral("Please insert blank CD and try again.");
// An audio track holds at least four seconds (300 blocks); at double
// speed the burn lasts long enough for the seconds count to move.
constexpr uint32_t kBlocks = 300;

// What the window showed while it was burning.
struct Sample {
  QString progress;
  float value;
  float max;
  QString seconds;
  bool visible;
};

class QuillonBurnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* library : {"cantrel.ocx", "libimapisvc.so"}) {
      const auto result = RunProcess({BinDir() + "/regsvr", BinDir() + "/" + library});
      ASSERT_EQ(result.status, 0) << library << ": " << result.out << result.err;
    }
    m_wavData = testsupport::MakeWav(m_app.File("fw_1.00.wav"), kBlocks * 2352);
    MainModule::Configure({&m_presenter, QString::fromStdString(m_app.File("quillon")),
                           QString::fromStdString(m_app.Path()), [this] { ++m_nEnded; }});
  }
  void TearDown() override { MainModule::Reset(); }

  static void AddRecorder(const TempDir& folder, const std::string& speed = "2") {
    const auto result =
        RunProcess({BinDir() + "/discmaster", "add-virtual", "--folder", folder.Path(), "--speed", speed});
    ASSERT_EQ(result.status, 0) << result.out << result.err;
  }
  static std::vector<std::string> Images(const TempDir& folder) {
    std::vector<std::string> images;
    for (const QString& name : QDir(QString::fromStdString(folder.Path()))
                                   .entryList({QStringLiteral("disc-*.bin")}, QDir::Files, QDir::Name))
      images.push_back(folder.File(name.toStdString()));
    return images;
  }
  // Runs the window's events, noting what it shows, until a box with that
  // prompt has been answered or the time is up.
  bool RunUntilBox(const QString& prompt, size_t nOccurrence = 1, int nTimeoutMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < nTimeoutMs) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      if (MainFrm* f = MainModule::Form()) {
        Sample s{f->ProgressLbl->text(), f->ProgressBar->Value(), f->ProgressBar->Max(), f->SecondsLbl->text(),
                 f->ProgressBar->isVisible()};
        if (m_samples.empty() || m_samples.back().progress != s.progress || m_samples.back().value != s.value ||
            m_samples.back().seconds != s.seconds)
          m_samples.push_back(s);
        if (!m_bBurningShot && s.visible && s.progress.contains(QLatin1Char('/')) && s.value > 0) {
          m_bBurningShot = f->grab().save(QString::fromStdString(BinDir() + "/../quillon-burning.png"));
        }
      }
      const std::vector<QString> prompts = m_presenter.Prompts();
      if (static_cast<size_t>(std::count(prompts.begin(), prompts.end(), prompt)) >= nOccurrence) return true;
      QThread::msleep(5);
    }
    return false;
  }
  // What was seen, for failure messages.
  std::string Seen() const {
    std::string text = "boxes:";
    for (const QString& p : m_presenter.Prompts()) text += " [" + p.toStdString() + "]";
    text += " window:";
    for (const Sample& s : m_samples) text += " [" + s.progress.toStdString() + " " + s.seconds.toStdString() + "]";
    return text;
  }

  ScopedRegistry m_registry;
  TempDir m_app;
  TempDir m_discs;
  CRecordingPresenter m_presenter;
  std::vector<uint8_t> m_wavData;
  std::vector<Sample> m_samples;
  bool m_bBurningShot = false;
  int m_nEnded = 0;
};

TEST_F(QuillonBurnTest, OneRecorderIsSelectedQuietly) {
  AddRecorder(m_discs);
  MainModule::Main();
  MainFrm* f = MainModule::Form();
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(m_presenter.Shown().empty()) << m_presenter.Prompts().front().toStdString();
  ASSERT_EQ(f->DriveCmb->count(), 1);
  EXPECT_EQ(f->DriveCmb->currentText(), QStringLiteral("VIRTUAL CD-RW Recorder"));
  EXPECT_EQ(f->DriveCmb->currentIndex(), 0);
  EXPECT_EQ(f->VersionLbl->text(), QStringLiteral("Version: 1.00"));
  EXPECT_TRUE(f->isVisible());
  EXPECT_TRUE(f->grab().save(QString::fromStdString(BinDir() + "/../quillon-idle.png")));
}

TEST_F(QuillonBurnTest, TwoRecordersSelectNoneAndAsk) {
  TempDir second;
  AddRecorder(m_discs);
  AddRecorder(second);
  MainModule::Main();
  MainFrm* f = MainModule::Form();
  EXPECT_EQ(f->DriveCmb->count(), 2);
  EXPECT_EQ(f->DriveCmb->currentIndex(), -1);
  EXPECT_EQ(m_presenter.Prompts(), std::vector<QString>{QStringLiteral("Select CD burner drive.")});
}

TEST_F(QuillonBurnTest, NoRecorderRetryFindsTheOneAddedAndCancelEnds) {
  int nAsked = 0;
  m_presenter.SetAnswer([&](const CMsgBoxRequest& r) {
    EXPECT_EQ(r.strTitle, QStringLiteral("No CD burner"));
    if (++nAsked == 1) AddRecorder(m_discs);
    return MsgResult::Retry;
  });
  MainModule::Main();
  EXPECT_EQ(nAsked, 1);
  EXPECT_EQ(MainModule::Form()->DriveCmb->count(), 1);
  EXPECT_TRUE(MainModule::Form()->isVisible());
  MainModule::Reset();

  RunProcess({BinDir() + "/discmaster", "remove", "0"});
  m_presenter.Clear();
  m_presenter.SetAnswer([](const CMsgBoxRequest&) { return MsgResult::Cancel; });
  MainModule::Main();
  EXPECT_EQ(m_nEnded, 1);
  EXPECT_FALSE(MainModule::Form()->isVisible());
}

TEST_F(QuillonBurnTest, FullBurnFromTheButtonToTheQuestion) {
  AddRecorder(m_discs);
  MainModule::Main();
  MainFrm* f = MainModule::Form();
  m_presenter.SetAnswer([](const CMsgBoxRequest& r) { return r.strPrompt == kAllOk ? MsgResult::No : r.DefaultResult(); });
  f->BurnBttn->click();
  ASSERT_TRUE(RunUntilBox(kAllOk)) << Seen();
  EXPECT_EQ(m_presenter.Prompts(), (std::vector<QString>{kInsert, kAllOk}));
  EXPECT_EQ(m_nEnded, 1);
  EXPECT_FALSE(f->ProgressBar->isVisible());
  EXPECT_TRUE(f->BurnBttn->isEnabled());

  const std::vector<std::string> images = Images(m_discs);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(testsupport::ReadFileBytes(images[0]), m_wavData);

  // "Burning...", then steps as "n / m" with the bar at n of m, then the
  // closing of the disc with the bar full; the seconds count up meanwhile.
  bool bBurning = false, bSteps = false, bClosing = false;
  int nMaxSeconds = 0;
  const QRegularExpression steps(QStringLiteral("^(\\d+) / (\\d+)$"));
  for (const Sample& s : m_samples) {
    bBurning |= s.progress == QStringLiteral("Burning...");
    if (const auto m = steps.match(s.progress); m.hasMatch() && s.visible) {
      bSteps = true;
      EXPECT_FLOAT_EQ(s.value, m.captured(1).toFloat()) << s.progress.toStdString();
      EXPECT_FLOAT_EQ(s.max, m.captured(2).toFloat()) << s.progress.toStdString();
    }
    if (s.progress == QStringLiteral("closing CD")) {
      bClosing = true;
      EXPECT_FLOAT_EQ(s.value, s.max);
    }
    nMaxSeconds = std::max(nMaxSeconds, s.seconds.toInt());
  }
  EXPECT_TRUE(bBurning);
  EXPECT_TRUE(bSteps);
  EXPECT_TRUE(bClosing);
  EXPECT_GE(nMaxSeconds, 1);
  EXPECT_TRUE(m_bBurningShot);
}

TEST_F(QuillonBurnTest, YesBurnsASecondDiscWithTheFirmwareToo) {
  AddRecorder(m_discs, "max");
  MainModule::Main();
  MainFrm* f = MainModule::Form();
  int nQuestions = 0;
  m_presenter.SetAnswer([&](const CMsgBoxRequest& r) {
    if (r.strPrompt == kAllOk) return ++nQuestions == 1 ? MsgResult::Yes : MsgResult::No;
    return r.DefaultResult();
  });
  f->BurnBttn_Click();
  ASSERT_TRUE(RunUntilBox(kAllOk, 2)) << Seen();
  EXPECT_EQ(m_presenter.Prompts(), (std::vector<QString>{kInsert, kAllOk, kInsert, kAllOk}));
  const std::vector<std::string> images = Images(m_discs);
  ASSERT_EQ(images.size(), 2u);
  for (const std::string& image : images) EXPECT_EQ(testsupport::ReadFileBytes(image), m_wavData) << image;
}

TEST_F(QuillonBurnTest, RecordedDiscGivesTheErrorAndAnIdleWindow) {
  AddRecorder(m_discs, "max");
  {
    // A disc that already holds a recording lies in the tray.
    std::ofstream tray(m_discs.File(".tray"));
    tray << "state=recorded\nmedia=cd-r\nimage=disc-0000\ntracks=1\nblocks=10\n";
  }
  MainModule::Main();
  MainFrm* f = MainModule::Form();
  m_presenter.SetOpenMilliseconds(200);  // the box is modal: the control's messages go on meanwhile
  f->BurnBttn_Click();
  ASSERT_TRUE(RunUntilBox(kTryAgain, 1, 30000)) << Seen();
  EXPECT_EQ(m_presenter.Shown().back().request.nIcon, MsgIcon::Exclamation);
  EXPECT_TRUE(Images(m_discs).empty());
  EXPECT_FALSE(f->ProgressBar->isVisible());
  EXPECT_TRUE(f->BurnBttn->isEnabled() && f->ExitBttn->isEnabled() && f->DriveCmb->isEnabled());
  EXPECT_FALSE(f->Timer1->isActive());
  EXPECT_EQ(f->cursor().shape(), Qt::ArrowCursor);
  // The control takes a new burn: with the disc ejected, it goes through.
  std::remove(m_discs.File(".tray").c_str());
  m_presenter.SetAnswer([](const CMsgBoxRequest& r) { return r.strPrompt == kAllOk ? MsgResult::No : r.DefaultResult(); });
  f->BurnBttn_Click();
  ASSERT_TRUE(RunUntilBox(kAllOk)) << Seen();
  EXPECT_EQ(Images(m_discs).size(), 1u);
}

}  // namespace
