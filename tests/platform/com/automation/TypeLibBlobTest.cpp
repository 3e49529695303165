#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/TypeLib.h"

namespace {

constexpr GUID kLib = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
constexpr GUID kItf = {0x10, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
constexpr GUID kOther = {0x20, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
constexpr GUID kClass = {0x30, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};

const DispatchTable& Members() {
  static const DispatchTable t(u"IThing", kItf, u"things",
                               {
                                   {u"Size", 1, DispKind::Property, VT_I4, {}, {}, u"property Size"},
                                   // Refers forward to a later entry.
                                   {u"Other", 2, DispKind::Property, VT_DISPATCH, u"IOther", {}, u"", DISPF_READONLY},
                                   {u"Go", 3, DispKind::Method, VT_BSTR, {}, {{u"x", VT_I2}, {u"y", VT_VARIANT}}},
                               });
  return t;
}
const DispatchTable& OtherMembers() {
  static const DispatchTable t(u"IOther", kOther, u"", {});
  return t;
}

TypeLibDescription Description() {
  return {.name = u"thingLib", .guid = kLib, .majorVersion = 2, .minorVersion = 3, .lcid = 0x0407,
          .libFlags = LIBFLAG_FHIDDEN, .helpString = u"things", .helpFile = u"thing.hlp", .helpContext = 9,
          .importedLibraries = {u"stdole2.tlb"},
          .entries = {{.name = u"IThing", .guid = kItf, .members = &Members()},
                      {.kind = TKIND_COCLASS, .name = u"Thing", .guid = kClass, .typeFlags = TYPEFLAG_FCANCREATE,
                       .implTypes = {{u"IThing", IMPLTYPEFLAG_FDEFAULT}, {u"IOther", IMPLTYPEFLAG_FSOURCE}}},
                      {.name = u"IOther", .guid = kOther, .members = &OtherMembers()}}};
}

// Walks everything a loaded library offers; used on damaged input that the
// parser accepted, where it must still never read out of bounds.
void WalkLibrary(ITypeLib* lib) {
  TLIBATTR* la = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&la), S_OK);
  lib->ReleaseTLibAttr(la);
  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> ti;
    ASSERT_EQ(lib->GetTypeInfo(i, ti.ReleaseAndGetAddressOf()), S_OK);
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(ti->GetTypeAttr(&ta), S_OK);
    for (UINT f = 0; f < ta->cFuncs; ++f) {
      FUNCDESC* fd = nullptr;
      ASSERT_EQ(ti->GetFuncDesc(f, &fd), S_OK);
      BSTR names[8] = {};
      UINT n = 0;
      ti->GetNames(fd->memid, names, 8, &n);
      for (UINT k = 0; k < n; ++k) SysFreeString(names[k]);
      if (fd->elemdescFunc.tdesc.vt == VT_PTR) {
        ComPtr<ITypeInfo> ref;
        EXPECT_EQ(ti->GetRefTypeInfo(fd->elemdescFunc.tdesc.lptdesc->hreftype, ref.ReleaseAndGetAddressOf()), S_OK);
      }
      ti->ReleaseFuncDesc(fd);
    }
    for (UINT v = 0; v < ta->cVars; ++v) {
      VARDESC* vd = nullptr;
      ASSERT_EQ(ti->GetVarDesc(v, &vd), S_OK);
      ti->ReleaseVarDesc(vd);
    }
    for (UINT k = 0; k < ta->cImplTypes; ++k) {
      HREFTYPE h = 0;
      ASSERT_EQ(ti->GetRefTypeOfImplType(k, &h), S_OK);
      ComPtr<ITypeInfo> ref;
      EXPECT_EQ(ti->GetRefTypeInfo(h, ref.ReleaseAndGetAddressOf()), S_OK);
    }
    ti->ReleaseTypeAttr(ta);
  }
}

TEST(TypeLibBlob, RoundTripsADescription) {
  const auto blob = BuildTypeLibBlob(Description());
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(LoadTypeLibFromMemory(blob.data(), blob.size(), lib.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(lib->GetTypeInfoCount(), 3u);
  TLIBATTR* la = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&la), S_OK);
  EXPECT_EQ(la->guid, kLib);
  EXPECT_EQ(la->lcid, 0x0407u);
  EXPECT_EQ(la->wMajorVerNum, 2);
  EXPECT_EQ(la->wMinorVerNum, 3);
  EXPECT_EQ(la->wLibFlags, LIBFLAG_FHIDDEN);
  lib->ReleaseTLibAttr(la);
  CBstr name, doc, file;
  DWORD ctx = 0;
  ASSERT_EQ(lib->GetDocumentation(-1, name.ReleaseAndGetAddressOf(), doc.ReleaseAndGetAddressOf(), &ctx,
                                  file.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(name.Str(), u"thingLib");
  EXPECT_EQ(doc.Str(), u"things");
  EXPECT_EQ(file.Str(), u"thing.hlp");
  EXPECT_EQ(ctx, 9u);

  ComPtr<ITypeInfo> thing;
  ASSERT_EQ(lib->GetTypeInfo(0, thing.ReleaseAndGetAddressOf()), S_OK);
  VARDESC* vd = nullptr;
  ASSERT_EQ(thing->GetVarDesc(1, &vd), S_OK);
  ASSERT_EQ(vd->elemdescVar.tdesc.vt, VT_PTR);
  ASSERT_EQ(vd->elemdescVar.tdesc.lptdesc->vt, VT_USERDEFINED);
  ComPtr<ITypeInfo> other;
  ASSERT_EQ(thing->GetRefTypeInfo(vd->elemdescVar.tdesc.lptdesc->hreftype, other.ReleaseAndGetAddressOf()), S_OK);
  thing->ReleaseVarDesc(vd);
  CBstr otherName;
  ASSERT_EQ(other->GetDocumentation(DISPID_UNKNOWN, otherName.ReleaseAndGetAddressOf(), nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(otherName.Str(), u"IOther");

  FUNCDESC* fd = nullptr;
  ASSERT_EQ(thing->GetFuncDesc(0, &fd), S_OK);
  EXPECT_EQ(fd->memid, 3);
  EXPECT_EQ(fd->elemdescFunc.tdesc.vt, VT_BSTR);
  ASSERT_EQ(fd->cParams, 2);
  EXPECT_EQ(fd->lprgelemdescParam[0].tdesc.vt, VT_I2);
  EXPECT_EQ(fd->lprgelemdescParam[1].tdesc.vt, VT_VARIANT);
  thing->ReleaseFuncDesc(fd);
  WalkLibrary(lib.Get());
}

TEST(TypeLibBlob, RefusesEveryTruncation) {
  const auto blob = BuildTypeLibBlob(Description());
  for (size_t n = 0; n < blob.size(); ++n) {
    ComPtr<ITypeLib> lib;
    const HRESULT hr = LoadTypeLibFromMemory(blob.data(), n, lib.ReleaseAndGetAddressOf());
    EXPECT_TRUE(hr == TYPE_E_INVDATAREAD || hr == TYPE_E_UNSUPFORMAT) << "length " << n << " hr " << std::hex << hr;
    EXPECT_FALSE(lib);
  }
  // Extra bytes are refused too.
  auto longer = blob;
  longer.push_back(0);
  ComPtr<ITypeLib> lib;
  EXPECT_EQ(LoadTypeLibFromMemory(longer.data(), longer.size(), lib.ReleaseAndGetAddressOf()), TYPE_E_INVDATAREAD);
}

TEST(TypeLibBlob, TellsForeignFormatsFromDamage) {
  auto blob = BuildTypeLibBlob(Description());
  ComPtr<ITypeLib> lib;
  const struct {
    size_t at;
    uint8_t value;
    HRESULT hr;
  } rows[] = {{0, 'M', TYPE_E_UNSUPFORMAT}, {4, 9, TYPE_E_UNSUPFORMAT}, {8, uint8_t(blob[8] ^ 1), TYPE_E_INVDATAREAD}};
  for (const auto& r : rows) {
    auto bad = blob;
    bad[r.at] = r.value;
    EXPECT_EQ(LoadTypeLibFromMemory(bad.data(), bad.size(), lib.ReleaseAndGetAddressOf()), r.hr) << r.at;
  }
  EXPECT_EQ(LoadTypeLibFromMemory(nullptr, 0, lib.ReleaseAndGetAddressOf()), TYPE_E_INVDATAREAD);
  EXPECT_EQ(LoadTypeLibFromMemory(blob.data(), blob.size(), nullptr), E_INVALIDARG);
}

TEST(TypeLibBlob, SurvivesRandomByteFlips) {
  const auto blob = BuildTypeLibBlob(Description());
  std::mt19937 rng(1234);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    auto bad = blob;
    const int flips = 1 + static_cast<int>(rng() % 3);
    // The header's size field would refuse nearly everything; damage the body.
    for (int k = 0; k < flips; ++k) bad[12 + rng() % (bad.size() - 12)] ^= static_cast<uint8_t>(1 + rng() % 255);
    ComPtr<ITypeLib> lib;
    const HRESULT hr = LoadTypeLibFromMemory(bad.data(), bad.size(), lib.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr)) {
      ++accepted;
      WalkLibrary(lib.Get());
    } else {
      EXPECT_TRUE(hr == TYPE_E_INVDATAREAD || hr == TYPE_E_UNSUPFORMAT) << std::hex << hr;
    }
  }
  // Damage to text and GUIDs is undetectable, so some inputs must load.
  EXPECT_GT(accepted, 0);
}

TEST(TypeLibBlob, BuilderRefusesDanglingReferences) {
  auto d = Description();
  d.entries[1].implTypes.push_back({u"INowhere", 0});
  EXPECT_THROW(BuildTypeLibBlob(d), std::invalid_argument);

  static const DispatchTable dangling(u"IBad", kItf, u"",
                                      {{u"P", 1, DispKind::Property, VT_DISPATCH, u"INowhere", {}, u"", 0}});
  auto e = Description();
  e.entries[0].members = &dangling;
  EXPECT_THROW(BuildTypeLibBlob(e), std::invalid_argument);
}

}  // namespace
