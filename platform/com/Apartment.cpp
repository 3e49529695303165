#include "platform/com/Apartment.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/com/ResultMacros.h"
#include "platform/com/TaskMemory.h"
#include "platform/com/Utf.h"
#include "platform/registry/LayeredRegistry.h"

// Every apartment here is in-process and unmarshalled: ThreadingModel is
// recorded by registration but not acted upon.

namespace {

struct ThreadApartment {
  int count = 0;
  DWORD model = COINIT_APARTMENTTHREADED;
};
thread_local ThreadApartment t_apartment;
thread_local std::string t_lastLoadError;

struct RegisteredClass {
  CLSID clsid;
  ComPtr<IUnknown> object;
  DWORD context;
  DWORD flags;
  bool used = false;
};

struct LoadedLibrary {
  void* handle = nullptr;
  PFN_DllGetClassObject getClassObject = nullptr;
  PFN_DllCanUnloadNow canUnloadNow = nullptr;
  int calls = 0;  // DllGetClassObject calls in progress; such a library stays
  unsigned long served = 0;  // DllGetClassObject calls ever made
  // Since when DllCanUnloadNow has said yes with no class object asked for.
  std::optional<std::chrono::steady_clock::time_point> idleSince;
  unsigned long servedWhenIdle = 0;
};

// A thread that released a library's last object is still returning through
// the library's code when DllCanUnloadNow first says yes; unloading waits
// this long so that it has left.
constexpr auto kUnloadDelay = std::chrono::milliseconds(10);

struct Runtime {
  std::mutex classesMutex;
  std::map<DWORD, RegisteredClass> classes;
  DWORD nextCookie = 1;

  std::mutex librariesMutex;
  std::map<std::string, LoadedLibrary> libraries;  // by path
};

Runtime& TheRuntime() {
  // Never destroyed: libraries and class objects may outlive static
  // destruction order.
  static Runtime* r = new Runtime;
  return *r;
}

HRESULT Fail(HRESULT hr, std::string message) {
  t_lastLoadError = std::move(message);
  return hr;
}

std::string ClsidKey(REFCLSID clsid) { return "CLSID\\" + GuidToString(clsid); }

// A class registered in this process, if any, as an object of riid.
bool FindRegistered(REFCLSID clsid, DWORD context, ComPtr<IUnknown>& found) {
  Runtime& rt = TheRuntime();
  std::lock_guard lock(rt.classesMutex);
  for (auto& [cookie, entry] : rt.classes) {
    if (entry.clsid != clsid || !(entry.context & context) || entry.used) continue;
    if (entry.flags == REGCLS_SINGLEUSE) entry.used = true;
    found = entry.object;
    return true;
  }
  return false;
}

HRESULT LoadLibraryFor(const std::string& path, PFN_DllGetClassObject& fn, std::string& key) {
  Runtime& rt = TheRuntime();
  std::lock_guard lock(rt.librariesMutex);
  auto it = rt.libraries.find(path);
  if (it == rt.libraries.end()) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
      return Fail(CO_E_DLLNOTFOUND, "cannot find the component library " + path + ": " + std::strerror(errno));
    ::dlerror();
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = ::dlerror();
      return Fail(CO_E_ERRORINDLL, "cannot load " + path + ": " + (why ? why : "unknown error"));
    }
    auto getClassObject = reinterpret_cast<PFN_DllGetClassObject>(::dlsym(handle, "DllGetClassObject"));
    if (!getClassObject) {
      ::dlclose(handle);
      return Fail(CO_E_ERRORINDLL, path + " does not export DllGetClassObject");
    }
    LoadedLibrary lib;
    lib.handle = handle;
    lib.getClassObject = getClassObject;
    lib.canUnloadNow = reinterpret_cast<PFN_DllCanUnloadNow>(::dlsym(handle, "DllCanUnloadNow"));
    it = rt.libraries.emplace(path, lib).first;
  }
  ++it->second.calls;
  ++it->second.served;
  fn = it->second.getClassObject;
  key = path;
  return S_OK;
}

void EndCall(const std::string& key) {
  Runtime& rt = TheRuntime();
  std::lock_guard lock(rt.librariesMutex);
  auto it = rt.libraries.find(key);
  if (it != rt.libraries.end()) --it->second.calls;
}

HRESULT LoadRegistry(reg::RegTree& tree) {
  try {
    tree = reg::LayeredRegistry().Load();
    return S_OK;
  } catch (const std::exception& e) {
    return Fail(REGDB_E_READREGDB, std::string("cannot read the class registry: ") + e.what());
  }
}

HRESULT GetFromRegistry(REFCLSID clsid, REFIID riid, void** ppv) {
  reg::RegTree tree;
  RETURN_IF_FAILED(LoadRegistry(tree));
  std::string key = ClsidKey(clsid) + "\\InprocServer32";
  if (!tree.HasKey(key)) return Fail(REGDB_E_CLASSNOTREG, "class " + GuidToString(clsid) + " is not registered");
  std::string path = tree.GetString(key).value_or("");
  for (char& c : path)
    if (c == '\\') c = '/';
  if (path.empty() || path[0] != '/')
    return Fail(CO_E_DLLNOTFOUND,
                "class " + GuidToString(clsid) + " names no absolute library path (\"" + path + "\")");
  PFN_DllGetClassObject fn = nullptr;
  std::string libKey;
  RETURN_IF_FAILED(LoadLibraryFor(path, fn, libKey));
  const HRESULT hr = fn(clsid, riid, ppv);
  EndCall(libKey);
  if (FAILED(hr)) t_lastLoadError = path + ": DllGetClassObject failed";
  return hr;
}

}  // namespace

std::string CoGetLastLoadError() { return t_lastLoadError; }

extern "C" {

HRESULT CoInitialize(void* pvReserved) { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(void* pvReserved, DWORD dwCoInit) {
  DWORD model = (dwCoInit & COINIT_APARTMENTTHREADED) ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
  ThreadApartment& a = t_apartment;
  if (a.count == 0) {
    a.model = model;
    a.count = 1;
    return S_OK;
  }
  if (a.model != model) return RPC_E_CHANGED_MODE;
  ++a.count;
  return S_FALSE;
}

void CoUninitialize() {
  if (t_apartment.count > 0) --t_apartment.count;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void* pvReserved, REFIID riid, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  t_lastLoadError.clear();
  if (t_apartment.count == 0) return Fail(CO_E_NOTINITIALIZED, "this thread has not entered an apartment");
  ComPtr<IUnknown> local;
  if (FindRegistered(rclsid, dwClsContext, local)) return local->QueryInterface(riid, ppv);
  if (!(dwClsContext & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)))
    return Fail(REGDB_E_CLASSNOTREG, "class " + GuidToString(rclsid) + " is registered only in-process here");
  return GetFromRegistry(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  ComPtr<IClassFactory> factory;
  RETURN_IF_FAILED(
      CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, factory.ReleaseAndGetVoidAddress()));
  if (!factory) return E_NOINTERFACE;
  return factory->CreateInstance(pUnkOuter, riid, ppv);
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD flags, DWORD* lpdwRegister) {
  if (!pUnk || !lpdwRegister) return E_INVALIDARG;
  *lpdwRegister = 0;
  if (t_apartment.count == 0) return CO_E_NOTINITIALIZED;
  Runtime& rt = TheRuntime();
  std::lock_guard lock(rt.classesMutex);
  DWORD cookie = rt.nextCookie++;
  if (rt.nextCookie == 0) rt.nextCookie = 1;
  rt.classes.emplace(cookie, RegisteredClass{rclsid, ComPtr<IUnknown>(pUnk), dwClsContext, flags});
  *lpdwRegister = cookie;
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
  ComPtr<IUnknown> released;  // released after the lock is dropped
  Runtime& rt = TheRuntime();
  {
    std::lock_guard lock(rt.classesMutex);
    auto it = rt.classes.find(dwRegister);
    if (it == rt.classes.end()) return E_INVALIDARG;
    released = std::move(it->second.object);
    rt.classes.erase(it);
  }
  return S_OK;
}

void CoFreeUnusedLibraries() {
  Runtime& rt = TheRuntime();
  std::lock_guard lock(rt.librariesMutex);
  const auto now = std::chrono::steady_clock::now();
  for (auto it = rt.libraries.begin(); it != rt.libraries.end();) {
    LoadedLibrary& lib = it->second;
    const bool unused = lib.calls == 0 && lib.canUnloadNow && lib.canUnloadNow() == S_OK;
    if (!unused) {
      lib.idleSince.reset();
    } else if (!lib.idleSince || lib.served != lib.servedWhenIdle) {
      lib.idleSince = now;
      lib.servedWhenIdle = lib.served;
    } else if (now - *lib.idleSince >= kUnloadDelay) {
      ::dlclose(lib.handle);
      it = rt.libraries.erase(it);
      continue;
    }
    ++it;
  }
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid) {
  if (!lpszProgID || !lpclsid) return E_INVALIDARG;
  t_lastLoadError.clear();
  std::u16string_view w(lpszProgID);
  std::string progId = Utf16ToUtf8(w);
  if (!progId.empty() && progId[0] == '{') {
    auto g = GuidFromString(progId);
    if (!g) return Fail(CO_E_CLASSSTRING, "\"" + progId + "\" is not a class identifier");
    *lpclsid = *g;
    return S_OK;
  }
  // A ProgID is one key name; a separator would reach elsewhere.
  if (progId.empty() || progId.find('\\') != std::string::npos)
    return Fail(CO_E_CLASSSTRING, "\"" + progId + "\" is not a ProgID");
  reg::RegTree tree;
  RETURN_IF_FAILED(LoadRegistry(tree));
  auto text = tree.GetString(progId + "\\CLSID");
  if (!text) return Fail(CO_E_CLASSSTRING, "ProgID \"" + progId + "\" is not registered");
  auto g = GuidFromString(*text);
  if (!g) return Fail(REGDB_E_READREGDB, "ProgID \"" + progId + "\" names a malformed class identifier");
  *lpclsid = *g;
  return S_OK;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) {
  if (!lplpszProgID) return E_INVALIDARG;
  *lplpszProgID = nullptr;
  reg::RegTree tree;
  RETURN_IF_FAILED(LoadRegistry(tree));
  auto text = tree.GetString(ClsidKey(clsid) + "\\ProgID");
  if (!text || text->empty()) return REGDB_E_CLASSNOTREG;
  std::u16string w = Utf8ToUtf16(*text);
  BSTR b = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
  if (!b) return E_OUTOFMEMORY;
  *lplpszProgID = b;
  return S_OK;
}

void* CoTaskMemAlloc(size_t cb) { return taskmem::Allocate(cb); }

void CoTaskMemFree(void* pv) { taskmem::Free(pv); }

}  // extern "C"
