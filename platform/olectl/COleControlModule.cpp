#include "platform/olectl/COleControlModule.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct ModuleList {
  std::mutex lock;
  std::vector<COleControlModule*> modules;
};

ModuleList& Modules() {
  static ModuleList list;
  return list;
}

}  // namespace

void* AfxFindInstanceHandle(const void* pAddress) {
  Dl_info info{};
  if (!pAddress || dladdr(pAddress, &info) == 0) return nullptr;
  return info.dli_fbase;
}

std::string AfxGetModuleFileName(void* hInstance) {
  Dl_info info{};
  if (!hInstance || dladdr(hInstance, &info) == 0 || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  // The main program may report the bare name it was started with.
  if (path.find('/') == std::string::npos) path = "/proc/self/exe";
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
}

COleControlModule::COleControlModule(const char* pszAppName) : m_moduleState(pszAppName) {
  m_moduleState.m_hInstance = AfxFindInstanceHandle(this);
  ModuleList& list = Modules();
  std::lock_guard<std::mutex> guard(list.lock);
  list.modules.push_back(this);
}

COleControlModule::~COleControlModule() {
  ModuleList& list = Modules();
  std::lock_guard<std::mutex> guard(list.lock);
  list.modules.erase(std::remove(list.modules.begin(), list.modules.end(), this), list.modules.end());
}

BOOL COleControlModule::Start() {
  if (m_bStarted) return TRUE;
  AFX_MANAGE_STATE(&m_moduleState);
  m_bStarted = true;
  return InitInstance();
}

void COleControlModule::Stop() {
  if (!m_bStarted) return;
  AFX_MANAGE_STATE(&m_moduleState);
  m_bStarted = false;
  ExitInstance();
}

BOOL COleControlModule::InitInstance() { return TRUE; }

int COleControlModule::ExitInstance() { return 0; }

COleControlModule* COleControlModule::FromInstanceHandle(void* hInstance) {
  ModuleList& list = Modules();
  std::lock_guard<std::mutex> guard(list.lock);
  for (COleControlModule* m : list.modules)
    if (m->GetInstanceHandle() == hInstance) return m;
  return nullptr;
}
