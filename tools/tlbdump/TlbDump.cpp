// Prints a type library (a bare file or a component library's TYPELIB 1)
// in an IDL-like text form, to check what a library describes.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/Version.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/com/TypeLib.h"
#include "platform/com/Utf.h"

namespace {

std::string TypeName(ITypeInfo* ti, const TYPEDESC& td) {
  switch (td.vt) {
    case VT_I2: return "short";
    case VT_I4: return "long";
    case VT_R4: return "float";
    case VT_R8: return "double";
    case VT_BSTR: return "BSTR";
    case VT_DISPATCH: return "IDispatch*";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_VARIANT: return "VARIANT";
    case VT_UNKNOWN: return "IUnknown*";
    case VT_VOID: return "void";
    case VT_PTR: return TypeName(ti, *td.lptdesc) + "*";
    case VT_USERDEFINED: {
      ComPtr<ITypeInfo> ref;
      CBstr name;
      if (SUCCEEDED(ti->GetRefTypeInfo(td.hreftype, ref.ReleaseAndGetAddressOf())) &&
          SUCCEEDED(ref->GetDocumentation(DISPID_UNKNOWN, name.ReleaseAndGetAddressOf(), nullptr, nullptr, nullptr)))
        return Utf16ToUtf8(name.View());
      return "?";
    }
    default: return "vt" + std::to_string(td.vt);
  }
}

std::string Help(ITypeInfo* ti, MEMBERID id, std::string* name) {
  CBstr n, doc;
  if (FAILED(ti->GetDocumentation(id, n.ReleaseAndGetAddressOf(), doc.ReleaseAndGetAddressOf(), nullptr, nullptr)))
    return {};
  if (name) *name = Utf16ToUtf8(n.View());
  return doc.Length() ? ", helpstring(\"" + Utf16ToUtf8(doc.View()) + "\")" : std::string();
}

void DumpDispinterface(ITypeInfo* ti, const TYPEATTR& ta) {
  std::printf("  properties:\n");
  for (UINT i = 0; i < ta.cVars; ++i) {
    VARDESC* vd = nullptr;
    if (FAILED(ti->GetVarDesc(i, &vd))) continue;
    std::string name;
    const std::string help = Help(ti, vd->memid, &name);
    std::printf("    [id(%d)%s] %s %s;\n", vd->memid, help.c_str(), TypeName(ti, vd->elemdescVar.tdesc).c_str(),
                name.c_str());
    ti->ReleaseVarDesc(vd);
  }
  std::printf("  methods:\n");
  for (UINT i = 0; i < ta.cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    if (FAILED(ti->GetFuncDesc(i, &fd))) continue;
    std::string name;
    const std::string help = Help(ti, fd->memid, &name);
    BSTR names[32] = {};
    UINT count = 0;
    ti->GetNames(fd->memid, names, 32, &count);
    std::string params;
    for (SHORT p = 0; p < fd->cParams; ++p) {
      if (p) params += ", ";
      params += TypeName(ti, fd->lprgelemdescParam[p].tdesc);
      if (static_cast<UINT>(p) + 1 < count) {
        params += ' ';
        params += Utf16ToUtf8(CBstr(names[p + 1]).View());
      }
    }
    for (UINT k = 0; k < count; ++k) SysFreeString(names[k]);
    const char* kind = fd->invkind == INVOKE_PROPERTYGET ? ", propget" : fd->invkind == INVOKE_PROPERTYPUT ? ", propput" : "";
    const char* restricted = (fd->wFuncFlags & FUNCFLAG_FRESTRICTED) ? ", restricted" : "";
    std::printf("    [id(%d)%s%s%s] %s %s(%s);\n", fd->memid, kind, restricted, help.c_str(),
                TypeName(ti, fd->elemdescFunc.tdesc).c_str(), name.c_str(), params.c_str());
    ti->ReleaseFuncDesc(fd);
  }
}

void DumpCoclass(ITypeInfo* ti, const TYPEATTR& ta) {
  for (UINT i = 0; i < ta.cImplTypes; ++i) {
    HREFTYPE h = 0;
    INT flags = 0;
    ComPtr<ITypeInfo> ref;
    if (FAILED(ti->GetRefTypeOfImplType(i, &h)) || FAILED(ti->GetImplTypeFlags(i, &flags)) ||
        FAILED(ti->GetRefTypeInfo(h, ref.ReleaseAndGetAddressOf())))
      continue;
    std::string name;
    Help(ref.Get(), DISPID_UNKNOWN, &name);
    std::printf("  [%s%s] dispinterface %s;\n", (flags & IMPLTYPEFLAG_FDEFAULT) ? "default" : "",
                (flags & IMPLTYPEFLAG_FSOURCE) ? ", source" : "", name.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf("usage: tlbdump FILE\n\nPrints the type library of FILE (a type library or a component library).\n");
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("tlbdump %s\n", CANTREL_VERSION);
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <type library or component library>\n", argv[0]);
    return 2;
  }
  const std::u16string path = Utf8ToUtf16(argv[1]);
  ComPtr<ITypeLib> lib;
  const HRESULT hr = LoadTypeLib(path.c_str(), lib.ReleaseAndGetAddressOf());
  if (FAILED(hr)) {
    std::fprintf(stderr, "%s: cannot load a type library (0x%08X)\n", argv[1], static_cast<unsigned>(hr));
    return 1;
  }
  TLIBATTR* la = nullptr;
  if (FAILED(lib->GetLibAttr(&la))) return 1;
  CBstr name, doc, file;
  lib->GetDocumentation(-1, name.ReleaseAndGetAddressOf(), doc.ReleaseAndGetAddressOf(), nullptr,
                        file.ReleaseAndGetAddressOf());
  std::printf("[uuid(%s), version(%u.%u), lcid(0x%04x), flags(0x%x), helpfile(\"%s\"), helpstring(\"%s\")]\n",
              GuidToString(la->guid).c_str(), la->wMajorVerNum, la->wMinorVerNum, la->lcid, la->wLibFlags,
              Utf16ToUtf8(file.View()).c_str(), Utf16ToUtf8(doc.View()).c_str());
  std::printf("library %s\n", Utf16ToUtf8(name.View()).c_str());
  lib->ReleaseTLibAttr(la);

  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> ti;
    TYPEATTR* ta = nullptr;
    if (FAILED(lib->GetTypeInfo(i, ti.ReleaseAndGetAddressOf())) || FAILED(ti->GetTypeAttr(&ta))) continue;
    std::string typeName;
    const std::string help = Help(ti.Get(), DISPID_UNKNOWN, &typeName);
    const char* kind = ta->typekind == TKIND_DISPATCH ? "dispinterface" : ta->typekind == TKIND_COCLASS ? "coclass" : "type";
    std::printf("\n%u: [uuid(%s), flags(0x%x)%s] %s %s\n", i, GuidToString(ta->guid).c_str(), ta->wTypeFlags,
                help.c_str(), kind, typeName.c_str());
    if (ta->typekind == TKIND_DISPATCH) DumpDispinterface(ti.Get(), *ta);
    if (ta->typekind == TKIND_COCLASS) DumpCoclass(ti.Get(), *ta);
    ti->ReleaseTypeAttr(ta);
  }
  return 0;
}
