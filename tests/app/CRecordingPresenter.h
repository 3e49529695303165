// A presenter for tests: records every box with what the window looked like
// when it was shown, and answers through a script (default: the box's
// default button).
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "app/CMessagePresenter.h"

struct CShownBox {
  CMsgBoxRequest request;
  bool bWindowVisible = false;     // the main window, when the box opened
  bool bHourglass = false;         // the main window's pointer was the hourglass
  bool bBurnEnabled = false;       // "Burn CD" was enabled
};

class CRecordingPresenter : public CMessagePresenter {
 public:
  using Answer = std::function<MsgResult(const CMsgBoxRequest&)>;

  MsgResult MsgBox(const CMsgBoxRequest& request, QWidget* pOwner) override;

  // Answers the next boxes; null answers with the default button.
  void SetAnswer(Answer fnAnswer) { m_fnAnswer = std::move(fnAnswer); }
  // Runs the event loop this long while each box is open, as a modal box
  // would (0: answer at once).
  void SetOpenMilliseconds(int nMs) { m_nOpenMs = nMs; }
  const std::vector<CShownBox>& Shown() const { return m_shown; }
  std::vector<QString> Prompts() const;
  void Clear() { m_shown.clear(); }

 private:
  Answer m_fnAnswer;
  int m_nOpenMs = 0;
  std::vector<CShownBox> m_shown;
};
