#include "platform/com/TypeLib.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <optional>
#include <cstring>

#include "platform/base/UniqueFd.h"
#include "platform/com/FileAccess.h"
#include "platform/com/Guid.h"
#include "platform/com/Resources.h"
#include "platform/com/ResultMacros.h"
#include "platform/com/TypeLibObject.h"
#include "platform/com/TypeLibText.h"
#include "platform/com/Utf.h"
#include "platform/registry/LayeredRegistry.h"
#include "platform/registry/Registry.h"

namespace {

constexpr size_t kMaxTypeLibFile = 64u << 20;
// The platform's proxy/stub class for dispinterfaces.
constexpr const char* kPSDispatch = "{00020420-0000-0000-C000-000000000046}";

bool ReadAll(int fd, std::vector<uint8_t>& out) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (static_cast<uint64_t>(st.st_size) > kMaxTypeLibFile) return false;
  out.resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(done));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string Hex(unsigned v) {
  char buf[16];
  std::snprintf(buf, sizeof(buf), "%x", v);
  return buf;
}

std::string VersionKey(REFGUID guid, WORD major, WORD minor) {
  return "TypeLib\\" + GuidToString(guid) + "\\" + Hex(major) + "." + Hex(minor);
}

const char* SysKindName(SYSKIND k) {
  switch (k) {
    case SYS_WIN16: return "win16";
    case SYS_MAC: return "mac";
    case SYS_WIN64: return "win64";
    default: return "win32";
  }
}

// The locale key under which a library's file is registered: the neutral
// locale, so that every locale a caller asks for finds it.
constexpr LCID kRegisteredLcid = 0;

bool IsStdOleName(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"\\/");
  const std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
  return typelib_text::NamesEqual(name, u"stdole2.tlb") || typelib_text::NamesEqual(name, u"stdole32.tlb");
}

// Parses "major.minor" in hex; false for anything else.
bool ParseVersion(const std::string& s, unsigned& major, unsigned& minor) {
  const size_t dot = s.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == s.size()) return false;
  for (size_t i = 0; i < s.size(); ++i)
    if (i != dot && !std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  if (dot > 4 || s.size() - dot - 1 > 4) return false;
  major = static_cast<unsigned>(std::stoul(s.substr(0, dot), nullptr, 16));
  minor = static_cast<unsigned>(std::stoul(s.substr(dot + 1), nullptr, 16));
  return true;
}

}  // namespace

HRESULT LoadTypeLibFromMemory(const void* data, size_t size, ITypeLib** pptlib) {
  if (!pptlib) return E_INVALIDARG;
  *pptlib = nullptr;
  if (!data && size > 0) return E_INVALIDARG;
  auto parsed = std::make_shared<TypeLibData>();
  RETURN_IF_FAILED(ParseTypeLibBlob(static_cast<const uint8_t*>(data), size, *parsed));
  *pptlib = TypeLibObject::Create(std::move(parsed)).Detach();
  return S_OK;
}

HRESULT LoadTypeLib(LPCOLESTR szFile, ITypeLib** pptlib) {
  if (!szFile || !pptlib) return E_INVALIDARG;
  *pptlib = nullptr;
  const std::u16string_view file(szFile);
  UniqueFd fd(OpenForRead(file));
  if (fd.Get() < 0) {
    // The standard automation library is built in.
    if (IsStdOleName(file)) return ComPtr<ITypeLib>(TypeLibObject::StdOle().Get()).CopyTo(pptlib);
    return TYPE_E_CANTLOADLIBRARY;
  }
  uint8_t magic[4] = {};
  if (::pread(fd.Get(), magic, sizeof(magic), 0) == static_cast<ssize_t>(sizeof(magic)) &&
      std::memcmp(magic, "\x7f" "ELF", 4) == 0) {
    // A component library: its resource TYPELIB 1.
    const auto resources = ReadResourcesFromFile(*NativePath(file));
    if (!resources) return TYPE_E_CANTLOADLIBRARY;
    const ResourceEntry* tlb = FindResource(*resources, "TYPELIB", 1);
    if (!tlb) return TYPE_E_CANTLOADLIBRARY;
    return LoadTypeLibFromMemory(tlb->data.data(), tlb->data.size(), pptlib);
  }
  std::vector<uint8_t> bytes;
  if (!ReadAll(fd.Get(), bytes)) return TYPE_E_CANTLOADLIBRARY;
  return LoadTypeLibFromMemory(bytes.data(), bytes.size(), pptlib);
}

HRESULT LoadTypeLibEx(LPCOLESTR szFile, REGKIND regkind, ITypeLib** pptlib) {
  HRESULT hr = LoadTypeLib(szFile, pptlib);
  if (FAILED(hr) || regkind != REGKIND_REGISTER) return hr;
  hr = RegisterTypeLib(*pptlib, szFile, nullptr);
  if (FAILED(hr)) {
    ComPtr<ITypeLib>::Attach(*pptlib).Reset();
    *pptlib = nullptr;
  }
  return hr;
}

HRESULT RegisterTypeLib(ITypeLib* ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir) {
  if (!ptlib || !szFullPath) return E_INVALIDARG;
  TLIBATTR* attr = nullptr;
  RETURN_IF_FAILED(ptlib->GetLibAttr(&attr));
  const TLIBATTR a = *attr;
  ptlib->ReleaseTLibAttr(attr);

  CBstr name, doc;
  RETURN_IF_FAILED(ptlib->GetDocumentation(-1, name.ReleaseAndGetAddressOf(), doc.ReleaseAndGetAddressOf(), nullptr, nullptr));

  struct Dispinterface {
    std::string iid;
    std::string name;
  };
  std::vector<Dispinterface> dispinterfaces;
  const UINT count = ptlib->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    TYPEKIND kind{};
    if (FAILED(ptlib->GetTypeInfoType(i, &kind)) || kind != TKIND_DISPATCH) continue;
    ComPtr<ITypeInfo> info;
    if (FAILED(ptlib->GetTypeInfo(i, info.ReleaseAndGetAddressOf()))) continue;
    TYPEATTR* ta = nullptr;
    if (FAILED(info->GetTypeAttr(&ta))) continue;
    const GUID iid = ta->guid;
    info->ReleaseTypeAttr(ta);
    CBstr itfName;
    if (FAILED(info->GetDocumentation(DISPID_UNKNOWN, itfName.ReleaseAndGetAddressOf(), nullptr, nullptr, nullptr)))
      continue;
    dispinterfaces.push_back({GuidToString(iid), Utf16ToUtf8(itfName.View())});
  }

  // Registered names are file names: refuse what no file can be called.
  std::string path, helpDir;
  if (!Utf16ToUtf8Exact(szFullPath, path)) return E_INVALIDARG;
  if (szHelpDir) {
    if (!Utf16ToUtf8Exact(szHelpDir, helpDir)) return E_INVALIDARG;
  } else {
    const size_t slash = path.find_last_of("\\/");
    helpDir = slash == std::string::npos ? std::string() : path.substr(0, slash);
  }
  const std::string base = VersionKey(a.guid, a.wMajorVerNum, a.wMinorVerNum);
  const std::string libGuid = GuidToString(a.guid);
  const std::string version = Hex(a.wMajorVerNum) + "." + Hex(a.wMinorVerNum);
  const std::string title = Utf16ToUtf8(doc.Length() ? doc.View() : name.View());
  try {
    reg::Registry().Update([&](reg::RegTree& t) {
      t.SetString(base, "", title);
      t.SetString(base + "\\" + Hex(kRegisteredLcid) + "\\" + SysKindName(a.syskind), "", path);
      t.SetString(base + "\\FLAGS", "", std::to_string(a.wLibFlags));
      t.SetString(base + "\\HELPDIR", "", helpDir);
      for (const auto& d : dispinterfaces) {
        const std::string key = "Interface\\" + d.iid;
        t.SetString(key, "", d.name);
        t.SetString(key + "\\ProxyStubClsid32", "", kPSDispatch);
        t.SetString(key + "\\TypeLib", "", libGuid);
        t.SetString(key + "\\TypeLib", "Version", version);
      }
    });
  } catch (const std::exception&) {
    return TYPE_E_REGISTRYACCESS;
  }
  return S_OK;
}

HRESULT UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid, SYSKIND syskind) {
  const std::string base = VersionKey(libID, wVerMajor, wVerMinor);
  const std::string libGuid = GuidToString(libID);
  const std::string version = Hex(wVerMajor) + "." + Hex(wVerMinor);
  bool registered = false;
  try {
    reg::Registry().Update([&](reg::RegTree& t) {
      const std::string lcidKey = base + "\\" + Hex(lcid);
      if (!t.HasKey(lcidKey + "\\" + SysKindName(syskind))) return;
      registered = true;
      t.DeleteKey(lcidKey);
      // The version goes when no locale is left under it.
      for (const auto& sub : t.SubKeys(base)) {
        if (!typelib_text::NamesEqual(Utf8ToUtf16(sub), u"FLAGS") &&
            !typelib_text::NamesEqual(Utf8ToUtf16(sub), u"HELPDIR"))
          return;
      }
      t.DeleteKey(base);
      // The library's dispinterfaces: exactly those pointing at this version.
      for (const auto& iid : t.SubKeys("Interface")) {
        const std::string key = "Interface\\" + iid + "\\TypeLib";
        const auto owner = t.GetString(key);
        const auto ver = t.GetString(key, "Version");
        if (owner && ver && GuidFromString(*owner) == std::optional<GUID>(libID) && *ver == version)
          t.DeleteKey("Interface\\" + iid);
      }
      const std::string libKey = "TypeLib\\" + libGuid;
      if (t.SubKeys(libKey).empty()) t.DeleteKey(libKey);
    });
  } catch (const std::exception&) {
    return TYPE_E_REGISTRYACCESS;
  }
  return registered ? S_OK : TYPE_E_LIBNOTREGISTERED;
}

HRESULT LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid, ITypeLib** pptlib) {
  if (!pptlib) return E_INVALIDARG;
  *pptlib = nullptr;
  std::string path;
  try {
    const reg::RegTree t = reg::LayeredRegistry().Load();
    const std::string libKey = "TypeLib\\" + GuidToString(rguid);
    // The same major version with the highest minor at or above the one asked.
    std::string versionKey;
    unsigned best = 0;
    for (const auto& sub : t.SubKeys(libKey)) {
      unsigned major = 0, minor = 0;
      if (!ParseVersion(sub, major, minor) || major != wVerMajor || minor < wVerMinor) continue;
      if (versionKey.empty() || minor > best) {
        best = minor;
        versionKey = libKey + "\\" + sub;
      }
    }
    if (versionKey.empty()) return TYPE_E_LIBNOTREGISTERED;
    // The locale asked, its primary language, then the neutral locale.
    for (LCID candidate : {lcid, lcid & 0x3FFu, 0u}) {
      for (const char* sys : {"win32", "win64"}) {
        if (auto p = t.GetString(versionKey + "\\" + Hex(candidate) + "\\" + sys)) {
          path = *p;
          break;
        }
      }
      if (!path.empty()) break;
    }
  } catch (const std::exception&) {
    return TYPE_E_REGISTRYACCESS;
  }
  if (path.empty()) return TYPE_E_LIBNOTREGISTERED;
  const std::u16string file = Utf8ToUtf16(path);
  return LoadTypeLib(file.c_str(), pptlib);
}
