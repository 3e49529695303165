#include "platform/olectl/CWinThread.h"

#include <pthread.h>

#include <atomic>
#include <system_error>
#include <thread>

namespace {
std::atomic<DWORD> g_nextThreadId{1};
}

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
    : m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam), m_pModuleState(AfxGetModuleState()) {}

CWinThread::~CWinThread() = default;

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize) {
  m_nStackSize = nStackSize;
  if (dwCreateFlags & CREATE_SUSPENDED) {
    m_bSuspended = TRUE;
    return TRUE;
  }
  return ResumeThread() == 1 ? TRUE : FALSE;
}

DWORD CWinThread::ResumeThread() {
  // The module stays locked while the thread may run its code.
  {
    AFX_MAINTAIN_STATE state(m_pModuleState);
    AfxOleLockApp();
  }
  m_bSuspended = FALSE;
  m_nThreadID = g_nextThreadId++;
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  if (m_nStackSize) pthread_attr_setstacksize(&attr, m_nStackSize < 65536 ? 65536 : m_nStackSize);
  pthread_t tid;
  int rc = pthread_create(
      &tid, &attr,
      [](void* p) -> void* {
        static_cast<CWinThread*>(p)->Run();
        return nullptr;
      },
      this);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    AFX_MAINTAIN_STATE state(m_pModuleState);
    AfxOleUnlockApp();
    m_nThreadID = 0;
    return static_cast<DWORD>(-1);
  }
  return 1;
}

void CWinThread::Run() {
  AFX_MODULE_STATE* pState = m_pModuleState;
  {
    AFX_MAINTAIN_STATE state(pState);
    m_pfnThreadProc(m_pThreadParams);
  }
  // The object goes before the unlock: after the unlock nothing of the
  // thread may touch the library that started it.
  if (m_bAutoDelete) delete this;
  AFX_MAINTAIN_STATE state(pState);
  AfxOleUnlockApp();
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, void* lpSecurityAttrs) {
  if (!pfnThreadProc) return nullptr;
  auto* pThread = new CWinThread(pfnThreadProc, pParam);
  if (!pThread->CreateThread(dwCreateFlags, nStackSize)) {
    delete pThread;
    return nullptr;
  }
  return pThread;
}
