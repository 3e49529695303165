#include "platform/olectl/AfxToolkitPart.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

namespace {

const AFX_TOOLKIT_PART* LoadToolkitPart() {
  // Beside this library, in the build tree and in an installed one alike.
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&AfxGetToolkitPart), &info) || !info.dli_fname) return nullptr;
  std::string path = info.dli_fname;
  path.erase(path.find_last_of('/') + 1);
  path += "libpxolectlqt.so";
  // Never unloaded: widgets and application objects it made outlive any caller.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NODELETE);
  auto* entry = handle ? reinterpret_cast<const AFX_TOOLKIT_PART* (*)()>(dlsym(handle, AFX_TOOLKIT_PART_ENTRY)) : nullptr;
  if (!entry) {
    const char* error = dlerror();
    std::fprintf(stderr, "cannot load the toolkit part %s: %s\n", path.c_str(), error ? error : "no entry point");
    return nullptr;
  }
  return entry();
}

}  // namespace

const AFX_TOOLKIT_PART* AfxGetToolkitPart() {
  static const AFX_TOOLKIT_PART* const part = LoadToolkitPart();
  return part;
}
