#include "app/CQtMessagePresenter.h"

#include <QMessageBox>

namespace {

QMessageBox::StandardButton ButtonFor(MsgResult nResult) {
  switch (nResult) {
    case MsgResult::OK:
      return QMessageBox::Ok;
    case MsgResult::Cancel:
      return QMessageBox::Cancel;
    case MsgResult::Yes:
      return QMessageBox::Yes;
    case MsgResult::No:
      return QMessageBox::No;
    case MsgResult::Retry:
      return QMessageBox::Retry;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButtons ButtonsFor(MsgButtons nButtons) {
  switch (nButtons) {
    case MsgButtons::OK:
      return QMessageBox::Ok;
    case MsgButtons::OKCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::RetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon IconFor(MsgIcon nIcon) {
  switch (nIcon) {
    case MsgIcon::None:
      return QMessageBox::NoIcon;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Critical:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

std::unique_ptr<QMessageBox> CQtMessagePresenter::Build(const CMsgBoxRequest& request, QWidget* pOwner) {
  auto pBox = std::make_unique<QMessageBox>(pOwner);
  pBox->setWindowTitle(request.strTitle);
  // The texts break lines with carriage returns alone, which a label would
  // not break at.
  QString strShown = request.strPrompt;
  strShown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
  pBox->setText(strShown);
  pBox->setTextFormat(Qt::PlainText);
  pBox->setIcon(IconFor(request.nIcon));
  pBox->setStandardButtons(ButtonsFor(request.nButtons));
  pBox->setDefaultButton(ButtonFor(request.DefaultResult()));
  pBox->setWindowModality(Qt::ApplicationModal);
  return pBox;
}

MsgResult CQtMessagePresenter::ResultOf(int nStandardButton, const CMsgBoxRequest& request) {
  switch (nStandardButton) {
    case QMessageBox::Ok:
      return MsgResult::OK;
    case QMessageBox::Cancel:
      return MsgResult::Cancel;
    case QMessageBox::Yes:
      return MsgResult::Yes;
    case QMessageBox::No:
      return MsgResult::No;
    case QMessageBox::Retry:
      return MsgResult::Retry;
    default:
      break;
  }
  // Closed without a button: the box's escape answer.
  switch (request.nButtons) {
    case MsgButtons::OK:
      return MsgResult::OK;
    case MsgButtons::YesNo:
      return MsgResult::No;
    case MsgButtons::OKCancel:
    case MsgButtons::RetryCancel:
      return MsgResult::Cancel;
  }
  return MsgResult::Cancel;
}

MsgResult CQtMessagePresenter::MsgBox(const CMsgBoxRequest& request, QWidget* pOwner) {
  std::unique_ptr<QMessageBox> pBox = Build(request, pOwner);
  pBox->exec();
  QAbstractButton* pClicked = pBox->clickedButton();
  return ResultOf(pClicked ? static_cast<int>(pBox->standardButton(pClicked)) : 0, request);
}
