// What programs look classes up in: the user's registry over the machine's.
// The machine's registry holds what root registered for everyone
// (regsvr --system); a key in the user's registry hides the machine's key of
// that name, so a user's own registration wins. Only regsvr --system writes
// the machine's file; everything else writes the user's.
#pragma once

#include <string>

#include "platform/registry/Registry.h"

namespace reg {

class PX_REG_EXPORT LayeredRegistry {
 public:
  // $COMPONENT_SYSTEM_REGISTRY, else cantrel/registry in the configuration
  // folder of the prefix that this library is installed under (/etc for
  // /usr, /etc/opt/... for /opt/..., PREFIX/etc otherwise). Empty when the
  // library does not lie in an installed tree (a build or portable folder):
  // then there is no machine registry.
  static std::string SystemPath();

  explicit LayeredRegistry(Registry user = Registry(), std::string systemPath = SystemPath());

  // The user's tree laid over the machine's. Throws RegistryError, naming
  // the file, when either cannot be read or does not parse: a damaged
  // machine registry is refused, not skipped.
  RegTree Load() const;

 private:
  Registry user_;
  std::string systemPath_;
};

}  // namespace reg
