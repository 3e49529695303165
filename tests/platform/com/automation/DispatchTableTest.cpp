#include <gtest/gtest.h>

#include <string>

#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"

namespace {

constexpr IID kIid = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

// An object on the test's stack, called through the table only.
class Target final : public ComObject<Target, IDispatch> {
 public:
  void FinalRelease() {}  // lives on the test's stack
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

  SHORT GetValue() const { return value; }
  void SetValue(SHORT n) { value = n; }
  void Refused(std::u16string_view) {}  // of a read-only member: never reached
  std::u16string Item(const VARIANT&) const { return u"item"; }
  std::u16string Locked() const { return u"locked"; }
  LONG Sub(SHORT a, LONG b) const { return a - b; }  // the order shows in the result
  LONG Echo(const VARIANT& v) const { return v.vt; }  // a variant parameter gets the caller's own
  HRESULT Fail() const { return E_FAIL; }
  LONG Length(std::u16string_view s) const { return static_cast<LONG>(s.size()); }
  ComPtr<IDispatch> Nothing() const { return nullptr; }
  HRESULT Half(LONG n, SHORT* half) const { return n % 2 ? E_INVALIDARG : (*half = static_cast<SHORT>(n / 2), S_OK); }
  LONG Flag(BOOL b) const { return b; }
  BOOL Truth() const { return TRUE; }

  SHORT value = 3;
};

DispMember M(std::u16string name, DISPID id, DispKind kind, VARTYPE type, std::vector<DispParam> params = {},
             uint32_t flags = DISPF_NONE) {
  return {.name = std::move(name), .dispid = id, .kind = kind, .type = type, .params = std::move(params),
          .flags = flags};
}

const DispatchTable& Declared() {
  using K = DispKind;
  static const DispatchTable t(
      u"_DTest", kIid, u"test",
      {M(u"Value", 1, K::Property, VT_I2), M(u"Locked", 2, K::Property, VT_BSTR, {}, DISPF_READONLY),
       M(u"Sub", 3, K::Method, VT_I4, {{u"a", VT_I2}, {u"b", VT_I4}}),
       M(u"Echo", 4, K::Method, VT_I4, {{u"v", VT_VARIANT}}),
       M(u"Item", 5, K::PropertyGet, VT_BSTR, {{u"Key", VT_VARIANT}}),
       M(u"Ghost", 6, K::Method, VT_EMPTY), M(u"Fail", 9, K::Method, VT_EMPTY), M(u"Text", 10, K::Method, VT_I4, {{u"s", VT_BSTR}}),
       M(u"Nothing", 11, K::PropertyGet, VT_DISPATCH), M(u"Half", 12, K::Method, VT_I2, {{u"n", VT_I4}}),
       M(u"Flag", 13, K::Method, VT_I4, {{u"b", VT_BOOL}}), M(u"Truth", 14, K::Method, VT_BOOL),
       M(u"_NewEnum", DISPID_NEWENUM, K::PropertyGet, VT_UNKNOWN, {}, DISPF_RESTRICTED | DISPF_READONLY)});
  return t;
}

const DispatchTable& Table() {
  static const DispatchTable t = Declared().Bind({
      DispProperty<&Target::GetValue, &Target::SetValue>(1), DispProperty<&Target::Locked, &Target::Refused>(2),
      DispMethod<&Target::Sub>(3), DispMethod<&Target::Echo>(4), DispPropertyGet<&Target::Item>(5),
      DispMethod<&Target::Fail>(9), DispMethod<&Target::Length>(10), DispPropertyGet<&Target::Nothing>(11),
      DispMethod<&Target::Half>(12), DispMethod<&Target::Flag>(13), DispMethod<&Target::Truth>(14),
  });
  return t;
}

constexpr WORD M_ = DISPATCH_METHOD, G = DISPATCH_PROPERTYGET, P = DISPATCH_PROPERTYPUT;
constexpr UINT kUntouched = 0xFFFF;

struct InvokeRow {
  const char* name;
  DISPID id;
  WORD flags;
  std::vector<CVariant> args;  // declaration order
  std::vector<DISPID> named;
  HRESULT hr;
  UINT argErr = kUntouched;
  VARTYPE vt = VT_EMPTY;  // the result's type; its value as a long
  LONG result = 0;
  SHORT valueAfter = 3;
};

void PrintTo(const InvokeRow& row, std::ostream* os) { *os << row.name; }

class DispatchTableInvoke : public ::testing::TestWithParam<InvokeRow> {};

TEST_P(DispatchTableInvoke, AnswersAsDeclared) {
  const InvokeRow& row = GetParam();
  std::vector<VARIANT> rgvarg(row.args.rbegin(), row.args.rend());  // borrowed, last argument first
  std::vector<DISPID> named = row.named;
  DISPPARAMS p{rgvarg.empty() ? nullptr : rgvarg.data(), named.empty() ? nullptr : named.data(),
               static_cast<UINT>(rgvarg.size()), static_cast<UINT>(named.size())};
  Target t;
  CVariant result;
  UINT argErr = kUntouched;
  EXPECT_EQ(Table().Invoke(&t, row.id, row.flags, &p, &result, nullptr, &argErr), row.hr);
  EXPECT_EQ(argErr, row.argErr);
  EXPECT_EQ(t.value, row.valueAfter);
  ASSERT_EQ(result.vt, row.vt);
  CVariant asLong;
  if (row.vt != VT_EMPTY && row.vt != VT_DISPATCH) {
    ASSERT_EQ(VariantChangeType(&asLong, &result, 0, VT_I4), S_OK);
  }
  EXPECT_EQ(asLong.lVal, row.result);
}

const CVariant s1 = CVariant::Short(1), l5 = CVariant::Long(5), x = CVariant::String(u"x");
LONG ten = 10, four = 4;
CVariant Ref(LONG* p) {
  CVariant v;
  v.vt = VT_I4 | VT_BYREF;
  v.plVal = p;
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DispatchTableInvoke,
    ::testing::Values(
        InvokeRow{"UnknownDispid", 99, M_, {}, {}, DISP_E_MEMBERNOTFOUND},
        InvokeRow{"TooFewArguments", 3, M_, {l5}, {}, DISP_E_BADPARAMCOUNT},
        InvokeRow{"TooManyArguments", 3, M_, {l5, l5, l5}, {}, DISP_E_BADPARAMCOUNT},
        InvokeRow{"SecondArgumentDoesNotConvert", 3, M_, {s1, x}, {}, DISP_E_TYPEMISMATCH, 0},
        InvokeRow{"LongOverflowingAShort", 3, M_, {CVariant::Long(70000), l5}, {}, DISP_E_TYPEMISMATCH, 1},
        InvokeRow{"MethodAndGetReachAMethod", 3, M_ | G, {s1, l5}, {}, S_OK, kUntouched, VT_I4, -4},
        InvokeRow{"GetDoesNotReachAMethod", 3, G, {s1, l5}, {}, DISP_E_MEMBERNOTFOUND},
        InvokeRow{"CallDoesNotReachAProperty", 1, M_, {}, {}, DISP_E_MEMBERNOTFOUND},
        InvokeRow{"MethodAndGetReachAProperty", 1, M_ | G, {}, {}, S_OK, kUntouched, VT_I2, 3},
        InvokeRow{"NamedArgumentsOnACall", 3, M_, {s1, l5}, {0}, DISP_E_NONAMEDARGS},
        InvokeRow{"MemberWithoutHandler", 6, M_, {}, {}, DISP_E_MEMBERNOTFOUND},
        InvokeRow{"ByReferenceArgumentsAreRead", 3, M_, {Ref(&ten), Ref(&four)}, {}, S_OK, kUntouched, VT_I4, 6},
        InvokeRow{"VariantParameterIsLentAsIs", 4, M_, {Ref(&four)}, {}, S_OK, kUntouched, VT_I4, VT_I4 | VT_BYREF},
        InvokeRow{"StatusOfTheMemberPassesThrough", 9, M_, {}, {}, E_FAIL},
        InvokeRow{"OutParameterAnswers", 12, M_, {CVariant::String(u"8")}, {}, S_OK, kUntouched, VT_I2, 4},
        InvokeRow{"OutParameterMemberFails", 12, M_, {l5}, {}, E_INVALIDARG},
        InvokeRow{"BooleanArrivesAsTrue", 13, M_, {CVariant::Bool(true)}, {}, S_OK, kUntouched, VT_I4, 1},
        InvokeRow{"TrueAnswersAsBoolean", 14, M_, {}, {}, S_OK, kUntouched, VT_BOOL, -1},
        InvokeRow{"EmptyObjectResultIsNull", 11, G, {}, {}, S_OK, kUntouched, VT_DISPATCH},
        InvokeRow{"PutConvertsText", 1, P, {CVariant::String(u"-12")}, {DISPID_PROPERTYPUT}, S_OK, kUntouched,
                  VT_EMPTY, 0, -12},
        InvokeRow{"PutWithAWrongNamedArgument", 1, P, {l5}, {0}, DISP_E_PARAMNOTFOUND},
        InvokeRow{"PutOfAReadOnlyProperty", 2, P, {x}, {DISPID_PROPERTYPUT}, CTL_E_SETNOTSUPPORTED},
        InvokeRow{"PutOfAGetOnlyReadOnlyProperty", DISPID_NEWENUM, P, {s1}, {DISPID_PROPERTYPUT},
                  CTL_E_SETNOTSUPPORTED},
        InvokeRow{"PutOfAMethod", 3, P, {s1}, {DISPID_PROPERTYPUT}, DISP_E_MEMBERNOTFOUND},
        InvokeRow{"PutWithoutAValue", 1, P, {}, {}, DISP_E_BADPARAMCOUNT},
        InvokeRow{"GetWithAnArgument", 1, G, {s1}, {}, DISP_E_BADPARAMCOUNT}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DispatchTable, FreesAResultWithNowhereToGoAndLeavesTheCallersString) {
  Target t;
  DISPPARAMS none{};
  EXPECT_EQ(Table().Invoke(&t, 2, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr), S_OK);
  CVariant s = CVariant::String(u"four");
  DISPPARAMS p{&s, nullptr, 1, 0};
  EXPECT_EQ(Table().Invoke(&t, 10, DISPATCH_METHOD, &p, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(std::u16string(s.bstrVal), u"four");
  EXPECT_EQ(Table().Invoke(&t, 1, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
  p.rgvarg = nullptr;  // claims an argument without an array
  EXPECT_EQ(Table().Invoke(&t, 3, DISPATCH_METHOD, &p, nullptr, nullptr, nullptr), E_INVALIDARG);
}

struct NamesRow {
  const char* name;
  std::vector<std::u16string> names;
  HRESULT hr;
  std::vector<DISPID> ids;
};

void PrintTo(const NamesRow& row, std::ostream* os) { *os << row.name; }

class DispatchTableNames : public ::testing::TestWithParam<NamesRow> {};

TEST_P(DispatchTableNames, ResolveWithoutCase) {
  std::vector<std::u16string> copies = GetParam().names;
  std::vector<LPOLESTR> raw;
  for (auto& n : copies) raw.push_back(n.data());
  std::vector<DISPID> ids(raw.size(), 1234);
  EXPECT_EQ(Table().GetIDsOfNames(raw.data(), static_cast<UINT>(raw.size()), ids.data()), GetParam().hr);
  EXPECT_EQ(ids, GetParam().ids);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DispatchTableNames,
    ::testing::Values(NamesRow{"Member", {u"sUB"}, S_OK, {3}},
                      NamesRow{"Parameters", {u"Sub", u"B", u"a"}, S_OK, {3, 1, 0}},
                      NamesRow{"UnknownParameter", {u"sub", u"c"}, DISP_E_UNKNOWNNAME, {3, DISPID_UNKNOWN}},
                      NamesRow{"UnknownMember", {u"Nope", u"a"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN, DISPID_UNKNOWN}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
