// Every message box of the program goes through one presenter so that the
// window's logic can be driven and checked without a person at the screen.
#pragma once

#include <QString>

class QWidget;

enum class MsgButtons { OK, OKCancel, YesNo, RetryCancel };
enum class MsgIcon { None, Information, Exclamation, Critical };
enum class MsgResult { OK, Cancel, Yes, No, Retry };

struct CMsgBoxRequest {
  QString strPrompt;
  MsgButtons nButtons = MsgButtons::OK;
  MsgIcon nIcon = MsgIcon::None;
  QString strTitle;

  // The first button of each set is the default one.
  MsgResult DefaultResult() const;
  bool operator==(const CMsgBoxRequest&) const = default;
};

class CMessagePresenter {
 public:
  virtual ~CMessagePresenter() = default;
  // Modal: returns when the user has answered; the program's events keep
  // being processed meanwhile. pOwner may be null (no visible window yet).
  virtual MsgResult MsgBox(const CMsgBoxRequest& request, QWidget* pOwner) = 0;
};
