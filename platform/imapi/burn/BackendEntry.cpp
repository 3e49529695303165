// The backend library's one export. Every backend the service creates in a
// process shares one engine, so that one thread starts, uses and finishes
// libburn; the engine goes with the last backend.
#include <pthread.h>

#include <memory>

#include "platform/imapi/burn/BurnDriveBackend.h"
#include "platform/imapi/burn/BurnEngine.h"
#include "platform/imapi/burn/LibBurnAdapter.h"
#ifdef CANTREL_HAVE_PARANOIA
#include "platform/imapi/burn/ParanoiaReader.h"
#endif

namespace {

// Users are counted under the lock, so a new engine never starts the
// library while the last one still finishes it. Recursive: a failed
// shared_ptr construction runs the deleter while the lock is held.
// Statically initialised and never destroyed: the service may drop its
// backend during the process's own teardown, after this library's statics
// are gone; nor does it allocate, so an unloaded library leaks nothing.
pthread_mutex_t g_engineLock = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

class CEngineLock {
 public:
  CEngineLock() { pthread_mutex_lock(&g_engineLock); }
  ~CEngineLock() { pthread_mutex_unlock(&g_engineLock); }
  CEngineLock(const CEngineLock&) = delete;
  CEngineLock& operator=(const CEngineLock&) = delete;
};

imapi_burn::BurnEngine* g_engine = nullptr;
int g_engineUsers = 0;

void DropEngine(imapi_burn::BurnEngine*) {
  CEngineLock lock;
  if (--g_engineUsers > 0) return;
  delete g_engine;
  g_engine = nullptr;
}

std::shared_ptr<imapi_burn::BurnEngine> SharedEngine() {
  CEngineLock lock;
  if (!g_engine) g_engine = new imapi_burn::BurnEngine(std::make_unique<imapi_burn::LibBurnAdapter>());
  ++g_engineUsers;
  return std::shared_ptr<imapi_burn::BurnEngine>(g_engine, &DropEngine);
}

}  // namespace

extern "C" PX_EXPORT imapi_backend::DriveBackend* CreateDriveBackend() {
  try {
    imapi_burn::AudioDiscReaderFactory readers;
#ifdef CANTREL_HAVE_PARANOIA
    readers = [] { return std::make_unique<imapi_burn::ParanoiaReader>(); };
#endif
    return new imapi_burn::BurnDriveBackend(SharedEngine(), std::move(readers));
  } catch (...) {
    return nullptr;
  }
}
