#include "platform/olectl/AfxOleRegister.h"

#include <cstdio>
#include <functional>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/com/TypeLib.h"
#include "platform/com/Utf.h"
#include "platform/olectl/COleControlModule.h"
#include "platform/olectl/COleObjectFactory.h"
#include "platform/registry/Registry.h"

namespace {

bool Edit(const std::function<void(reg::RegTree&)>& edit) {
  try {
    reg::Registry().Update(edit);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

const char* ThreadingModel(int nRegFlags) {
  const bool apartment = (nRegFlags & afxRegApartmentThreading) != 0;
  const bool free = (nRegFlags & afxRegFreeThreading) != 0;
  if (apartment && free) return "Both";
  if (apartment) return "Apartment";
  if (free) return "Free";
  return nullptr;
}

// Removes parents that the last removal left without keys or values, so
// that unregistering gives back the registry as it was before.
void PruneEmpty(reg::RegTree& t, std::string key) {
  while (!key.empty()) {
    if (!t.HasKey(key) || !t.SubKeys(key).empty() || !t.ValueNames(key).empty()) return;
    t.DeleteKey(key);
    size_t slash = key.rfind('\\');
    key = slash == std::string::npos ? std::string() : key.substr(0, slash);
  }
}

void WriteServer(reg::RegTree& t, const std::string& clsidKey, const std::string& path, int nRegFlags) {
  const std::string server = clsidKey + "\\InprocServer32";
  t.SetString(server, "", path);
  if (const char* model = ThreadingModel(nRegFlags)) t.SetString(server, "ThreadingModel", model);
}

void WriteProgID(reg::RegTree& t, const std::string& progID, const std::string& typeName, const std::string& clsid) {
  t.SetString(progID, "", typeName);
  t.SetString(progID + "\\CLSID", "", clsid);
}

}  // namespace

BOOL AfxOleRegisterControlClass(HINSTANCE hInstance, REFCLSID clsid, const char* pszProgID, UINT idTypeName,
                                UINT idBitmap, int nRegFlags, DWORD dwMiscStatus, REFGUID tlid, WORD wVerMajor,
                                WORD wVerMinor) {
  const std::string path = AfxGetModuleFileName(hInstance);
  std::optional<std::u16string> typeName = AfxLoadString(hInstance, idTypeName);
  if (path.empty() || !typeName) return FALSE;
  const std::string name = Utf16ToUtf8(*typeName);
  const std::string id = GuidToString(clsid);
  const std::string key = "CLSID\\" + id;
  const std::string progID = pszProgID ? pszProgID : "";
  return Edit([&](reg::RegTree& t) {
    t.SetString(key, "", name);
    WriteServer(t, key, path, nRegFlags);
    if (!progID.empty()) {
      t.SetString(key + "\\ProgID", "", progID);
      WriteProgID(t, progID, name, id);
    }
    t.CreateKey(key + "\\Control");
    if (nRegFlags & afxRegInsertable) {
      t.CreateKey(key + "\\Insertable");
      if (!progID.empty()) t.CreateKey(progID + "\\Insertable");
    }
    t.SetString(key + "\\ToolboxBitmap32", "", path + ", " + std::to_string(idBitmap));
    t.SetString(key + "\\MiscStatus", "", "0");
    t.SetString(key + "\\MiscStatus\\1", "", std::to_string(dwMiscStatus));
    t.SetString(key + "\\TypeLib", "", GuidToString(tlid));
    t.SetString(key + "\\Version", "", std::to_string(wVerMajor) + "." + std::to_string(wVerMinor));
  });
}

BOOL AfxOleRegisterPropertyPageClass(HINSTANCE hInstance, REFCLSID clsid, UINT idTypeName, int nRegFlags) {
  const std::string path = AfxGetModuleFileName(hInstance);
  std::optional<std::u16string> typeName = AfxLoadString(hInstance, idTypeName);
  if (path.empty() || !typeName) return FALSE;
  const std::string name = Utf16ToUtf8(*typeName);
  const std::string key = "CLSID\\" + GuidToString(clsid);
  return Edit([&](reg::RegTree& t) {
    t.SetString(key, "", name);
    WriteServer(t, key, path, nRegFlags);
  });
}

BOOL AfxOleRegisterServerClass(HINSTANCE hInstance, REFCLSID clsid, const char* pszProgID, int nRegFlags) {
  const std::string path = AfxGetModuleFileName(hInstance);
  if (path.empty()) return FALSE;
  const std::string id = GuidToString(clsid);
  const std::string key = "CLSID\\" + id;
  const std::string progID = pszProgID ? pszProgID : "";
  return Edit([&](reg::RegTree& t) {
    t.SetString(key, "", progID);
    WriteServer(t, key, path, nRegFlags);
    if (!progID.empty()) {
      t.SetString(key + "\\ProgID", "", progID);
      WriteProgID(t, progID, progID, id);
    }
  });
}

BOOL AfxOleUnregisterClass(REFCLSID clsid, const char* pszProgID) {
  const std::string key = "CLSID\\" + GuidToString(clsid);
  const std::string progID = pszProgID ? pszProgID : "";
  return Edit([&](reg::RegTree& t) {
    t.DeleteKey(key);
    PruneEmpty(t, "CLSID");
    if (!progID.empty()) {
      // A ProgID that another class took over since is not ours to remove.
      std::optional<std::string> owner = t.GetString(progID + "\\CLSID");
      if (!owner || GuidFromString(*owner) == std::optional<GUID>(clsid)) t.DeleteKey(progID);
    }
  });
}

BOOL AfxOleRegisterTypeLib(HINSTANCE hInstance, REFGUID tlid, const char* pszFileName, const char* pszHelpDir) {
  std::string path = AfxGetModuleFileName(hInstance);
  if (path.empty()) return FALSE;
  if (pszFileName && *pszFileName) {
    size_t slash = path.rfind('/');
    path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + pszFileName;
  }
  const std::u16string wpath = Utf8ToUtf16(path);
  ComPtr<ITypeLib> lib;
  if (FAILED(LoadTypeLib(wpath.c_str(), lib.ReleaseAndGetAddressOf())) || !lib) return FALSE;
  TLIBATTR* attr = nullptr;
  if (FAILED(lib->GetLibAttr(&attr)) || !attr) return FALSE;
  const bool same = attr->guid == tlid;
  lib->ReleaseTLibAttr(attr);
  if (!same) return FALSE;
  const std::u16string helpDir = pszHelpDir ? Utf8ToUtf16(pszHelpDir) : std::u16string();
  return SUCCEEDED(RegisterTypeLib(lib.Get(), wpath.c_str(), pszHelpDir ? helpDir.c_str() : nullptr));
}

BOOL AfxOleUnregisterTypeLib(REFGUID tlid, WORD wVerMajor, WORD wVerMinor, LCID lcid) {
  if (wVerMajor == 0 && wVerMinor == 0) {
    // No version given: the first one registered.
    reg::RegTree t;
    try {
      t = reg::Registry().Load();
    } catch (const std::exception&) {
      return FALSE;
    }
    std::vector<std::string> versions = t.SubKeys("TypeLib\\" + GuidToString(tlid));
    if (versions.empty()) return FALSE;
    unsigned major = 0, minor = 0;
    if (std::sscanf(versions.front().c_str(), "%x.%x", &major, &minor) != 2) return FALSE;
    wVerMajor = static_cast<WORD>(major);
    wVerMinor = static_cast<WORD>(minor);
  }
  if (FAILED(UnRegisterTypeLib(tlid, wVerMajor, wVerMinor, lcid, SYS_WIN32))) return FALSE;
  // Parent keys the library's entries alone kept alive go with them.
  Edit([](reg::RegTree& t) {
    PruneEmpty(t, "TypeLib");
    PruneEmpty(t, "Interface");
  });
  return TRUE;
}
