// Module state: each component library has one; objects count locks on the
// module that was current when they were made, so that the library answers
// DllCanUnloadNow with "no" while any of its objects lives.
#pragma once

#include <atomic>

#include "platform/com/ComTypes.h"

struct PX_EXPORT AFX_MODULE_STATE {
  explicit AFX_MODULE_STATE(const char* name) : m_pszName(name) {}
  const char* m_pszName;
  std::atomic<long> m_nObjectCount{0};  // objects and server locks alive
  void* m_hInstance = nullptr;          // the library (dladdr base) or null for the host
};

// The calling thread's current module state; the host's own when no library
// has switched to its state.
PX_EXPORT AFX_MODULE_STATE* AfxGetModuleState();
// The process-wide state of the host program.
PX_EXPORT AFX_MODULE_STATE* AfxGetAppModuleState();

// Switches the calling thread to a module's state for a scope.
class PX_EXPORT AFX_MAINTAIN_STATE {
 public:
  explicit AFX_MAINTAIN_STATE(AFX_MODULE_STATE* pNewState);
  ~AFX_MAINTAIN_STATE();
  AFX_MAINTAIN_STATE(const AFX_MAINTAIN_STATE&) = delete;
  AFX_MAINTAIN_STATE& operator=(const AFX_MAINTAIN_STATE&) = delete;

 private:
  AFX_MODULE_STATE* m_pPrevModuleState;
};
#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE _afxModuleStateGuard(p)

// Lock counting on the current module state.
PX_EXPORT void AfxOleLockApp();
PX_EXPORT void AfxOleUnlockApp();
// S_OK when the current module has no object and no lock alive, else S_FALSE.
PX_EXPORT HRESULT AfxDllCanUnloadNow();
