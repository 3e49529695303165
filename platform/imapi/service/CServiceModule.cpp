#include "platform/imapi/service/CServiceModule.h"

#include <dlfcn.h>

#include <atomic>
#include <filesystem>

namespace {
std::atomic<long> g_cObjects{0};
std::atomic<long> g_cLocks{0};
}  // namespace

void CServiceModule::ObjectCreated() { ++g_cObjects; }
void CServiceModule::ObjectDestroyed() { --g_cObjects; }
void CServiceModule::Lock(bool bLock) { bLock ? ++g_cLocks : --g_cLocks; }
bool CServiceModule::CanUnload() { return g_cObjects == 0 && g_cLocks == 0; }

std::string CServiceModule::ModulePath() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(&CServiceModule::ModulePath), &info) || !info.dli_fname) return {};
  std::error_code ec;
  auto p = std::filesystem::canonical(info.dli_fname, ec);
  return ec ? std::string(info.dli_fname) : p.string();
}

std::string CServiceModule::ModuleFolder() {
  return std::filesystem::path(ModulePath()).parent_path().string();
}
