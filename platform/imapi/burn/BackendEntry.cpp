// The backend library's one export. Every backend the service creates in a
// process shares one engine, so that one thread starts, uses and finishes
// libburn; the engine goes with the last backend.
#include <memory>
#include <mutex>

#include "platform/imapi/burn/BurnDriveBackend.h"
#include "platform/imapi/burn/BurnEngine.h"
#include "platform/imapi/burn/LibBurnAdapter.h"

namespace {

// Users are counted under the lock, so a new engine never starts the
// library while the last one still finishes it. Recursive: a failed
// shared_ptr construction runs the deleter while the lock is held.
// Never destroyed: the service may drop its backend during the process's
// own teardown, after this library's statics are gone.
std::recursive_mutex& EngineLock() {
  static auto* lock = new std::recursive_mutex;
  return *lock;
}
imapi_burn::BurnEngine* g_engine = nullptr;
int g_engineUsers = 0;

void DropEngine(imapi_burn::BurnEngine*) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (--g_engineUsers > 0) return;
  delete g_engine;
  g_engine = nullptr;
}

std::shared_ptr<imapi_burn::BurnEngine> SharedEngine() {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  if (!g_engine) g_engine = new imapi_burn::BurnEngine(std::make_unique<imapi_burn::LibBurnAdapter>());
  ++g_engineUsers;
  return std::shared_ptr<imapi_burn::BurnEngine>(g_engine, &DropEngine);
}

}  // namespace

extern "C" PX_EXPORT imapi_backend::DriveBackend* CreateDriveBackend() {
  try {
    return new imapi_burn::BurnDriveBackend(SharedEngine());
  } catch (...) {
    return nullptr;
  }
}
