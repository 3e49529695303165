// The message target behind a control's window handle (private to the
// framework). It lives on the thread that made the control; posted messages
// become toolkit events on that thread and go to the owner's message map.
#pragma once

#include <QObject>
#include <deque>
#include <mutex>

#include "platform/olectl/WinUser.h"

class COleControl;

class CControlWindow final : public QObject {
 public:
  explicit CControlWindow(COleControl* pOwner);
  HWND GetHwnd() const { return m_hWnd; }
  // The owner goes away: the handle stops naming a window at once, pending
  // messages are dropped, and the object deletes itself as soon as no
  // message is being handled.
  void Destroy();

  static BOOL Post(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  static BOOL Exists(HWND hWnd);

 protected:
  bool event(QEvent* pEvent) override;

 private:
  ~CControlWindow() override;

  struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };

  COleControl* m_pOwner;
  HWND m_hWnd;
  // The messages themselves travel here, under a lock of our own; the
  // toolkit only carries one wake-up per message to the owner's thread.
  std::mutex m_queueMutex;
  std::deque<Message> m_queue;
  int m_nDispatchDepth = 0;
  bool m_bDestroyed = false;
};
