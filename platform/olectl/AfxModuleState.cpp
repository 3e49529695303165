#include "platform/olectl/AfxModuleState.h"

namespace {

AFX_MODULE_STATE& AppState() {
  static AFX_MODULE_STATE state("app");
  return state;
}

// Null while the thread runs in the host's own state.
thread_local AFX_MODULE_STATE* t_pModuleState = nullptr;

}  // namespace

AFX_MODULE_STATE* AfxGetAppModuleState() { return &AppState(); }

AFX_MODULE_STATE* AfxGetModuleState() { return t_pModuleState ? t_pModuleState : &AppState(); }

AFX_MAINTAIN_STATE::AFX_MAINTAIN_STATE(AFX_MODULE_STATE* pNewState) : m_pPrevModuleState(t_pModuleState) {
  t_pModuleState = pNewState;
}

AFX_MAINTAIN_STATE::~AFX_MAINTAIN_STATE() { t_pModuleState = m_pPrevModuleState; }

void AfxOleLockApp() { AfxGetModuleState()->m_nObjectCount.fetch_add(1); }

void AfxOleUnlockApp() { AfxGetModuleState()->m_nObjectCount.fetch_sub(1); }

HRESULT AfxDllCanUnloadNow() { return AfxGetModuleState()->m_nObjectCount.load() == 0 ? S_OK : S_FALSE; }
