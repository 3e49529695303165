#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
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

bool FixtureLoaded() {
  void* h = ::dlopen(FixturePath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!h) return false;
  ::dlclose(h);
  return true;
}

std::string ReadText(const std::string& path) {
  auto bytes = testsupport::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// Enters an apartment for the test's lifetime.
struct Apartment {
  Apartment() { EXPECT_EQ(CoInitialize(nullptr), S_OK); }
  ~Apartment() { CoUninitialize(); }
};

// A stand-in class object a test registers in-process.
class LocalObject final : public IFixture {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IFixture) {
      *ppv = static_cast<IFixture*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  LONG Value() override { return 7; }

 private:
  std::atomic<ULONG> refs_{1};
};

class LocalFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *ppv = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
    auto object = ComPtr<IFixture>::Attach(new LocalObject);
    return object->QueryInterface(riid, ppv);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
  std::atomic<ULONG> refs{0};
};

LONG CreateAndAsk(REFCLSID clsid, HRESULT* hrOut = nullptr) {
  ComPtr<IFixture> f;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IFixture, f.ReleaseAndGetVoidAddress());
  if (hrOut) *hrOut = hr;
  return SUCCEEDED(hr) && f ? f->Value() : -1;
}

void RegisterFixture() {
  auto r = RunProcess({Regsvr(), FixturePath()});
  ASSERT_EQ(r.status, 0) << r.err;
}

}  // namespace

TEST(Apartments, NestedEntriesAreCountedPerThread) {
  Apartment here;  // not the other thread's
  std::thread([] {
    void* p = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_CoreFixture, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
    // Still inside: the class lookup runs (and finds nothing).
    {
      ScopedRegistry registry;
      EXPECT_EQ(CoCreateInstance(CLSID_CoreFixture, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
                REGDB_E_CLASSNOTREG);
    }
    CoUninitialize();
    EXPECT_EQ(CoGetClassObject(CLSID_CoreFixture, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &p),
              CO_E_NOTINITIALIZED);
    CoUninitialize();  // one too many: harmless
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
  }).join();
}

TEST(ClassLookup, RegisteredLibraryByClassAndProgId) {
  ScopedRegistry registry;
  Apartment apartment;
  HRESULT hr;
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture, &hr), -1);
  EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);
  EXPECT_NE(CoGetLastLoadError().find(GuidToString(CLSID_CoreFixture)), std::string::npos);

  RegisterFixture();
  reg::RegTree tree = reg::Registry(registry.Path()).Load();
  std::string key = "CLSID\\" + GuidToString(CLSID_CoreFixture);
  EXPECT_EQ(tree.GetString(key + "\\InprocServer32"), FixturePath());
  EXPECT_EQ(tree.GetString(key + "\\InprocServer32", "ThreadingModel"), "Apartment");

  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture, &hr), kFixtureLibraryValue);
  EXPECT_EQ(hr, S_OK);

  CLSID clsid{};
  std::u16string progId(kFixtureProgId, kFixtureProgId + sizeof kFixtureProgId - 1);
  ASSERT_EQ(CLSIDFromProgID(progId.c_str(), &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_CoreFixture);
  EXPECT_EQ(CreateAndAsk(clsid), kFixtureLibraryValue);
  // A braced class identifier is accepted in place of a ProgID.
  std::string braced = GuidToString(CLSID_CoreFixture);
  ASSERT_EQ(CLSIDFromProgID(std::u16string(braced.begin(), braced.end()).c_str(), &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_CoreFixture);
  EXPECT_EQ(CLSIDFromProgID(u"Cantrel.NoSuchThing", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(u"CLSID\\x", &clsid), CO_E_CLASSSTRING);

  LPOLESTR name = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(CLSID_CoreFixture, &name), S_OK);
  EXPECT_EQ(std::u16string_view(name), progId);
  EXPECT_EQ(SysStringLen(name), progId.size());
  CoTaskMemFree(name);
  EXPECT_EQ(ProgIDFromCLSID(GUID_NULL, &name), REGDB_E_CLASSNOTREG);

  // The library answers only for its own class.
  reg::Registry(registry.Path()).Update([&](reg::RegTree& t) {
    t.SetString("CLSID\\" + GuidToString(IID_IFixture) + "\\InprocServer32", "", FixturePath());
  });
  EXPECT_EQ(CreateAndAsk(IID_IFixture, &hr), -1);
  EXPECT_EQ(hr, CLASS_E_CLASSNOTAVAILABLE);

  auto r = RunProcess({Regsvr(), "-u", FixturePath()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture, &hr), -1);
  EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CLSIDFromProgID(progId.c_str(), &clsid), CO_E_CLASSSTRING);
}

TEST(ClassLookup, BackslashPathsAreAccepted) {
  ScopedRegistry registry;
  Apartment apartment;
  std::string path = FixturePath();
  for (char& c : path)
    if (c == '/') c = '\\';
  reg::Registry(registry.Path()).Update([&](reg::RegTree& t) {
    t.SetString("CLSID\\" + GuidToString(CLSID_CoreFixture) + "\\InprocServer32", "", path);
  });
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture), kFixtureLibraryValue);
}

TEST(ClassLookup, BadLibrariesAndDamagedRegistry) {
  ScopedRegistry registry;
  Apartment apartment;
  std::string notElf = registry.Dir().File("not-a-library.so");
  {
    std::ofstream(notElf) << "this is not a shared library\n";
  }
  const std::string clsidKey = "CLSID\\" + GuidToString(CLSID_CoreFixture) + "\\InprocServer32";
  struct Row {
    std::string path;
    HRESULT hr;
  } rows[] = {
      {registry.Dir().File("missing.so"), CO_E_DLLNOTFOUND},
      {notElf, CO_E_ERRORINDLL},
      {BinDir() + "/libpxreg.so", CO_E_ERRORINDLL},  // loads, but exports no DllGetClassObject
      {"relative/lib.so", CO_E_DLLNOTFOUND},
      {"", CO_E_DLLNOTFOUND},
  };
  for (const Row& row : rows) {
    reg::Registry(registry.Path()).Update([&](reg::RegTree& t) { t.SetString(clsidKey, "", row.path); });
    HRESULT hr;
    EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture, &hr), -1);
    EXPECT_EQ(hr, row.hr) << row.path;
    EXPECT_FALSE(CoGetLastLoadError().empty()) << row.path;
  }

  const std::string damaged = "#cantrel-registry 1\n[CLSID]\n\"x\"=dword:zz\n";
  testsupport::WriteFileBytes(registry.Path(), std::vector<uint8_t>(damaged.begin(), damaged.end()));
  HRESULT hr;
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture, &hr), -1);
  EXPECT_EQ(hr, REGDB_E_READREGDB);
  EXPECT_NE(CoGetLastLoadError().find("line 3"), std::string::npos) << CoGetLastLoadError();
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(u"Cantrel.CoreFixture.1", &clsid), REGDB_E_READREGDB);
  LPOLESTR name = nullptr;
  EXPECT_EQ(ProgIDFromCLSID(CLSID_CoreFixture, &name), REGDB_E_READREGDB);
  auto r = RunProcess({Regsvr(), FixturePath()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadText(registry.Path()), damaged);
}

TEST(ClassLookup, InProcessRegistrationWinsOverTheRegistry) {
  ScopedRegistry registry;
  Apartment apartment;
  RegisterFixture();
  LocalFactory factory;
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_CoreFixture, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture), 7);
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture), 7);
  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(factory.refs, 0u);
  EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture), kFixtureLibraryValue);

  // Single use: the second creation goes to the registry.
  ASSERT_EQ(CoRegisterClassObject(CLSID_CoreFixture, &factory, CLSCTX_INPROC_SERVER, REGCLS_SINGLEUSE, &cookie),
            S_OK);
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture), 7);
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture), kFixtureLibraryValue);
  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);

  std::thread([&] {
    DWORD c = 0;
    EXPECT_EQ(CoRegisterClassObject(CLSID_CoreFixture, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &c),
              CO_E_NOTINITIALIZED);
  }).join();
}

TEST(ClassLookup, UnusedLibrariesAreUnloadedOnlyWhenTheySaySo) {
  ScopedRegistry registry;
  Apartment apartment;
  RegisterFixture();
  CoFreeUnusedLibraries();
  EXPECT_FALSE(FixtureLoaded());

  ComPtr<IFixture> object;
  ASSERT_EQ(CoCreateInstance(CLSID_CoreFixture, nullptr, CLSCTX_INPROC_SERVER, IID_IFixture,
                             object.ReleaseAndGetVoidAddress()),
            S_OK);
  EXPECT_TRUE(FixtureLoaded());
  CoFreeUnusedLibraries();
  EXPECT_TRUE(FixtureLoaded());  // an object is alive: S_FALSE
  EXPECT_EQ(object->Value(), kFixtureLibraryValue);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(CLSID_CoreFixture, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             factory.ReleaseAndGetVoidAddress()),
            S_OK);
  object = nullptr;
  CoFreeUnusedLibraries();
  EXPECT_TRUE(FixtureLoaded());  // the class object is still held
  factory = nullptr;
  CoFreeUnusedLibraries();
  EXPECT_FALSE(FixtureLoaded());

  // Loaded again on demand.
  EXPECT_EQ(CreateAndAsk(CLSID_CoreFixture), kFixtureLibraryValue);
  CoFreeUnusedLibraries();
  EXPECT_FALSE(FixtureLoaded());
}

TEST(ClassLookup, ConcurrentCreationAndRegistration) {
  ScopedRegistry registry;
  RegisterFixture();
  LocalFactory factory;
  std::atomic<bool> stop{false};
  std::atomic<int> failures{0}, local{0}, library{0};
  std::vector<std::thread> creators;
  for (int t = 0; t < 4; ++t) {
    creators.emplace_back([&] {
      CoInitialize(nullptr);
      for (int i = 0; i < 200; ++i) {
        LONG v = CreateAndAsk(CLSID_CoreFixture);
        if (v == 7)
          ++local;
        else if (v == kFixtureLibraryValue)
          ++library;
        else
          ++failures;
      }
      CoUninitialize();
    });
  }
  std::thread registrar([&] {
    CoInitialize(nullptr);
    while (!stop) {
      DWORD cookie = 0;
      if (CoRegisterClassObject(CLSID_CoreFixture, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie) !=
          S_OK)
        ++failures;
      std::this_thread::yield();
      if (CoRevokeClassObject(cookie) != S_OK) ++failures;
      CoFreeUnusedLibraries();
    }
    CoUninitialize();
  });
  for (auto& t : creators) t.join();
  stop = true;
  registrar.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(local + library, 800);
  EXPECT_EQ(factory.refs, 0u);
}

TEST(Regsvr, UsageAndFailures) {
  ScopedRegistry registry;
  EXPECT_EQ(RunProcess({Regsvr()}).status, 2);
  EXPECT_EQ(RunProcess({Regsvr(), "-x", FixturePath()}).status, 2);
  EXPECT_EQ(RunProcess({Regsvr(), "-u"}).status, 2);
  EXPECT_EQ(RunProcess({Regsvr(), "a", "b", "c"}).status, 2);
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
