// Lets a host end only after the component libraries it used have let go of
// their worker threads: a library that still runs a thread holds itself in
// memory, so once every object is released, the library unloading is the sign
// that its work is over.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

class CComponentUnload {
 public:
  // The library that the class registry names for clsid; empty when none.
  static std::string LibraryOf(REFCLSID clsid);
  // True while the library at path is loaded in this process.
  static bool IsLoaded(const std::string& path);
  // Frees unused component libraries, calling pump(ms) between tries, until
  // none of the libraries is loaded or timeoutMs have passed. True when all
  // are gone.
  static bool WaitForUnload(const std::vector<std::string>& libraries, int timeoutMs,
                            const std::function<void(int)>& pump);
};
