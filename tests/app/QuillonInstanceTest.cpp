// The program refuses a second copy while the first runs, and starts again
// once the first was killed.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include "app/MainFrm.h"
#include "app/MainModule.h"
#include "tests/app/CChildProgram.h"
#include "tests/app/CRecordingPresenter.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::ScopedRegistry;
using testsupport::TempDir;

const QString kRunning = QStringLiteral("This application is already running.");

// Waits until a running copy of the program holds its lock.
bool WaitForLock(const QString& folder, int nMs) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < nMs) {
    if (!QDir(folder).entryList({QStringLiteral("quillon-*.lock")}, QDir::Files).isEmpty()) return true;
    QThread::msleep(20);
  }
  return false;
}

TEST(QuillonInstance, SecondCopyRefusedWhileTheFirstRunsAndStartsAfterItWasKilled) {
  ScopedRegistry registry;  // nothing registered: the first copy waits at its error box
  TempDir runtime;
  const std::string program = testsupport::BinDir() + "/quillon";
  const QString lockFolder = QString::fromStdString(runtime.Path());
  CChildProgram first({program}, {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime.Path(),
                                  "COMPONENT_REGISTRY=" + registry.Path()});
  ASSERT_TRUE(WaitForLock(lockFolder, 30000));
  ASSERT_TRUE(first.IsRunning());

  CRecordingPresenter presenter;
  int nEnded = 0;
  MainModule::Configure({&presenter, QString::fromStdString(program), lockFolder, [&] { ++nEnded; }});
  MainModule::Main();
  ASSERT_EQ(presenter.Shown().size(), 1u);
  EXPECT_EQ(presenter.Shown()[0].request, (CMsgBoxRequest{kRunning, MsgButtons::OK, MsgIcon::Exclamation,
                                                          QStringLiteral("Application is already running")}));
  EXPECT_EQ(nEnded, 1);
  EXPECT_EQ(MainModule::Form(), nullptr);
  EXPECT_TRUE(first.IsRunning());  // left alone
  MainModule::Reset();

  first.Kill();
  presenter.Clear();
  MainModule::Main();
  EXPECT_EQ(nEnded, 1);
  ASSERT_NE(MainModule::Form(), nullptr);
  for (const QString& prompt : presenter.Prompts()) EXPECT_NE(prompt, kRunning);
  // Without the control the window says why, and still opens.
  ASSERT_FALSE(presenter.Shown().empty());
  EXPECT_EQ(presenter.Shown()[0].request.strPrompt,
            QStringLiteral("Unexpected error occured:\r\rThe CD burner control could not be created: Class not registered."));
  EXPECT_TRUE(MainModule::Form()->isVisible());
  MainModule::Reset();
}

}  // namespace
