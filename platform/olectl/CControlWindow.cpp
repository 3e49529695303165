#include "platform/olectl/CControlWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <atomic>
#include <mutex>
#include <unordered_map>

#include "platform/olectl/COleControl.h"

namespace {

int MessageEventType() {
  static const int type = QEvent::registerEventType();
  return type;
}

// Handles are never reused, so a stale handle cannot reach a newer window.
struct WindowTable {
  std::mutex mutex;
  std::unordered_map<uintptr_t, CControlWindow*> windows;
  uintptr_t next = 0x10000;
};

WindowTable& Table() {
  static WindowTable* table = new WindowTable;  // outlives every static window owner
  return *table;
}

}  // namespace

CControlWindow::CControlWindow(COleControl* pOwner) : m_pOwner(pOwner) {
  WindowTable& t = Table();
  std::lock_guard lock(t.mutex);
  t.next += 4;
  m_hWnd = reinterpret_cast<HWND>(t.next);
  t.windows.emplace(t.next, this);
}

CControlWindow::~CControlWindow() = default;

void CControlWindow::Destroy() {
  {
    WindowTable& t = Table();
    std::lock_guard lock(t.mutex);
    t.windows.erase(reinterpret_cast<uintptr_t>(m_hWnd));
  }
  m_pOwner = nullptr;
  m_bDestroyed = true;
  if (m_nDispatchDepth > 0 || QThread::currentThread() != thread())
    deleteLater();
  else
    delete this;
}

BOOL CControlWindow::Post(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowTable& t = Table();
  // Held while posting, so that the window cannot be deleted in between.
  std::lock_guard lock(t.mutex);
  auto it = t.windows.find(reinterpret_cast<uintptr_t>(hWnd));
  if (it == t.windows.end()) return FALSE;
  CControlWindow* pWindow = it->second;
  QEvent* pWake;
  {
    // Made under the queue's lock, which the owner takes before it looks at
    // the event: the toolkit's own handover is invisible to race checkers.
    std::lock_guard queueLock(pWindow->m_queueMutex);
    pWindow->m_queue.push_back({message, wParam, lParam});
    pWake = new QEvent(static_cast<QEvent::Type>(MessageEventType()));
  }
  QCoreApplication::postEvent(pWindow, pWake);
  return TRUE;
}

BOOL CControlWindow::Exists(HWND hWnd) {
  WindowTable& t = Table();
  std::lock_guard lock(t.mutex);
  return t.windows.count(reinterpret_cast<uintptr_t>(hWnd)) ? TRUE : FALSE;
}

bool CControlWindow::event(QEvent* pEvent) {
  Message msg;
  {
    std::unique_lock queueLock(m_queueMutex);
    if (pEvent->type() != MessageEventType()) {
      queueLock.unlock();
      return QObject::event(pEvent);
    }
    if (m_queue.empty()) return true;
    msg = m_queue.front();
    m_queue.pop_front();
  }
  if (m_pOwner && !m_bDestroyed) {
    ++m_nDispatchDepth;
    m_pOwner->DispatchWindowMessage(msg.message, msg.wParam, msg.lParam);
    --m_nDispatchDepth;
  }
  return true;
}

extern "C" BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return CControlWindow::Post(hWnd, Msg, wParam, lParam);
}

extern "C" BOOL IsWindow(HWND hWnd) { return CControlWindow::Exists(hWnd); }
