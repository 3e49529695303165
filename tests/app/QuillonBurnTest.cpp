// One whole burn against the real control, the real disc-mastering service and
// a virtual recorder: the window is photographed idle, half-way, while the
// disc is closed and when the burn is done (kept as PNG files in the build
// folder), and the disc image holds the firmware.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>

#include "app/MainFrm.h"
#include "app/MainModule.h"
#include "tests/app/CRecordingPresenter.h"
#include "tests/app/CWindowShot.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::BinDir;
using testsupport::RunProcess;

const QString kAllOk = QStringLiteral("Burn process successfuly finished. Do you want to burn another CD ?");

TEST(QuillonBurn, FromTheButtonToTheQuestion) {
  testsupport::ScopedRegistry registry;
  testsupport::TempDir app, discs;
  for (const char* library : {"cantrel.ocx", "libimapisvc.so"})
    ASSERT_EQ(RunProcess({BinDir() + "/regsvr", BinDir() + "/" + library}).status, 0) << library;
  // Four seconds of audio at double speed: long enough to see it go.
  ASSERT_EQ(RunProcess({BinDir() + "/discmaster", "add-virtual", "--folder", discs.Path(), "--speed", "2"}).status, 0);
  const std::vector<uint8_t> wav = testsupport::MakeWav(app.File("fw_1.00.wav"), 300 * 2352);
  CRecordingPresenter presenter;
  int nEnded = 0;
  bool bDoneShot = false;
  presenter.SetAnswer([&](const CMsgBoxRequest& r) {
    if (r.strPrompt != kAllOk) return r.DefaultResult();
    const CWindowShot done(*MainModule::Form());
    bDoneShot = done.Save("done");
    EXPECT_EQ(done.BarFill(), 0.0);
    EXPECT_EQ(done.Ink(*MainModule::Form()->ProgressLbl), 0.0);
    return MsgResult::No;
  });
  MainModule::Configure({&presenter, QString::fromStdString(app.File("quillon")), QString::fromStdString(app.Path()),
                         [&] { ++nEnded; }});
  MainModule::Main();
  MainFrm* f = MainModule::Form();
  const CWindowShot idle(*f);
  EXPECT_TRUE(idle.Save("idle"));
  EXPECT_EQ(idle.BarFill(), 0.0);
  EXPECT_EQ(f->DriveCmb->currentText(), QStringLiteral("VIRTUAL CD-RW Recorder"));

  f->BurnBttn->click();
  const QRegularExpression steps(QStringLiteral("^(\\d+) / (\\d+)$"));
  bool bHalfShot = false, bClosingShot = false;
  int nSeconds = 0;
  QElapsedTimer timer;
  timer.start();
  while (presenter.Prompts().size() < 2 && timer.elapsed() < 60000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    nSeconds = std::max(nSeconds, f->SecondsLbl->text().toInt());
    const QString text = f->ProgressLbl->text();
    if (const auto m = steps.match(text); m.hasMatch() && !bHalfShot) {
      const double dDone = m.captured(1).toDouble() / m.captured(2).toDouble();
      if (dDone >= 0.4 && dDone <= 0.6) {
        const CWindowShot half(*f);
        bHalfShot = half.Save("half-way");
        EXPECT_NEAR(half.BarFill(), dDone, 0.03) << text.toStdString();
        EXPECT_GT(half.Ink(*f->ProgressLbl), 0.0);
      }
    }
    if (text == QStringLiteral("closing CD") && !bClosingShot) {
      const CWindowShot closing(*f);
      bClosingShot = closing.Save("closing");
      EXPECT_GE(closing.BarFill(), 0.97);
    }
    QThread::msleep(5);
  }
  EXPECT_EQ(presenter.Prompts(), (std::vector<QString>{QStringLiteral("Please insert blank CD."), kAllOk}));
  EXPECT_TRUE(bHalfShot && bClosingShot && bDoneShot);
  EXPECT_GE(nSeconds, 1);
  EXPECT_EQ(nEnded, 1);
  const QStringList images = QDir(QString::fromStdString(discs.Path())).entryList({QStringLiteral("disc-*.bin")});
  ASSERT_EQ(images.size(), 1);
  EXPECT_EQ(testsupport::ReadFileBytes(discs.File(images[0].toStdString())), wav);
  MainModule::Reset();
}

}  // namespace
