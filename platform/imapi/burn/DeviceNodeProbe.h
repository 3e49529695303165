// Finds the device nodes of optical drives (sr0, sr1, ...) in a device
// folder and tells whether this process may open them, and who may.
#pragma once

#include <string>
#include <vector>

#include "platform/imapi/burn/BurnAdapter.h"

namespace imapi_burn {

class DeviceNodeProbe {
 public:
  explicit DeviceNodeProbe(std::string folder = "/dev");
  std::vector<DeviceNode> List() const;

 private:
  std::string folder_;
};

}  // namespace imapi_burn
