// The built control library, loaded into the test process the way the
// component runtime loads it.
#pragma once

#include <string>

#include "platform/com/Apartment.h"

struct OcxLibrary {
  // Loads path (default: cantrel.ocx beside the test) or fails the test.
  explicit OcxLibrary(const std::string& path = Path());
  ~OcxLibrary();
  OcxLibrary(const OcxLibrary&) = delete;
  OcxLibrary& operator=(const OcxLibrary&) = delete;

  static std::string Path();

  void* handle = nullptr;
  PFN_DllRegisterServer Register = nullptr;
  PFN_DllUnregisterServer Unregister = nullptr;
  PFN_DllGetClassObject GetClassObject = nullptr;
  PFN_DllCanUnloadNow CanUnloadNow = nullptr;
};
