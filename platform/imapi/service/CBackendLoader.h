// The backend of real drives, loaded once per process from libimapiburn.so
// beside the service when that file exists. Without it the service has only
// virtual recorders.
#pragma once

#include <memory>
#include <string>

#include "platform/imapi/service/DriveBackend.h"

class CBackendLoader {
 public:
  // nullptr when there is no usable backend; *why says what went wrong when
  // the file exists but cannot be used.
  static std::shared_ptr<imapi_backend::DriveBackend> Get(std::string* why = nullptr);
};
