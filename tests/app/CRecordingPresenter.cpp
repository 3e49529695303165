#include "tests/app/CRecordingPresenter.h"

#include "app/MainFrm.h"
#include "app/MainModule.h"

MsgResult CRecordingPresenter::MsgBox(const CMsgBoxRequest& request, QWidget*) {
  const MainFrm* pForm = MainModule::Form();
  m_shown.push_back({request, pForm && pForm->cursor().shape() == Qt::WaitCursor});
  return m_fnAnswer ? m_fnAnswer(request) : request.DefaultResult();
}

std::vector<QString> CRecordingPresenter::Prompts() const {
  std::vector<QString> prompts;
  for (const CShownBox& shown : m_shown) prompts.push_back(shown.request.strPrompt);
  return prompts;
}
