// A presenter for tests: records every box and whether the window showed the
// hourglass then, and answers through a script (default: the box's default
// button).
#pragma once

#include <functional>
#include <vector>

#include "app/CMessagePresenter.h"

struct CShownBox {
  CMsgBoxRequest request;
  bool bHourglass = false;  // the main window's pointer was the hourglass
};

class CRecordingPresenter : public CMessagePresenter {
 public:
  using Answer = std::function<MsgResult(const CMsgBoxRequest&)>;

  MsgResult MsgBox(const CMsgBoxRequest& request, QWidget* pOwner) override;

  // Answers the next boxes; null answers with the default button.
  void SetAnswer(Answer fnAnswer) { m_fnAnswer = std::move(fnAnswer); }
  const std::vector<CShownBox>& Shown() const { return m_shown; }
  std::vector<QString> Prompts() const;
  void Clear() { m_shown.clear(); }

 private:
  Answer m_fnAnswer;
  std::vector<CShownBox> m_shown;
};
