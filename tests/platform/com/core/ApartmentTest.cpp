#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/com/Apartment.h"
#include "platform/com/ComObject.h"
#include "platform/com/Guid.h"
#include "platform/registry/Registry.h"
#include "tests/platform/com/core/fixture/IFixture.h"
#include "tests/support/TestSupport.h"

using testsupport::BinDir;
using testsupport::RunProcess;
using testsupport::ScopedRegistry;

namespace {

std::string FixturePath() { return BinDir() + "/libcom_core_fixture.so"; }
std::string Regsvr() { return BinDir() + "/regsvr"; }
const std::string kServerKey = "CLSID\\" + GuidToString(CLSID_CoreFixture) + "\\InprocServer32";

bool FixtureLoaded() {
  void* h = ::dlopen(FixturePath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  return h && ::dlclose(h) == 0;
}

// As hosts do: asks again until the library has gone, for 2 s at most.
bool FreeUntilUnloaded() {
  for (int i = 0; i < 200 && FixtureLoaded(); ++i) {
    CoFreeUnusedLibraries();
    if (FixtureLoaded()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !FixtureLoaded();
}

struct Apartment {
  Apartment() { EXPECT_EQ(CoInitialize(nullptr), S_OK); }
  ~Apartment() { CoUninitialize(); }
};

LONG CreateAndAsk(REFCLSID clsid, HRESULT* hrOut = nullptr) {
  ComPtr<IFixture> f;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IFixture, f.ReleaseAndGetVoidAddress());
  if (hrOut) *hrOut = hr;
  return SUCCEEDED(hr) && f ? f->Value() : -1;
}

void RegisterFixture() { ASSERT_EQ(RunProcess({Regsvr(), FixturePath()}).status, 0); }

class ClassLookup : public testing::Test {
 protected:
  ScopedRegistry registry;
  Apartment apartment;
};

}  // namespace

TEST(Apartments, EntriesAreCountedPerThread) {
  Apartment here;  // not the other thread's
  std::thread([] {
    void* p = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_CoreFixture, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    CoUninitialize();  // one too many: harmless
    EXPECT_EQ(CoGetClassObject(CLSID_CoreFixture, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &p),
              CO_E_NOTINITIALIZED);
  }).join();
}

TEST_F(ClassLookup, RegisteredLibraryByClassAndProgId) {
  HRESULT hr;
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture, &hr), -1);
  EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);
  RegisterFixture();
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture), kFixtureLibraryValue);

  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"Cantrel.CoreFixture.1", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_CoreFixture);
  std::string braced = GuidToString(CLSID_CoreFixture);  // accepted in place of a ProgID
  ASSERT_EQ(CLSIDFromProgID(std::u16string(braced.begin(), braced.end()).c_str(), &clsid), S_OK);
  EXPECT_EQ(CLSIDFromProgID(u"CLSID\\x", &clsid), CO_E_CLASSSTRING);

  EXPECT_EQ(RunProcess({Regsvr(), "-u", FixturePath()}).status, 0);
  EXPECT_EQ(CLSIDFromProgID(u"Cantrel.CoreFixture.1", &clsid), CO_E_CLASSSTRING);
}

struct PathRow {
  const char* name;
  std::string path;
  HRESULT hr;
};
void PrintTo(const PathRow& r, std::ostream* os) { *os << r.name; }
class LibraryPaths : public ClassLookup, public testing::WithParamInterface<PathRow> {};

TEST_P(LibraryPaths, LoadOrSayWhy) {
  std::ofstream(registry.Dir().File("not-elf.so")) << "not a library\n";
  std::string path = GetParam().path;
  if (path.rfind("dir:", 0) == 0) path = registry.Dir().File(path.substr(4));
  if (path.rfind("bin:", 0) == 0) path = BinDir() + "/" + path.substr(4);
  if (path == "backslashes:") std::ranges::replace(path = FixturePath(), '/', '\\');
  reg::Registry(registry.Path()).Update([&](reg::RegTree& t) { t.SetString(kServerKey, "", path); });
  HRESULT hr;
  CreateAndAsk(CLSID_CoreFixture, &hr);
  EXPECT_EQ(hr, GetParam().hr);
  EXPECT_EQ(CoGetLastLoadError().empty(), SUCCEEDED(hr)) << CoGetLastLoadError();
}

INSTANTIATE_TEST_SUITE_P(Rows, LibraryPaths,
                         testing::Values(PathRow{"Missing", "dir:missing.so", CO_E_DLLNOTFOUND},
                                         PathRow{"NotElf", "dir:not-elf.so", CO_E_ERRORINDLL},
                                         PathRow{"NoEntryPoint", "bin:libpxreg.so", CO_E_ERRORINDLL},
                                         PathRow{"Relative", "relative/lib.so", CO_E_DLLNOTFOUND},
                                         PathRow{"Backslashes", "backslashes:", S_OK}),
                         [](const testing::TestParamInfo<PathRow>& info) { return std::string(info.param.name); });

// The file left as it was: the registry's own test; regsvr's: below.
TEST_F(ClassLookup, DamagedRegistryIsReportedByLine) {
  std::ofstream(registry.Path()) << "#cantrel-registry 1\n[CLSID]\n\"x\"=dword:zz\n";
  HRESULT hr;
  CreateAndAsk(CLSID_CoreFixture, &hr);
  EXPECT_EQ(hr, REGDB_E_READREGDB);
  EXPECT_NE(CoGetLastLoadError().find("line 3"), std::string::npos) << CoGetLastLoadError();
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(u"Cantrel.CoreFixture.1", &clsid), REGDB_E_READREGDB);
}

TEST_F(ClassLookup, UnusedLibrariesAreUnloadedOnlyWhenTheySaySo) {
  RegisterFixture();
  ComPtr<IFixture> object;
  ASSERT_EQ(CoCreateInstance(CLSID_CoreFixture, nullptr, CLSCTX_INPROC_SERVER, IID_IFixture,
                             object.ReleaseAndGetVoidAddress()),
            S_OK);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(CLSID_CoreFixture, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             factory.ReleaseAndGetVoidAddress()),
            S_OK);
  object = nullptr;
  CoFreeUnusedLibraries();
  EXPECT_TRUE(FixtureLoaded());  // the class object is still held
  factory = nullptr;
  CoFreeUnusedLibraries();
  EXPECT_TRUE(FixtureLoaded());  // a thread may still be returning into it
  EXPECT_TRUE(FreeUntilUnloaded());
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture), kFixtureLibraryValue);  // loaded again on demand
}

// Threads load the library and ask its objects at once, round after round,
// and it is unloaded between rounds.
TEST(ClassLookupThreads, ConcurrentCreationAndUnloading) {
  ScopedRegistry registry;
  RegisterFixture();
  std::atomic<int> created{0};
  for (int round = 0; round < 20; ++round) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&] {
        CoInitialize(nullptr);
        for (int i = 0; i < 10; ++i) created += CreateAndAsk(CLSID_CoreFixture) > 0;
        CoUninitialize();
      });
    }
    for (auto& t : threads) t.join();
    EXPECT_TRUE(FreeUntilUnloaded());
  }
  EXPECT_EQ(created, 800);
}

TEST(Regsvr, UsageAndFailures) {
  ScopedRegistry registry;
  for (std::vector<std::string> args : {std::vector<std::string>{Regsvr()}, {Regsvr(), "-x", "lib"}, {Regsvr(), "-u"}})
    EXPECT_EQ(RunProcess(args).status, 2);
  // In a registry it cannot write, each failure shows its own cause.
  testsupport::WriteFileBytes(registry.Path(), {'j', 'u', 'n', 'k', '\n'});
  for (auto [lib, cause] : {std::pair<std::string, const char*>{registry.Dir().File("nothing.so"), "0x800401F8"},
                            {BinDir() + "/libpxreg.so", "DllRegisterServer"},
                            {FixturePath(), "0x80040201"}}) {
    auto r = RunProcess({Regsvr(), lib});
    EXPECT_EQ(r.status, 1) << lib;
    EXPECT_NE(r.err.find(cause), std::string::npos) << r.err;
  }
}
