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

using imapi_backend::DriveBackend;

namespace {

struct Library {
  void* handle = nullptr;
  imapi_backend::PFN_CreateDriveBackend create = nullptr;
  Library() {
    handle = dlopen((testsupport::BinDir() + "/" + imapi_backend::kBackendLibraryName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle)
      create = reinterpret_cast<imapi_backend::PFN_CreateDriveBackend>(
          dlsym(handle, imapi_backend::kCreateDriveBackendSymbol));
  }
  ~Library() {
    if (handle) dlclose(handle);
  }
};

}  // namespace

TEST(BackendLibrary, LoadsByNameAndServesBackendsThatShareTheLibrary) {
  if (!imapi_burn::DeviceNodeProbe("/dev").List().empty()) GTEST_SKIP() << "this machine has an optical drive";
  Library lib;
  ASSERT_NE(lib.handle, nullptr) << dlerror();
  ASSERT_NE(lib.create, nullptr);
  for (int round = 0; round < 2; ++round) {  // the library starts again after the last backend went
    SCOPED_TRACE(round);
    std::unique_ptr<DriveBackend> first(lib.create());
    std::unique_ptr<DriveBackend> second(lib.create());
    ASSERT_TRUE(first && second);
    std::string note;
    EXPECT_TRUE(first->Scan(&note).empty());
    EXPECT_NE(note.find("no optical drive"), std::string::npos) << note;
    EXPECT_TRUE(second->Scan(nullptr).empty());
    EXPECT_EQ(first->OpenExclusive("/dev/sr0"), IMAPI_E_DEVICE_NOTPRESENT);
    long type = 0, flags = 0;
    EXPECT_EQ(second->QueryMedia("/dev/sr0", &type, &flags), IMAPI_E_NOTOPENED);
    testsupport::TempDir dir;
    testsupport::WriteFileBytes(dir.File("stash"), std::vector<uint8_t>(2352 * 10));
    imapi_backend::RecordCallbacks callbacks;
    EXPECT_EQ(first->Record("/dev/sr0", {{dir.File("stash"), 0, 10}}, false, false, callbacks),
              IMAPI_E_DEVICE_NOTPRESENT);
  }
}
