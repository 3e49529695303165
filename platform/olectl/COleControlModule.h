// The module object of a control library: one static object per library,
// owning the library's module state. The library's exports switch to that
// state so that its factories and objects count on it.
#pragma once

#include <string>

#include "platform/olectl/AfxModuleState.h"

class PX_EXPORT COleControlModule {
 public:
  explicit COleControlModule(const char* pszAppName);
  virtual ~COleControlModule();
  COleControlModule(const COleControlModule&) = delete;
  COleControlModule& operator=(const COleControlModule&) = delete;

  // The library entry starts the module once its static objects exist and
  // stops it before they go; each runs once, under the module's state.
  BOOL Start();
  void Stop();
  // What starting and stopping do; the defaults do nothing and succeed.
  virtual BOOL InitInstance();
  virtual int ExitInstance();

  AFX_MODULE_STATE* GetModuleState() { return &m_moduleState; }
  void* GetInstanceHandle() const { return m_moduleState.m_hInstance; }
  const char* GetAppName() const { return m_moduleState.m_pszName; }

  // The module object of the library loaded at hInstance, or nullptr.
  static COleControlModule* FromInstanceHandle(void* hInstance);

 private:
  AFX_MODULE_STATE m_moduleState;
  bool m_bStarted = false;
};

// The dladdr base of the object file that holds the address: the handle by
// which libraries, their factories and their resources are found.
PX_EXPORT void* AfxFindInstanceHandle(const void* pAddress);
// The file of the library (or program) loaded at hInstance; empty if unknown.
PX_EXPORT std::string AfxGetModuleFileName(void* hInstance);
