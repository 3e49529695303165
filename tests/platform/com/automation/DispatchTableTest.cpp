#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/com/DispatchTable.h"
#include "tests/platform/com/automation/TestDispatchObject.h"

namespace {

struct Target {
  SHORT value = 0;
  VARTYPE echoSeen = VT_EMPTY;
  int putCalls = 0;
};

Target* Self(void* o) { return static_cast<Target*>(o); }

HRESULT GetValue(void* o, VARIANT*, UINT, VARIANT* r) {
  r->vt = VT_I2;
  r->iVal = Self(o)->value;
  return S_OK;
}
HRESULT PutValue(void* o, VARIANT* a, UINT n, VARIANT*) {
  if (n != 1 || a[0].vt != VT_I2) return E_UNEXPECTED;
  Self(o)->value = a[0].iVal;
  return S_OK;
}
HRESULT PutCounted(void* o, VARIANT*, UINT, VARIANT*) {
  ++Self(o)->putCalls;
  return S_OK;
}
HRESULT GetText(void*, VARIANT*, UINT, VARIANT* r) {
  r->vt = VT_BSTR;
  r->bstrVal = SysAllocString(u"locked");
  return S_OK;
}
// a - b: the order shows whether arguments arrive in declaration order.
HRESULT Sub(void*, VARIANT* a, UINT n, VARIANT* r) {
  if (n != 2 || a[0].vt != VT_I2 || a[1].vt != VT_I4) return E_UNEXPECTED;
  r->vt = VT_I4;
  r->lVal = a[0].iVal - a[1].lVal;
  return S_OK;
}
HRESULT Echo(void* o, VARIANT* a, UINT n, VARIANT* r) {
  Self(o)->echoSeen = a[0].vt;
  return VariantCopyInd(r, &a[0]);
}
HRESULT ItemGet(void*, VARIANT* a, UINT, VARIANT* r) {
  r->vt = VT_BSTR;
  r->bstrVal = SysAllocString(u"item");
  return S_OK;
}
// Declared short, answers a long: the table converts.
HRESULT Wide(void*, VARIANT*, UINT, VARIANT* r) {
  r->vt = VT_I4;
  r->lVal = 5;
  return S_OK;
}
HRESULT Fail(void*, VARIANT*, UINT, VARIANT*) { return E_FAIL; }
HRESULT Nothing(void*, VARIANT*, UINT, VARIANT*) { return S_OK; }
HRESULT TextLength(void*, VARIANT* a, UINT, VARIANT* r) {
  if (a[0].vt != VT_BSTR) return E_UNEXPECTED;
  r->vt = VT_I4;
  r->lVal = static_cast<LONG>(SysStringLen(a[0].bstrVal));
  return S_OK;
}

constexpr IID kIid = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

DispMember Member(std::u16string name, DISPID id, DispKind kind, VARTYPE type, std::vector<DispParam> params,
                  DispHandler h, uint32_t flags = DISPF_NONE, DispHandler put = nullptr) {
  return {.name = std::move(name), .dispid = id, .kind = kind, .type = type, .params = std::move(params),
          .flags = flags, .handler = h, .putHandler = put};
}

const DispatchTable& Table() {
  static const DispatchTable t(
      u"_DTest", kIid, u"test",
      {
          Member(u"Value", 1, DispKind::Property, VT_I2, {}, GetValue, DISPF_NONE, PutValue),
          Member(u"Locked", 2, DispKind::Property, VT_BSTR, {}, GetText, DISPF_READONLY, PutCounted),
          Member(u"Sub", 3, DispKind::Method, VT_I4, {{u"a", VT_I2}, {u"b", VT_I4}}, Sub),
          Member(u"Echo", 4, DispKind::Method, VT_VARIANT, {{u"v", VT_VARIANT}}, Echo),
          Member(u"Item", 5, DispKind::PropertyGet, VT_BSTR, {{u"Key", VT_VARIANT}}, ItemGet),
          Member(u"Item", 5, DispKind::PropertyPut, VT_EMPTY, {{u"Key", VT_VARIANT}, {u"", VT_BSTR}}, PutCounted,
                 DISPF_READONLY),
          Member(u"Ghost", 6, DispKind::Method, VT_EMPTY, {}, nullptr),
          Member(u"Wide", 7, DispKind::Method, VT_I2, {}, Wide),
          Member(u"\u00DCn\u00EFcode", 8, DispKind::Method, VT_EMPTY, {}, Fail),
          Member(u"Fail", 9, DispKind::Method, VT_EMPTY, {}, Fail),
          Member(u"Text", 10, DispKind::Method, VT_I4, {{u"s", VT_BSTR}}, TextLength),
          Member(u"Nothing", 11, DispKind::PropertyGet, VT_DISPATCH, {}, Nothing),
          Member(u"_NewEnum", DISPID_NEWENUM, DispKind::PropertyGet, VT_UNKNOWN, {}, GetText,
                 DISPF_RESTRICTED | DISPF_READONLY),
      });
  return t;
}

struct CallResult {
  HRESULT hr;
  UINT argErr;
  CVariant result;
};

// rgvarg as the caller lays it out: last argument first.
CallResult Call(Target& target, DISPID id, WORD flags, std::vector<VARIANT> rgvarg, std::vector<DISPID> named = {}) {
  DISPPARAMS p{};
  p.rgvarg = rgvarg.empty() ? nullptr : rgvarg.data();
  p.cArgs = static_cast<UINT>(rgvarg.size());
  p.rgdispidNamedArgs = named.empty() ? nullptr : named.data();
  p.cNamedArgs = static_cast<UINT>(named.size());
  CallResult r{S_OK, 0xFFFF, {}};
  r.hr = Table().Invoke(&target, id, flags, &p, &r.result, nullptr, &r.argErr);
  return r;
}

VARIANT Plain(const CVariant& v) { return v; }  // borrowed; the CVariant keeps ownership

TEST(DispatchTableInvoke, AnswersEachCallAsDeclared) {
  const CVariant s1 = CVariant::Short(1), l7 = CVariant::Long(7), l5 = CVariant::Long(5), l70k = CVariant::Long(70000),
                 text12 = CVariant::String(u"12"), textX = CVariant::String(u"x"), l9 = CVariant::Long(9),
                 empty;
  constexpr WORD M = DISPATCH_METHOD, G = DISPATCH_PROPERTYGET, P = DISPATCH_PROPERTYPUT;
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<VARIANT> rgvarg;  // last argument first
    std::vector<DISPID> named;
    HRESULT hr;
    UINT argErr;     // 0xFFFF: untouched
    LONG result;     // checked for S_OK calls
  };
  const std::vector<Case> cases = {
      {"unknown DISPID", 99, M, {}, {}, DISP_E_MEMBERNOTFOUND, 0xFFFF, 0},
      {"too few arguments", 3, M, {Plain(l5)}, {}, DISP_E_BADPARAMCOUNT, 0xFFFF, 0},
      {"too many arguments", 3, M, {Plain(l5), Plain(l5), Plain(l5)}, {}, DISP_E_BADPARAMCOUNT, 0xFFFF, 0},
      {"first argument does not convert", 3, M, {Plain(l5), Plain(textX)}, {}, DISP_E_TYPEMISMATCH, 1, 0},
      {"second argument does not convert", 3, M, {Plain(textX), Plain(s1)}, {}, DISP_E_TYPEMISMATCH, 0, 0},
      {"long into short converts", 3, M, {Plain(l5), Plain(l7)}, {}, S_OK, 0xFFFF, 2},
      {"long overflowing a short", 3, M, {Plain(l5), Plain(l70k)}, {}, DISP_E_TYPEMISMATCH, 1, 0},
      {"text 12 into short", 3, M, {Plain(l5), Plain(text12)}, {}, S_OK, 0xFFFF, 7},
      {"empty into short is zero", 3, M, {Plain(l5), Plain(empty)}, {}, S_OK, 0xFFFF, -5},
      {"method and get together reach a method", 3, M | G, {Plain(l5), Plain(l7)}, {}, S_OK, 0xFFFF, 2},
      {"a get does not reach a method", 3, G, {Plain(l5), Plain(l7)}, {}, DISP_E_MEMBERNOTFOUND, 0xFFFF, 0},
      {"a call does not reach a property", 1, M, {}, {}, DISP_E_MEMBERNOTFOUND, 0xFFFF, 0},
      {"method and get together reach a property", 1, M | G, {}, {}, S_OK, 0xFFFF, 3},
      {"named arguments on a call", 3, M, {Plain(l5), Plain(l7)}, {0}, DISP_E_NONAMEDARGS, 0xFFFF, 0},
      {"member without handler", 6, M, {}, {}, DISP_E_MEMBERNOTFOUND, 0xFFFF, 0},
      {"handler failure passes through", 9, M, {}, {}, E_FAIL, 0xFFFF, 0},
      {"result converted to the declared type", 7, M, {}, {}, S_OK, 0xFFFF, 5},
      {"put with a wrong named argument", 1, P, {Plain(l9)}, {0}, DISP_E_PARAMNOTFOUND, 0xFFFF, 0},
      {"put of a read-only property", 2, P, {Plain(textX)}, {DISPID_PROPERTYPUT}, CTL_E_SETNOTSUPPORTED, 0xFFFF, 0},
      {"put of a refused parameterised property", 5, P, {Plain(textX), Plain(s1)}, {DISPID_PROPERTYPUT},
       CTL_E_SETNOTSUPPORTED, 0xFFFF, 0},
      {"put of a get-only read-only property", DISPID_NEWENUM, P, {Plain(s1)}, {DISPID_PROPERTYPUT},
       CTL_E_SETNOTSUPPORTED, 0xFFFF, 0},
      {"put of a method", 3, P, {Plain(s1)}, {DISPID_PROPERTYPUT}, DISP_E_MEMBERNOTFOUND, 0xFFFF, 0},
      {"put without a value", 1, P, {}, {}, DISP_E_BADPARAMCOUNT, 0xFFFF, 0},
      {"get with an argument", 1, G, {Plain(s1)}, {}, DISP_E_BADPARAMCOUNT, 0xFFFF, 0},
      {"no flags at all", 3, 0, {Plain(l5), Plain(l7)}, {}, DISP_E_MEMBERNOTFOUND, 0xFFFF, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Target t;
    t.value = 3;
    CallResult r = Call(t, c.id, c.flags, c.rgvarg, c.named);
    EXPECT_EQ(r.hr, c.hr);
    EXPECT_EQ(r.argErr, c.argErr);
    EXPECT_EQ(t.putCalls, 0);
    if (c.hr != S_OK) {
      EXPECT_EQ(r.result.vt, VT_EMPTY);
    } else {  // Sub answers a long; Wide and the Value getter a short
      ASSERT_EQ(r.result.vt, c.id == 3 ? VT_I4 : VT_I2);
      EXPECT_EQ(c.id == 3 ? r.result.lVal : r.result.iVal, c.result);
    }
  }
}

TEST(DispatchTableInvoke, ByReferenceArgumentsAreRead) {
  Target t;
  SHORT a = 10;
  LONG b = 4;
  VARIANT ra{}, rb{};
  ra.vt = VT_I2 | VT_BYREF;
  ra.piVal = &a;
  rb.vt = VT_I4 | VT_BYREF;
  rb.plVal = &b;
  CallResult r = Call(t, 3, DISPATCH_METHOD, {rb, ra});
  ASSERT_EQ(r.hr, S_OK);
  EXPECT_EQ(r.result.lVal, 6);

  // A variant parameter receives the reference itself.
  r = Call(t, 4, DISPATCH_METHOD, {rb});
  ASSERT_EQ(r.hr, S_OK);
  EXPECT_EQ(t.echoSeen, VT_I4 | VT_BYREF);
  EXPECT_EQ(r.result.vt, VT_I4);
  EXPECT_EQ(r.result.lVal, 4);
}

TEST(DispatchTableInvoke, PutThenGetRoundTrips) {
  Target t;
  const CVariant text = CVariant::String(u"-12");
  ASSERT_EQ(Call(t, 1, DISPATCH_PROPERTYPUT, {Plain(text)}, {DISPID_PROPERTYPUT}).hr, S_OK);
  EXPECT_EQ(t.value, -12);
  CallResult r = Call(t, 1, DISPATCH_PROPERTYGET, {});
  ASSERT_EQ(r.hr, S_OK);
  EXPECT_EQ(r.result.vt, VT_I2);
  EXPECT_EQ(r.result.iVal, -12);
}

TEST(DispatchTableInvoke, ResultIsDroppedWithoutResultVariant) {
  // A string result with nowhere to go must be freed (the sanitizer build sees leaks).
  Target t;
  DISPPARAMS p{};
  EXPECT_EQ(Table().Invoke(&t, 2, DISPATCH_PROPERTYGET, &p, nullptr, nullptr, nullptr), S_OK);
  const CVariant s = CVariant::String(u"four");
  VARIANT arg = s;
  p.rgvarg = &arg;
  p.cArgs = 1;
  CVariant result;
  EXPECT_EQ(Table().Invoke(&t, 10, DISPATCH_METHOD, &p, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.lVal, 4);
  // The caller's string is untouched.
  EXPECT_EQ(std::u16string(s.bstrVal), u"four");
}

TEST(DispatchTableInvoke, AnObjectResultLeftEmptyIsANullReference) {
  Target t;
  CallResult r = Call(t, 11, DISPATCH_PROPERTYGET, {});
  ASSERT_EQ(r.hr, S_OK);
  EXPECT_EQ(r.result.vt, VT_DISPATCH);
  EXPECT_EQ(r.result.pdispVal, nullptr);
}

TEST(DispatchTableInvoke, MissingParametersAreRefused) {
  Target t;
  EXPECT_EQ(Table().Invoke(&t, 1, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
  DISPPARAMS p{};
  p.cArgs = 2;  // claims arguments without an array
  EXPECT_EQ(Table().Invoke(&t, 3, DISPATCH_METHOD, &p, nullptr, nullptr, nullptr), E_INVALIDARG);
}

TEST(DispatchTableNames, ResolvesMembersAndParametersWithoutCase) {
  struct Case {
    std::vector<std::u16string> names;
    HRESULT hr;
    std::vector<DISPID> ids;
  };
  const std::vector<Case> cases = {
      {{u"sUB"}, S_OK, {3}},
      {{u"Sub", u"B", u"a"}, S_OK, {3, 1, 0}},
      {{u"sub", u"c"}, DISP_E_UNKNOWNNAME, {3, DISPID_UNKNOWN}},
      {{u"Nope", u"a"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN, DISPID_UNKNOWN}},
      {{u"item", u"key"}, S_OK, {5, 0}},
      {{u"\u00FCN\u00CFCODE"}, S_OK, {8}},  // Latin letters fold too
      {{u"_newenum"}, S_OK, {DISPID_NEWENUM}},
      {{u"Value", u""}, DISP_E_UNKNOWNNAME, {1, DISPID_UNKNOWN}},  // the unnamed put value has no name
  };
  for (const auto& c : cases) {
    std::vector<LPOLESTR> raw;
    std::vector<std::u16string> copies = c.names;
    for (auto& n : copies) raw.push_back(n.data());
    std::vector<DISPID> ids(raw.size(), 1234);
    EXPECT_EQ(Table().GetIDsOfNames(raw.data(), static_cast<UINT>(raw.size()), ids.data()), c.hr)
        << std::string(c.names[0].begin(), c.names[0].end());
    EXPECT_EQ(ids, c.ids);
  }
}

TEST(DispatchTableBind, AttachesHandlersWithoutChangingTheDeclarations) {
  const DispatchTable bound = Table().Bind({{6, DispKind::Method, Fail}, {2, DispKind::Property, GetValue, PutValue}});
  Target t;
  DISPPARAMS none{};
  CVariant r;
  EXPECT_EQ(bound.Invoke(&t, 6, DISPATCH_METHOD, &none, &r, nullptr, nullptr), E_FAIL);
  EXPECT_EQ(Table().Invoke(&t, 6, DISPATCH_METHOD, &none, &r, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
  // Read-only stays read-only whatever setter is bound.
  VARIANT v = CVariant::Short(1).Detach();
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS put{&v, &named, 1, 1};
  EXPECT_EQ(bound.Invoke(&t, 2, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), CTL_E_SETNOTSUPPORTED);
  EXPECT_EQ(t.value, 0);
  EXPECT_EQ(bound.Members().size(), Table().Members().size());
  EXPECT_EQ(bound.Find(2, DispKind::Property)->handler, GetValue);
  EXPECT_EQ(Table().Find(2, DispKind::Property)->handler, GetText);
}

TEST(DispInvoke, ReversesArgumentsAndNamesThePutValue) {
  Target t;
  TestDispatchObject obj(Table(), &t);
  CVariant r;
  ASSERT_EQ(DispInvoke(&obj, 3, DISPATCH_METHOD, {CVariant::Short(10), CVariant::Long(3)}, &r), S_OK);
  EXPECT_EQ(r.lVal, 7);
  EXPECT_EQ(obj.lastNamedArgs, 0u);

  ASSERT_EQ(DispInvoke(&obj, 1, DISPATCH_PROPERTYPUT, {CVariant::Long(42)}, nullptr), S_OK);
  EXPECT_EQ(obj.lastNamedArgs, 1u);
  EXPECT_EQ(obj.lastNamedArg, DISPID_PROPERTYPUT);
  EXPECT_EQ(t.value, 42);

  // The result variant is reused: its previous string must not leak.
  ASSERT_EQ(DispInvoke(&obj, 2, DISPATCH_PROPERTYGET, {}, &r), S_OK);
  ASSERT_EQ(DispInvoke(&obj, 2, DISPATCH_PROPERTYGET, {}, &r), S_OK);
  EXPECT_EQ(std::u16string(r.bstrVal), u"locked");

  UINT argErr = 0;
  EXPECT_EQ(DispInvoke(&obj, 3, DISPATCH_METHOD, {CVariant::String(u"no"), CVariant::Long(3)}, &r, nullptr, &argErr),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 1u);
  EXPECT_EQ(DispInvoke(nullptr, 3, DISPATCH_METHOD, {}, &r), E_POINTER);
}

}  // namespace
