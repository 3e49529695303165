#include "platform/imapi/service/CServiceModule.h"

#include <dlfcn.h>
#include <link.h>

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
  link_map* map = nullptr;
  if (!::dladdr1(reinterpret_cast<void*>(&CServiceModule::ModulePath), &info, reinterpret_cast<void**>(&map),
                 RTLD_DL_LINKMAP))
    return {};
  // Linked into a program (the discmaster tool) rather than loaded as a
  // library, the code has no file name of its own.
  const char* name = map && map->l_name && *map->l_name ? map->l_name : "/proc/self/exe";
  std::error_code ec;
  auto p = std::filesystem::canonical(name, ec);
  return ec ? std::string() : p.string();
}

std::string CServiceModule::ModuleFolder() {
  return std::filesystem::path(ModulePath()).parent_path().string();
}
