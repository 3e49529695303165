// The module lock of automation objects: an object counts on the module
// that was current when it was made, for that module's whole life.
#pragma once

#include "platform/olectl/AfxModuleState.h"

class AfxObjectLock {
 public:
  AfxObjectLock() : m_pModuleState(AfxGetModuleState()) { m_pModuleState->m_nObjectCount.fetch_add(1); }
  ~AfxObjectLock() { m_pModuleState->m_nObjectCount.fetch_sub(1); }
  AfxObjectLock(const AfxObjectLock&) = delete;
  AfxObjectLock& operator=(const AfxObjectLock&) = delete;

  AFX_MODULE_STATE* GetModuleState() const { return m_pModuleState; }

 private:
  AFX_MODULE_STATE* const m_pModuleState;
};
