// The backend library as the service loads it: by name, through its one
// export, with the real library underneath and no drive attached.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/imapi/Imapi.h"
#include "platform/imapi/burn/DeviceNodeProbe.h"
#include "platform/imapi/service/DriveBackend.h"
#include "tests/support/TestSupport.h"

TEST(BackendLibrary, LoadsByNameAndServesBackendsThatShareTheLibrary) {
  if (!imapi_burn::DeviceNodeProbe("/dev").List().empty()) GTEST_SKIP() << "this machine has an optical drive";
  void* lib = dlopen((testsupport::BinDir() + "/" + imapi_backend::kBackendLibraryName).c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  auto create = reinterpret_cast<imapi_backend::PFN_CreateDriveBackend>(dlsym(lib, imapi_backend::kCreateDriveBackendSymbol));
  ASSERT_NE(create, nullptr);
  for (int round = 0; round < 2; ++round) {  // the library starts again after the last backend went
    std::unique_ptr<imapi_backend::DriveBackend> first(create()), second(create());
    std::string note;
    EXPECT_TRUE(first->Scan(&note).empty());
    EXPECT_NE(note.find("no optical drive"), std::string::npos) << note;
    EXPECT_EQ(second->OpenExclusive("/dev/sr0"), IMAPI_E_DEVICE_NOTPRESENT);
  }
  dlclose(lib);
}
