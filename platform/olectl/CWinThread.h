// Worker threads. AfxBeginThread runs a function on a new detached thread;
// the thread object deletes itself when the function returns. The new thread
// starts under the module state that was current in the caller, and holds a
// lock on that module until the function has returned, so that a library is
// not unloaded under its own running thread.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/olectl/AfxModuleState.h"

using LPVOID = void*;
using AFX_THREADPROC = UINT (*)(LPVOID);

constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr DWORD CREATE_SUSPENDED = 0x4;

class PX_EXPORT CWinThread {
 public:
  CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
  virtual ~CWinThread();
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;

  // Starts the thread; FALSE (and nothing started) when it cannot be made.
  BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0);
  // Starts a thread made with CREATE_SUSPENDED.
  DWORD ResumeThread();

  BOOL m_bAutoDelete = TRUE;
  // The thread's number while it runs (0 before it starts).
  DWORD m_nThreadID = 0;

 private:
  void Run();

  AFX_THREADPROC m_pfnThreadProc;
  LPVOID m_pThreadParams;
  AFX_MODULE_STATE* m_pModuleState;
  UINT m_nStackSize = 0;
  BOOL m_bSuspended = FALSE;
};

// Returns the thread object, or nullptr when no thread could be started (the
// function is then not called and pParam stays the caller's). The pointer is
// valid only until the thread ends; with CREATE_SUSPENDED the caller starts
// it with ResumeThread.
PX_EXPORT CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
                                     int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                                     DWORD dwCreateFlags = 0, void* lpSecurityAttrs = nullptr);
