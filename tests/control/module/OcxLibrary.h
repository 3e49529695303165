// The built control library, loaded into the test process the way the
// component runtime loads it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/com/Apartment.h"
#include "tests/support/TestSupport.h"

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

// The library registered in a private registry, and an apartment for the
// test's thread.
class RegisteredOcx : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  testsupport::ScopedRegistry registry;
  OcxLibrary ocx;
};
