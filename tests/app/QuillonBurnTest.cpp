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
#include <QTimer>
#include <functional>

#include "app/MainFrm.h"
#include "app/MainModule.h"
#include "tests/app/CRecordingPresenter.h"
#include "tests/app/CWindowShot.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::BinDir;
using testsupport::RunProcess;

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
  while (presenter.Prompts().size() < 2 && timer.elapsed() < 120000)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
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
