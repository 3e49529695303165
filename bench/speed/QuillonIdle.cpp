// Quillon as it starts, up to the moment its window is shown and its event
// loop first has nothing left to do; then it prints "idle" and ends. A
// message box instead (no recorder, another copy running) prints "box:"
// and its prompt.
//
//   quillon_idle LOCKFOLDER        (run with QT_QPA_PLATFORM=offscreen)

#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <cstdio>

#include "app/CMessagePresenter.h"
#include "app/MainModule.h"
#include "platform/com/Apartment.h"

namespace {

class CAbortingPresenter : public CMessagePresenter {
 public:
  MsgResult MsgBox(const CMsgBoxRequest& request, QWidget*) override {
    std::printf("box: %s\n", request.strPrompt.toStdString().c_str());
    std::fflush(stdout);
    ::_exit(1);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  CoInitialize(nullptr);
  static CAbortingPresenter presenter;
  MainModule::Configure({&presenter, {}, argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(), {}});
  MainModule::Main();
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [] {
    std::puts("idle");
    std::fflush(stdout);
    ::_exit(0);
  });
  return app.exec();
}
