#include "tools/automate/CComponentUnload.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>

#include "platform/com/Apartment.h"
#include "platform/com/Guid.h"
#include "platform/registry/LayeredRegistry.h"

std::string CComponentUnload::LibraryOf(REFCLSID clsid) {
  try {
    std::string path =
        reg::LayeredRegistry().Load().GetString("CLSID\\" + GuidToString(clsid) + "\\InprocServer32").value_or("");
    for (char& c : path)
      if (c == '\\') c = '/';
    return path;
  } catch (const std::exception&) {
    return {};
  }
}

bool CComponentUnload::IsLoaded(const std::string& path) {
  if (path.empty()) return false;
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!handle) return false;
  ::dlclose(handle);
  return true;
}

bool CComponentUnload::WaitForUnload(const std::vector<std::string>& libraries, int timeoutMs,
                                     const std::function<void(int)>& pump) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  // Short steps first: a library that has let go is unloaded a few
  // milliseconds after it first says so.
  for (int step = 1;; step = std::min(step * 2, 20)) {
    CoFreeUnusedLibraries();
    bool bAnyLoaded = false;
    for (const auto& path : libraries) bAnyLoaded = bAnyLoaded || IsLoaded(path);
    if (!bAnyLoaded) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    pump(step);
  }
}
