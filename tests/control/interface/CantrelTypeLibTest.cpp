#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "control/interface/CantrelTables.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/com/TypeLib.h"
#include "platform/com/Utf.h"
#include "platform/registry/Registry.h"
#include "tests/support/TestSupport.h"

using testsupport::BinDir;
using testsupport::ScopedRegistry;

namespace {

ComPtr<ITypeLib> LoadCantrelLib() {
  const auto blob = BuildTypeLibBlob(CantrelTypeLibDescription());
  ComPtr<ITypeLib> lib;
  EXPECT_EQ(LoadTypeLibFromMemory(blob.data(), blob.size(), lib.ReleaseAndGetAddressOf()), S_OK);
  return lib;
}

std::u16string Doc(ITypeInfo* ti, MEMBERID id, std::u16string* help = nullptr) {
  CBstr name, doc;
  EXPECT_EQ(ti->GetDocumentation(id, name.ReleaseAndGetAddressOf(), doc.ReleaseAndGetAddressOf(), nullptr, nullptr),
            S_OK);
  if (help) *help = doc.Str();
  return name.Str();
}

ComPtr<ITypeInfo> Info(ITypeLib* lib, UINT index) {
  ComPtr<ITypeInfo> ti;
  EXPECT_EQ(lib->GetTypeInfo(index, ti.ReleaseAndGetAddressOf()), S_OK);
  return ti;
}

TEST(CantrelTypeLib, DescribesNineTypesInLibraryOrder) {
  ComPtr<ITypeLib> lib = LoadCantrelLib();
  ASSERT_TRUE(lib);
  struct Expected {
    const char16_t* name;
    TYPEKIND kind;
    GUID guid;
    const char16_t* help;
    WORD flags;
  };
  const Expected expected[] = {
      {u"IDrives", TKIND_DISPATCH, IID_IDrives, u"", TYPEFLAG_FDISPATCHABLE},
      {u"_Dcantrel", TKIND_DISPATCH, DIID__Dcantrel, u"Dispatch interface for cantrel Control", TYPEFLAG_FDISPATCHABLE},
      {u"_DcantrelEvents", TKIND_DISPATCH, DIID__DcantrelEvents, u"Event interface for cantrel Control",
       TYPEFLAG_FDISPATCHABLE},
      {u"Cantrel", TKIND_COCLASS, CLSID_Cantrel, u"cantrel Control", TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL},
      {u"Drives", TKIND_COCLASS, CLSID_Drives, u"", TYPEFLAG_FCANCREATE},
      {u"IEnumDrives", TKIND_DISPATCH, IID_IEnumDrives, u"", TYPEFLAG_FDISPATCHABLE},
      {u"EnumDrives", TKIND_COCLASS, CLSID_EnumDrives, u"", TYPEFLAG_FCANCREATE},
      {u"IDrive", TKIND_DISPATCH, IID_IDrive, u"", TYPEFLAG_FDISPATCHABLE},
      {u"Drive", TKIND_COCLASS, CLSID_Drive, u"", TYPEFLAG_FCANCREATE},
  };
  ASSERT_EQ(lib->GetTypeInfoCount(), 9u);
  for (UINT i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    TYPEKIND kind{};
    ASSERT_EQ(lib->GetTypeInfoType(i, &kind), S_OK);
    EXPECT_EQ(kind, expected[i].kind);
    CBstr name, doc;
    ASSERT_EQ(lib->GetDocumentation(static_cast<INT>(i), name.ReleaseAndGetAddressOf(), doc.ReleaseAndGetAddressOf(),
                                    nullptr, nullptr),
              S_OK);
    EXPECT_EQ(name.Str(), expected[i].name);
    EXPECT_EQ(doc.Str(), expected[i].help);
    ComPtr<ITypeInfo> ti = Info(lib.Get(), i);
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(ti->GetTypeAttr(&ta), S_OK);
    EXPECT_EQ(ta->typekind, expected[i].kind);
    EXPECT_EQ(ta->guid, expected[i].guid);
    EXPECT_EQ(ta->wTypeFlags, expected[i].flags);
    EXPECT_EQ(ta->wMajorVerNum, 0);  // entries carry no version of their own
    if (kind == TKIND_DISPATCH) {
      EXPECT_EQ(ta->cImplTypes, 1);
    }
    ti->ReleaseTypeAttr(ta);
    ComPtr<ITypeInfo> byGuid;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(expected[i].guid, byGuid.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(Doc(byGuid.Get(), DISPID_UNKNOWN), expected[i].name);
  }
  ComPtr<ITypeInfo> none;
  EXPECT_EQ(lib->GetTypeInfo(9, none.ReleaseAndGetAddressOf()), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(lib->GetTypeInfoOfGuid(CLSID_CEnumDrives, none.ReleaseAndGetAddressOf()), TYPE_E_ELEMENTNOTFOUND);
}

TEST(CantrelTypeLib, LibraryAttributes) {
  ComPtr<ITypeLib> lib = LoadCantrelLib();
  TLIBATTR* la = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&la), S_OK);
  EXPECT_EQ(la->guid, LIBID_cantrelLib);
  EXPECT_EQ(la->wMajorVerNum, 1);
  EXPECT_EQ(la->wMinorVerNum, 0);
  EXPECT_EQ(la->lcid, 0x0409u);
  EXPECT_EQ(la->syskind, SYS_WIN32);
  EXPECT_EQ(la->wLibFlags, LIBFLAG_FCONTROL);
  lib->ReleaseTLibAttr(la);
  CBstr name, doc, file;
  DWORD ctx = 99;
  ASSERT_EQ(lib->GetDocumentation(-1, name.ReleaseAndGetAddressOf(), doc.ReleaseAndGetAddressOf(), &ctx,
                                  file.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(name.Str(), u"cantrelLib");
  EXPECT_FALSE(doc.Str().empty());
  EXPECT_EQ(file.Str(), u"cantrel.hlp");
  EXPECT_EQ(ctx, 0u);
  EXPECT_EQ(CantrelTypeLibDescription().importedLibraries, std::vector<std::u16string>{u"stdole2.tlb"});
}

// One function or variable as the library describes it.
struct Described {
  std::u16string name;
  MEMBERID id;
  INVOKEKIND invkind;  // INVOKE_PROPERTYGET for variables
  VARTYPE type;        // VT_PTR for a reference to a library interface
  std::vector<VARTYPE> params;
  std::u16string help;
  WORD funcFlags;
};

// Variables first, then functions.
std::vector<Described> Members(ITypeInfo* ti) {
  TYPEATTR* ta = nullptr;
  EXPECT_EQ(ti->GetTypeAttr(&ta), S_OK);
  std::vector<Described> out;
  for (UINT i = 0; i < ta->cVars; ++i) {
    VARDESC* vd = nullptr;
    EXPECT_EQ(ti->GetVarDesc(i, &vd), S_OK);
    EXPECT_EQ(vd->varkind, VAR_DISPATCH);
    EXPECT_EQ(vd->wVarFlags, 0);  // readable and writable as declared
    out.push_back({{}, vd->memid, INVOKE_PROPERTYGET, vd->elemdescVar.tdesc.vt, {}, {}, 0});
    ti->ReleaseVarDesc(vd);
  }
  for (UINT i = 0; i < ta->cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    EXPECT_EQ(ti->GetFuncDesc(i, &fd), S_OK);
    EXPECT_EQ(fd->funckind, FUNC_DISPATCH);
    EXPECT_EQ(fd->cParamsOpt, 0);
    out.push_back({{}, fd->memid, fd->invkind, fd->elemdescFunc.tdesc.vt, {}, {}, fd->wFuncFlags});
    for (SHORT p = 0; p < fd->cParams; ++p) {
      out.back().params.push_back(fd->lprgelemdescParam[p].tdesc.vt);
      EXPECT_EQ(fd->lprgelemdescParam[p].paramdesc.wParamFlags, PARAMFLAG_NONE);
    }
    ti->ReleaseFuncDesc(fd);
  }
  ti->ReleaseTypeAttr(ta);
  for (Described& d : out) d.name = Doc(ti, d.id, &d.help);
  return out;
}

auto Fields(const Described& d) {
  return std::tie(d.name, d.id, d.invkind, d.type, d.params, d.help, d.funcFlags);
}

void ExpectSame(const std::vector<Described>& got, const std::vector<Described>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(Fields(got[i]), Fields(want[i]));
}

TEST(CantrelTypeLib, ControlDispatchInterfaceMembers) {
  ComPtr<ITypeLib> lib = LoadCantrelLib();
  ComPtr<ITypeInfo> ti = Info(lib.Get(), 1);
  const auto F = INVOKE_FUNC;
  ExpectSame(Members(ti.Get()),
             {
                 {u"Drive", 2, INVOKE_PROPERTYGET, VT_I2, {}, u"property Drive", 0},
                 {u"Drives", 12, INVOKE_PROPERTYGET, VT_PTR, {}, u"property Drives", 0},
                 {u"AboutBox", -552, F, VT_VOID, {}, u"", 0},
                 {u"Erase", 3, F, VT_I2, {VT_BOOL}, u"method Erase", 0},
                 {u"Burn", 4, F, VT_I2, {VT_BOOL, VT_BOOL, VT_BOOL}, u"method Burn", 0},
                 {u"Eject", 5, F, VT_I2, {}, u"method Eject", 0},
                 {u"GetDriveLetter", 6, F, VT_BSTR, {}, u"method GetDriveLetter", 0},
                 {u"InitControl", 7, F, VT_BOOL, {}, u"method InitControl", 0},
                 {u"GetMediaFreeSpace", 8, F, VT_I4, {}, u"method GetMediaFreeSpace", 0},
                 {u"AddAudioTrack", 9, F, VT_I2, {VT_BSTR}, u"method AddAudioTrack", 0},
                 {u"DeleteAudioTrack", 10, F, VT_BOOL, {VT_I2}, u"method DeleteAudioTrack", 0},
                 {u"DeleteAllItems", 11, F, VT_VOID, {}, u"method DeleteAllItems", 0},
             });

  // Drives is typed as a reference to IDrives.
  VARDESC* vd = nullptr;
  ASSERT_EQ(ti->GetVarDesc(1, &vd), S_OK);
  ASSERT_EQ(vd->elemdescVar.tdesc.vt, VT_PTR);
  ASSERT_EQ(vd->elemdescVar.tdesc.lptdesc->vt, VT_USERDEFINED);
  ComPtr<ITypeInfo> drives;
  ASSERT_EQ(ti->GetRefTypeInfo(vd->elemdescVar.tdesc.lptdesc->hreftype, drives.ReleaseAndGetAddressOf()), S_OK);
  ti->ReleaseVarDesc(vd);
  TYPEATTR* ta = nullptr;
  ASSERT_EQ(drives->GetTypeAttr(&ta), S_OK);
  EXPECT_EQ(ta->guid, IID_IDrives);
  drives->ReleaseTypeAttr(ta);

  // Its base is IDispatch of the standard library.
  HREFTYPE base = 0;
  ASSERT_EQ(ti->GetRefTypeOfImplType(0, &base), S_OK);
  ComPtr<ITypeInfo> dispatch;
  ASSERT_EQ(ti->GetRefTypeInfo(base, dispatch.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(dispatch->GetTypeAttr(&ta), S_OK);
  EXPECT_EQ(ta->guid, IID_IDispatch);
  dispatch->ReleaseTypeAttr(ta);
  EXPECT_EQ(Doc(dispatch.Get(), DISPID_UNKNOWN), u"IDispatch");

  // Names of Burn with its parameters, and name lookup through the type info.
  BSTR names[5] = {};
  UINT count = 0;
  ASSERT_EQ(ti->GetNames(4, names, 5, &count), S_OK);
  std::vector<std::u16string> got;
  for (UINT i = 0; i < count; ++i) got.push_back(CBstr::Attach(names[i]).Str());
  EXPECT_EQ(got, (std::vector<std::u16string>{u"Burn", u"bSimulate", u"bEjectAfterBurn", u"bFileOverWrite"}));
  std::u16string burn = u"bUrN";
  LPOLESTR n = burn.data();
  MEMBERID id = 0;
  ASSERT_EQ(ti->GetIDsOfNames(&n, 1, &id), S_OK);
  EXPECT_EQ(id, 4);
}

TEST(CantrelTypeLib, CollectionRecorderAndEventInterfaces) {
  ComPtr<ITypeLib> lib = LoadCantrelLib();
  ComPtr<ITypeInfo> drives = Info(lib.Get(), 0);
  ExpectSame(Members(drives.Get()),
             {
                 {u"Count", 1, INVOKE_PROPERTYGET, VT_I2, {}, u"property Count", 0},
                 {u"Item", 2, INVOKE_PROPERTYGET, VT_DISPATCH, {VT_VARIANT}, u"property Item", 0},
                 {u"Item", 2, INVOKE_PROPERTYPUT, VT_VOID, {VT_VARIANT, VT_DISPATCH}, u"property Item", 0},
                 {u"FindProductID", 3, INVOKE_FUNC, VT_BSTR, {VT_I2}, u"method FindProductID", 0},
                 {u"_NewEnum", -4, INVOKE_PROPERTYGET, VT_UNKNOWN, {}, u"", FUNCFLAG_FRESTRICTED},
                 {u"FindVendorID", 4, INVOKE_FUNC, VT_BSTR, {VT_I2}, u"method FindVendorID", 0},
                 {u"FindRevision", 5, INVOKE_FUNC, VT_BSTR, {VT_I2}, u"method FindRevision", 0},
             });
  ExpectSame(Members(Info(lib.Get(), 7).Get()),
             {
                 {u"ProductID", 1, INVOKE_PROPERTYGET, VT_BSTR, {}, u"property ProductID", 0},
                 {u"VendorID", 2, INVOKE_PROPERTYGET, VT_BSTR, {}, u"property VendorID", 0},
                 {u"Revision", 3, INVOKE_PROPERTYGET, VT_BSTR, {}, u"property Revision", 0},
             });
  EXPECT_TRUE(Members(Info(lib.Get(), 5).Get()).empty());
  const auto F = INVOKE_FUNC;  // the event interface
  ExpectSame(Members(Info(lib.Get(), 2).Get()),
             {
                 {u"Progress", 1, F, VT_VOID, {VT_I4, VT_I4}, u"", 0},
                 {u"BurnComplete", 2, F, VT_VOID, {}, u"", 0},
                 {u"EraseComplete", 3, F, VT_VOID, {}, u"", 0},
                 {u"ErrorEvent", 4, F, VT_VOID, {VT_I2}, u"", 0},
                 {u"TrackProgress", 5, F, VT_VOID, {VT_I4, VT_I4}, u"", 0},
                 {u"ClosingDisc", 6, F, VT_VOID, {VT_I4}, u"", 0},
             });
}

TEST(CantrelTypeLib, ClassesAndTheirInterfaces) {
  ComPtr<ITypeLib> lib = LoadCantrelLib();
  struct Impl {
    UINT cls;
    std::vector<std::pair<std::u16string, int>> interfaces;
  };
  const std::vector<Impl> expected = {
      {3, {{u"_Dcantrel", IMPLTYPEFLAG_FDEFAULT}, {u"_DcantrelEvents", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}},
      {4, {{u"IDrives", IMPLTYPEFLAG_FDEFAULT}}},
      {6, {{u"IEnumDrives", IMPLTYPEFLAG_FDEFAULT}}},
      {8, {{u"IDrive", IMPLTYPEFLAG_FDEFAULT}}},
  };
  for (const auto& e : expected) {
    ComPtr<ITypeInfo> cls = Info(lib.Get(), e.cls);
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(cls->GetTypeAttr(&ta), S_OK);
    EXPECT_EQ(ta->cImplTypes, e.interfaces.size());
    EXPECT_EQ(ta->cFuncs + ta->cVars, 0);
    cls->ReleaseTypeAttr(ta);
    for (UINT i = 0; i < e.interfaces.size(); ++i) {
      INT flags = -1;
      HREFTYPE h = 0;
      ASSERT_EQ(cls->GetImplTypeFlags(i, &flags), S_OK);
      ASSERT_EQ(cls->GetRefTypeOfImplType(i, &h), S_OK);
      ComPtr<ITypeInfo> itf;
      ASSERT_EQ(cls->GetRefTypeInfo(h, itf.ReleaseAndGetAddressOf()), S_OK);
      EXPECT_EQ(Doc(itf.Get(), DISPID_UNKNOWN), e.interfaces[i].first);
      EXPECT_EQ(flags, e.interfaces[i].second);
    }
    HREFTYPE h = 0;
    EXPECT_EQ(cls->GetRefTypeOfImplType(static_cast<UINT>(e.interfaces.size()), &h), TYPE_E_ELEMENTNOTFOUND);
  }
  ComPtr<ITypeLib> back;
  UINT index = 0;
  ComPtr<ITypeInfo> control = Info(lib.Get(), 3);
  ASSERT_EQ(control->GetContainingTypeLib(back.ReleaseAndGetAddressOf(), &index), S_OK);
  EXPECT_EQ(back.Get(), lib.Get());
  EXPECT_EQ(index, 3u);
}

TEST(CantrelTypeLib, NameQueries) {
  ComPtr<ITypeLib> lib = LoadCantrelLib();
  std::u16string buf = u"drivES";
  BOOL found = FALSE;
  ASSERT_EQ(lib->IsName(buf.data(), 0, &found), S_OK);
  EXPECT_TRUE(found);
  EXPECT_EQ(buf, u"Drives");  // spelled as the library spells it
  std::u16string missing = u"Frobnicate";
  ASSERT_EQ(lib->IsName(missing.data(), 0, &found), S_OK);
  EXPECT_FALSE(found);

  std::u16string burn = u"BURN";
  ITypeInfo* infos[4] = {};
  MEMBERID ids[4] = {};
  USHORT n = 4;
  ASSERT_EQ(lib->FindName(burn.data(), 0, infos, ids, &n), S_OK);
  ASSERT_EQ(n, 1);
  auto info = ComPtr<ITypeInfo>::Attach(infos[0]);
  EXPECT_EQ(ids[0], 4);
  EXPECT_EQ(Doc(info.Get(), DISPID_UNKNOWN), u"_Dcantrel");
}

TEST(CantrelTypeLib, RegistersLoadsAndUnregisters) {
  ScopedRegistry registry;
  const std::string tlbPath = BinDir() + "/../cantrel.tlb";
  ComPtr<ITypeLib> lib;
  const std::u16string path16 = Utf8ToUtf16(tlbPath);
  ASSERT_EQ(LoadTypeLib(path16.c_str(), lib.ReleaseAndGetAddressOf()), S_OK) << tlbPath;
  ASSERT_EQ(RegisterTypeLib(lib.Get(), path16.c_str(), nullptr), S_OK);

  const reg::RegTree t = reg::Registry().Load();
  const std::string base = "TypeLib\\" + GuidToString(LIBID_cantrelLib) + "\\1.0";
  EXPECT_EQ(t.GetString(base + "\\0\\win32"), tlbPath);
  EXPECT_EQ(t.GetString(base + "\\FLAGS"), "2");
  EXPECT_TRUE(t.GetString(base + "\\HELPDIR"));
  EXPECT_TRUE(t.GetString(base));
  for (const GUID& iid : {IID_IDrives, DIID__Dcantrel, DIID__DcantrelEvents, IID_IEnumDrives, IID_IDrive}) {
    const std::string key = "Interface\\" + GuidToString(iid);
    EXPECT_EQ(t.GetString(key + "\\TypeLib"), GuidToString(LIBID_cantrelLib));
    EXPECT_EQ(t.GetString(key + "\\TypeLib", "Version"), "1.0");
    EXPECT_EQ(t.GetString(key + "\\ProxyStubClsid32"), "{00020420-0000-0000-C000-000000000046}");
  }
  EXPECT_EQ(t.GetString("Interface\\" + GuidToString(DIID__Dcantrel)), "_Dcantrel");
  EXPECT_FALSE(t.HasKey("Interface\\" + GuidToString(CLSID_Cantrel)));  // classes are not interfaces

  // Any locale finds the library; another version does not.
  for (LCID lcid : {0u, 0x0409u, 0x0400u, 0x0804u}) {
    ComPtr<ITypeLib> reg;
    ASSERT_EQ(LoadRegTypeLib(LIBID_cantrelLib, 1, 0, lcid, reg.ReleaseAndGetAddressOf()), S_OK) << lcid;
    EXPECT_EQ(reg->GetTypeInfoCount(), 9u);
  }
  ComPtr<ITypeLib> none;
  EXPECT_EQ(LoadRegTypeLib(LIBID_cantrelLib, 2, 0, 0, none.ReleaseAndGetAddressOf()), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(LoadRegTypeLib(LIBID_cantrelLib, 1, 1, 0, none.ReleaseAndGetAddressOf()), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(LoadRegTypeLib(IID_IDrive, 1, 0, 0, none.ReleaseAndGetAddressOf()), TYPE_E_LIBNOTREGISTERED);

  // Unregistering removes exactly what registering wrote.
  reg::Registry().Update([](reg::RegTree& tree) { tree.SetString("Interface\\{01234567-0000-0000-0000-000000000000}", "", "keep"); });
  ASSERT_EQ(UnRegisterTypeLib(LIBID_cantrelLib, 1, 0, 0, SYS_WIN32), S_OK);
  const reg::RegTree after = reg::Registry().Load();
  EXPECT_FALSE(after.HasKey("TypeLib\\" + GuidToString(LIBID_cantrelLib)));
  EXPECT_FALSE(after.HasKey("Interface\\" + GuidToString(DIID__Dcantrel)));
  EXPECT_TRUE(after.HasKey("Interface\\{01234567-0000-0000-0000-000000000000}"));
  EXPECT_EQ(UnRegisterTypeLib(LIBID_cantrelLib, 1, 0, 0, SYS_WIN32), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(LoadRegTypeLib(LIBID_cantrelLib, 1, 0, 0, none.ReleaseAndGetAddressOf()), TYPE_E_LIBNOTREGISTERED);
}

TEST(CantrelTypeLib, RegistryFailuresAreReported) {
  ScopedRegistry registry;
  testsupport::WriteFileBytes(registry.Path(), {'n', 'o', 't', ' ', 'a', ' ', 'r', 'e', 'g', '\n', '[', '\n'});
  ComPtr<ITypeLib> lib = LoadCantrelLib();
  const std::u16string path = u"/nowhere/cantrel.tlb";
  EXPECT_EQ(RegisterTypeLib(lib.Get(), path.c_str(), nullptr), TYPE_E_REGISTRYACCESS);
  EXPECT_EQ(UnRegisterTypeLib(LIBID_cantrelLib, 1, 0, 0, SYS_WIN32), TYPE_E_REGISTRYACCESS);
  ComPtr<ITypeLib> none;
  EXPECT_EQ(LoadRegTypeLib(LIBID_cantrelLib, 1, 0, 0, none.ReleaseAndGetAddressOf()), TYPE_E_REGISTRYACCESS);
}

TEST(CantrelTypeLib, LoadsFromALibraryResource) {
  // A shared library of the test tree carries the generated file as TYPELIB 1.
  ComPtr<ITypeLib> lib;
  const std::u16string so = Utf8ToUtf16(BinDir() + "/libcantrel_tlb_carrier.so");
  ASSERT_EQ(LoadTypeLib(so.c_str(), lib.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(lib->GetTypeInfoCount(), 9u);
  // Without such a resource the library cannot be loaded as a type library.
  const std::u16string plain = Utf8ToUtf16(BinDir() + "/libpxcom.so");
  EXPECT_EQ(LoadTypeLib(plain.c_str(), lib.ReleaseAndGetAddressOf()), TYPE_E_CANTLOADLIBRARY);
  const std::u16string missing = u"/no/such/file.tlb";
  EXPECT_EQ(LoadTypeLib(missing.c_str(), lib.ReleaseAndGetAddressOf()), TYPE_E_CANTLOADLIBRARY);
  // The standard library is built in.
  ASSERT_EQ(LoadTypeLib(u"stdole2.tlb", lib.ReleaseAndGetAddressOf()), S_OK);
  CBstr name;
  ASSERT_EQ(lib->GetDocumentation(-1, name.ReleaseAndGetAddressOf(), nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(name.Str(), u"stdole");
}

}  // namespace
