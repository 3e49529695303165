// The presenter that shows real message boxes.
#pragma once

#include <memory>

#include "app/CMessagePresenter.h"

class QMessageBox;

class CQtMessagePresenter : public CMessagePresenter {
 public:
  MsgResult MsgBox(const CMsgBoxRequest& request, QWidget* pOwner) override;

  // The box that MsgBox shows, not yet shown.
  static std::unique_ptr<QMessageBox> Build(const CMsgBoxRequest& request, QWidget* pOwner);
  // The answer that a clicked standard button stands for.
  static MsgResult ResultOf(int nStandardButton, const CMsgBoxRequest& request);
};
