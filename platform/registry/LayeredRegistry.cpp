#include "platform/registry/LayeredRegistry.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <utility>

namespace reg {

namespace {

// This library's folder, or empty.
std::string OwnFolder() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&LayeredRegistry::SystemPath), &info) == 0 || !info.dli_fname) return {};
  std::error_code ec;
  auto path = std::filesystem::canonical(info.dli_fname, ec);
  return ec ? std::string() : path.parent_path().string();
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string LayeredRegistry::SystemPath() {
  if (const char* p = std::getenv("COMPONENT_SYSTEM_REGISTRY"); p && *p) return p;
  // The installed library lies in PREFIX/<private library folder>.
  const std::string folder = OwnFolder();
  const std::string tail = "/" CANTREL_INSTALL_PKGLIBDIR;
  if (!EndsWith(folder, tail)) return {};
  const std::string prefix = folder.substr(0, folder.size() - tail.size());
  std::string etc;
  if (prefix.empty() || prefix == "/usr")
    etc = "/etc";
  else if (prefix.rfind("/opt/", 0) == 0)
    etc = "/etc" + prefix;
  else
    etc = prefix + "/" CANTREL_INSTALL_SYSCONFDIR;
  return etc + "/cantrel/registry";
}

LayeredRegistry::LayeredRegistry(Registry user, std::string systemPath)
    : user_(std::move(user)), systemPath_(std::move(systemPath)) {}

RegTree LayeredRegistry::Load() const {
  RegTree tree;
  if (!systemPath_.empty() && systemPath_ != user_.Path()) {
    try {
      tree = Registry(systemPath_).Load();
    } catch (const RegistryError& e) {
      throw RegistryError(std::string("the machine's registry is refused: ") + e.what());
    }
  }
  tree.Overlay(user_.Load());
  return tree;
}

}  // namespace reg
