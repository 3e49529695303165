#include "app/CMessagePresenter.h"

MsgResult CMsgBoxRequest::DefaultResult() const {
  switch (nButtons) {
    case MsgButtons::OK:
    case MsgButtons::OKCancel:
      return MsgResult::OK;
    case MsgButtons::YesNo:
      return MsgResult::Yes;
    case MsgButtons::RetryCancel:
      return MsgResult::Retry;
  }
  return MsgResult::OK;
}
