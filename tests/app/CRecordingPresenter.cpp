#include "tests/app/CRecordingPresenter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include "app/MainFrm.h"
#include "app/MainModule.h"

MsgResult CRecordingPresenter::MsgBox(const CMsgBoxRequest& request, QWidget*) {
  CShownBox shown;
  shown.request = request;
  if (MainFrm* pForm = MainModule::Form()) {
    shown.bWindowVisible = pForm->isVisible();
    shown.bHourglass = pForm->cursor().shape() == Qt::WaitCursor;
    shown.bBurnEnabled = pForm->BurnBttn->isEnabled();
  }
  m_shown.push_back(shown);
  if (m_nOpenMs > 0) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < m_nOpenMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return m_fnAnswer ? m_fnAnswer(request) : request.DefaultResult();
}

std::vector<QString> CRecordingPresenter::Prompts() const {
  std::vector<QString> prompts;
  for (const CShownBox& shown : m_shown) prompts.push_back(shown.request.strPrompt);
  return prompts;
}
