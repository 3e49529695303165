#include <gtest/gtest.h>

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

TEST(TypeLibBlob, RoundTripsWhatTheControlsLibraryDoesNotShow) {
  const auto blob = BuildTypeLibBlob(Description());
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(LoadTypeLibFromMemory(blob.data(), blob.size(), lib.ReleaseAndGetAddressOf()), S_OK);
  // Everything the control's library shows is pinned by its printed form;
  // what it does not show is checked here.
  TLIBATTR* la = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&la), S_OK);
  EXPECT_EQ(la->lcid, 0x0407u);
  EXPECT_EQ(la->wLibFlags, LIBFLAG_FHIDDEN);
  lib->ReleaseTLibAttr(la);
  DWORD ctx = 0;
  ASSERT_EQ(lib->GetDocumentation(-1, nullptr, nullptr, &ctx, nullptr), S_OK);
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
  TYPEATTR* ta = nullptr;
  ASSERT_EQ(other->GetTypeAttr(&ta), S_OK);
  EXPECT_EQ(ta->guid, kOther);  // a reference forward to a later entry
  other->ReleaseTypeAttr(ta);

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
  blob.push_back(0);  // a byte too many
  EXPECT_EQ(LoadTypeLibFromMemory(blob.data(), blob.size(), lib.ReleaseAndGetAddressOf()), TYPE_E_INVDATAREAD);
  EXPECT_EQ(LoadTypeLibFromMemory(blob.data(), blob.size() - 2, lib.ReleaseAndGetAddressOf()), TYPE_E_INVDATAREAD);
  EXPECT_EQ(LoadTypeLibFromMemory(nullptr, 0, lib.ReleaseAndGetAddressOf()), TYPE_E_INVDATAREAD);
  EXPECT_EQ(LoadTypeLibFromMemory(blob.data(), blob.size() - 1, nullptr), E_INVALIDARG);
}

}  // namespace
