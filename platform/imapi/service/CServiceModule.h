// Counts of live objects and server locks, for DllCanUnloadNow, and the
// library's own location.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"

class CServiceModule {
 public:
  // Held by every live object of the service (a ComObject lock).
  struct ObjectLock {
    ObjectLock() { ObjectCreated(); }
    ~ObjectLock() { ObjectDestroyed(); }
    ObjectLock(const ObjectLock&) = delete;
    ObjectLock& operator=(const ObjectLock&) = delete;
  };

  static void ObjectCreated();
  static void ObjectDestroyed();
  static void Lock(bool bLock);
  static bool CanUnload();
  // The file that holds this code (the service library, or the program it
  // is linked into) and its folder.
  static std::string ModulePath();
  static std::string ModuleFolder();
};
