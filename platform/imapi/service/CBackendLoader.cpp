#include "platform/imapi/service/CBackendLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>

#include "platform/imapi/service/CServiceModule.h"

namespace {
std::mutex g_mutex;
bool g_bTried = false;
std::shared_ptr<imapi_backend::DriveBackend> g_backend;
std::string g_strWhy;
}  // namespace

std::shared_ptr<imapi_backend::DriveBackend> CBackendLoader::Get(std::string* why) {
  std::lock_guard lock(g_mutex);
  if (!g_bTried) {
    g_bTried = true;
    const std::string path = CServiceModule::ModuleFolder() + "/" + imapi_backend::kBackendLibraryName;
    if (::access(path.c_str(), F_OK) == 0) {
      // Never unloaded: drives may still be in use when the service goes.
      void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      auto create = lib ? reinterpret_cast<imapi_backend::PFN_CreateDriveBackend>(
                              ::dlsym(lib, imapi_backend::kCreateDriveBackendSymbol))
                        : nullptr;
      if (!lib) {
        const char* e = ::dlerror();
        g_strWhy = "cannot load " + path + ": " + (e ? e : "unknown error");
      } else if (!create) {
        g_strWhy = path + " has no " + imapi_backend::kCreateDriveBackendSymbol;
      } else if (imapi_backend::DriveBackend* backend = create()) {
        g_backend.reset(backend);
      } else {
        g_strWhy = path + " offers no drives";
      }
    }
  }
  if (why) *why = g_strWhy;
  return g_backend;
}
