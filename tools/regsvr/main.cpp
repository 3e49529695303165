// regsvr: registers or unregisters a component library by calling its
// DllRegisterServer or DllUnregisterServer.
//
//   regsvr FILE       register
//   regsvr -u FILE    unregister
//   regsvr --system [-u] FILE  the same in the machine's registry (root only)
//   regsvr --info FILE  list the resources of FILE without loading it
//
// Exit status: 0 done, 1 the library failed (message and HRESULT on stderr),
// 2 wrong usage.

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Version.h"
#include "platform/base/FdIo.h"
#include "platform/base/UniqueFd.h"
#include "platform/com/Apartment.h"
#include "platform/registry/LayeredRegistry.h"
#include "tools/regsvr/ResourceInfo.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Command {
  const char* option;  // nullptr: the command without an option
  const char* entryPoint;
  const char* doneText;
};

// Each command loads FILE and calls one entry point; a new command is a row.
constexpr Command kCommands[] = {
    {nullptr, "DllRegisterServer", "registered"},
    {"-u", "DllUnregisterServer", "unregistered"},
};

const char kUsage[] =
    "usage: regsvr [--system] [-u] FILE\n"
    "       regsvr --info FILE\n"
    "       regsvr --help | --version\n"
    "\n"
    "Registers the component library FILE (-u: unregisters it) in your registry,\n"
    "or with --system in the machine's registry, for every user (root only).\n"
    "--info lists the resources of FILE without loading it.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

// Points this process's registrations at the machine's registry, after
// checking that it may and that the file is sound: a damaged one is left as
// it is for its owner to mend.
int UseSystemRegistry() {
  const std::string path = reg::LayeredRegistry::SystemPath();
  if (path.empty()) {
    std::fprintf(stderr, "regsvr: this copy is not installed under a prefix, so it has no machine registry "
                         "(COMPONENT_SYSTEM_REGISTRY names one)\n");
    return kExitFailed;
  }
  if (::geteuid() != 0) {
    std::fprintf(stderr, "regsvr: only root may write the machine's registry %s\n", path.c_str());
    return kExitFailed;
  }
  try {
    (void)reg::Registry(path).Load();
  } catch (const reg::RegistryError& e) {
    std::fprintf(stderr, "regsvr: the machine's registry is damaged and stays as it is: %s\n", e.what());
    return kExitFailed;
  }
  ::setenv("COMPONENT_REGISTRY", path.c_str(), 1);
  return 0;
}

int Fail(const std::string& message, HRESULT hr) {
  std::fprintf(stderr, "regsvr: %s (HRESULT 0x%08X)\n", message.c_str(), static_cast<unsigned>(hr));
  return kExitFailed;
}

int RunEntryPoint(const Command& command, const std::string& file) {
  // An absolute path, so that a library that registers the path it was
  // loaded from records one that works from anywhere.
  std::error_code ec;
  std::string path = std::filesystem::absolute(file, ec).lexically_normal().string();
  if (ec) path = file;
  if (!std::filesystem::exists(path, ec)) return Fail("cannot find " + path, CO_E_DLLNOTFOUND);
  // Loading opens the file as it is: a FIFO there would wait for a writer.
  if (!UniqueFd(OpenRegularFile(path.c_str(), path.size())).Valid())
    return Fail("cannot load " + path + ": not a regular file", CO_E_ERRORINDLL);
  void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    const char* why = ::dlerror();
    return Fail("cannot load " + path + ": " + (why ? why : "unknown error"), CO_E_ERRORINDLL);
  }
  auto fn = reinterpret_cast<HRESULT (*)()>(::dlsym(lib, command.entryPoint));
  if (!fn) {
    ::dlclose(lib);
    return Fail(path + " does not export " + command.entryPoint, CO_E_ERRORINDLL);
  }
  CoInitialize(nullptr);
  HRESULT hr = fn();
  CoUninitialize();
  // The library stays loaded until exit: objects it created during
  // registration may still be torn down by static destructors.
  if (FAILED(hr)) return Fail(std::string(command.entryPoint) + " in " + path + " failed", hr);
  std::printf("regsvr: %s %s\n", path.c_str(), command.doneText);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("regsvr %s\n", CANTREL_VERSION);
    return 0;
  }
  if (!args.empty() && args[0] == "--system") {
    args.erase(args.begin());
    if (args.empty() || args[0] == "--info") return Usage();
    if (int status = UseSystemRegistry(); status != 0) return status;
  }
  if (args.size() == 1 && !args[0].empty() && args[0][0] != '-') return RunEntryPoint(kCommands[0], args[0]);
  if (args.size() == 2 && args[0] == "--info") return PrintResourceInfo(args[1], stdout, stderr) == 0 ? 0 : kExitFailed;
  if (args.size() == 2) {
    for (const Command& c : kCommands)
      if (c.option && args[0] == c.option) return RunEntryPoint(c, args[1]);
  }
  return Usage();
}
