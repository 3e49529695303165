#include "app/MainModule.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <memory>

#include "app/CQtMessagePresenter.h"
#include "app/CSingleInstance.h"
#include "app/MainFrm.h"

QString MainModule::FwFile;

namespace {

struct ModuleState {
  MainModule::Settings settings;
  CQtMessagePresenter realPresenter;
  std::unique_ptr<CSingleInstance> pInstance;
  std::unique_ptr<MainFrm> pForm;
  bool bEnded = false;
};

ModuleState& State() {
  static ModuleState* pState = new ModuleState;  // never destroyed: the process ends with _exit
  return *pState;
}

CMessagePresenter& Presenter() {
  ModuleState& state = State();
  return state.settings.pPresenter ? *state.settings.pPresenter : state.realPresenter;
}

QString ProgramPath() {
  const ModuleState& state = State();
  return state.settings.strProgramPath.isEmpty() ? QCoreApplication::applicationFilePath()
                                                 : state.settings.strProgramPath;
}

}  // namespace

void MainModule::Configure(Settings settings) { State().settings = std::move(settings); }

void MainModule::Reset() {
  ModuleState& state = State();
  state.pForm.reset();
  state.pInstance.reset();
  state.bEnded = false;
  FwFile.clear();
}

MainFrm* MainModule::Form() { return State().pForm.get(); }

bool MainModule::HasEnded() { return State().bEnded; }

void MainModule::Main() {
  ModuleState& state = State();
  if (!state.pInstance) state.pInstance = std::make_unique<CSingleInstance>(ProgramPath(), state.settings.strLockFolder);
  if (!state.pInstance->TryAcquire()) {
    CMsgBoxRequest request{QStringLiteral("This application is already running."), MsgButtons::OK,
                           MsgIcon::Exclamation, QStringLiteral("Application is already running")};
    Presenter().MsgBox(request, nullptr);
    EndProgram();
    return;
  }
  if (!state.pForm) state.pForm = std::make_unique<MainFrm>(Presenter(), QFileInfo(ProgramPath()).absolutePath());
  state.pForm->ShowWindow();
}

void MainModule::EndProgram() {
  ModuleState& state = State();
  state.bEnded = true;
  if (state.settings.fnEndHook) {
    state.settings.fnEndHook();
    return;
  }
  // No unload handler, no pending event, no wait for the control's jobs:
  // the operating system takes back the window, the control and the lock.
  ::_exit(0);
}
