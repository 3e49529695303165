#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "platform/com/ComObject.h"
#include "platform/com/Utf.h"
#include "platform/com/Variant.h"

namespace {

template <class T>
CVariant Of(VARTYPE vt, T VARIANT::*field, T x) {
  CVariant v;
  v.vt = vt;
  v.*field = x;
  return v;
}
CVariant I4(LONG x) { return CVariant::Long(x); }
CVariant I8(LONGLONG x) { return Of(VT_I8, &VARIANT::llVal, x); }
CVariant R4(FLOAT x) { return Of(VT_R4, &VARIANT::fltVal, x); }
CVariant R8(DOUBLE x) { return CVariant::Double(x); }
CVariant Str(std::u16string_view s) { return CVariant::String(s); }
CVariant Null() { return Of<LONG>(VT_NULL, &VARIANT::lVal, 0); }

// The value as text, through the conversion the text rows check.
std::string Text(const VARIANT& v) {
  CVariant t;
  if (v.vt == VT_EMPTY || v.vt == VT_NULL || FAILED(VariantChangeType(&t, &v, VARIANT_ALPHABOOL, VT_BSTR)))
    return "vt " + std::to_string(v.vt);
  return Utf16ToUtf8(t.bstrVal ? t.bstrVal : u"");
}

struct Row {
  const char* name;
  CVariant src;
  VARTYPE vt;
  HRESULT hr;
  std::string expected = "";  // the result as text, when the conversion succeeds
  USHORT flags = 0;
};

void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }
class ChangeType : public testing::TestWithParam<Row> {};

TEST_P(ChangeType, ConvertsOrFailsLeavingTheDestination) {
  const Row& r = GetParam();
  CVariant dest = Str(u"untouched");
  ASSERT_EQ(VariantChangeType(&dest, &r.src, r.flags, r.vt), r.hr);
  EXPECT_EQ(dest.vt, FAILED(r.hr) ? VARTYPE{VT_BSTR} : r.vt);
  EXPECT_EQ(Text(dest), FAILED(r.hr) ? "untouched" : r.expected);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr LONGLONG kI8Min = std::numeric_limits<LONGLONG>::min();
LONG g_ref = 7;
CVariant g_inner = R8(2.5);

INSTANTIATE_TEST_SUITE_P(
    Table, ChangeType,
    testing::Values(
        Row{"I1Max", I4(127), VT_I1, S_OK, "127"}, Row{"I1Over", I4(128), VT_I1, DISP_E_OVERFLOW},
        Row{"UI1Under", I4(-1), VT_UI1, DISP_E_OVERFLOW}, Row{"UI4Max", I8(4294967295LL), VT_UI4, S_OK, "4294967295"},
        Row{"I8FromUI8Over", Of<ULONGLONG>(VT_UI8, &VARIANT::ullVal, 9223372036854775808ULL), VT_I8, DISP_E_OVERFLOW},
        Row{"I8MinText", I8(kI8Min), VT_BSTR, S_OK, "-9223372036854775808"},
        Row{"HalfToEven", R8(2.5), VT_I4, S_OK, "2"}, Row{"R4HalfToEvenNegative", R4(-1.5f), VT_I2, S_OK, "-2"},
        Row{"RoundingInRange", R8(126.5), VT_I1, S_OK, "126"},
        Row{"RoundingOutOfRange", R8(127.5), VT_I1, DISP_E_OVERFLOW},
        Row{"NegativeHalfToUI1", R8(-0.5), VT_UI1, S_OK, "0"}, Row{"NegativeToUI1", R8(-0.6), VT_UI1, DISP_E_OVERFLOW},
        Row{"NaN", R8(kNaN), VT_I4, DISP_E_OVERFLOW}, Row{"R8TooBigForR4", R8(1e300), VT_R4, DISP_E_OVERFLOW},
        Row{"TextSpaces", Str(u"\t-17 "), VT_I4, S_OK, "-17"}, Row{"TextExponent", Str(u"1.5E+2"), VT_I4, S_OK, "150"},
        Row{"TextHex", Str(u"&H1F"), VT_I4, S_OK, "31"}, Row{"TextOctal", Str(u"&O17"), VT_I4, S_OK, "15"},
        Row{"TextBadOctal", Str(u"&O8"), VT_I4, DISP_E_TYPEMISMATCH},
        Row{"TextEmpty", Str(u""), VT_I4, DISP_E_TYPEMISMATCH},
        Row{"TextInner", Str(u"1 2"), VT_I4, DISP_E_TYPEMISMATCH},
        Row{"TextCStyleHex", Str(u"0x10"), VT_I4, DISP_E_TYPEMISMATCH},
        Row{"TextArabicDigit", Str(u"\u0661"), VT_I4, DISP_E_TYPEMISMATCH},
        Row{"TextInf", Str(u"inf"), VT_R8, DISP_E_TYPEMISMATCH}, Row{"TextR8Under", Str(u"1e-400"), VT_R8, S_OK, "0"},
        Row{"TextHugeExponent", Str(u"1e1000000000000000000000"), VT_R8, DISP_E_OVERFLOW},
        Row{"TextUI8Max", Str(u"18446744073709551615"), VT_UI8, S_OK, "18446744073709551615"},
        Row{"R8Tenth", R8(0.1), VT_BSTR, S_OK, "0.1"}, Row{"R8Large", R8(1e20), VT_BSTR, S_OK, "1E+20"},
        Row{"R8Fifteen", R8(123456789012345.0), VT_BSTR, S_OK, "123456789012345"},
        Row{"R8Small", R8(0.00001), VT_BSTR, S_OK, "1E-05"},
        Row{"R8Third", R8(1.0 / 3), VT_BSTR, S_OK, "0.3333333333333333"},
        Row{"R4Tenth", R4(0.1f), VT_BSTR, S_OK, "0.1"}, Row{"BoolAsNumber", CVariant::Bool(true), VT_BSTR, S_OK, "-1"},
        Row{"BoolAsWord", CVariant::Bool(false), VT_BSTR, S_OK, "False", VARIANT_ALPHABOOL},
        Row{"NonZeroIsTrue", R8(0.1), VT_BOOL, S_OK, "True"}, Row{"TextTrue", Str(u"TRUE"), VT_BOOL, S_OK, "True"},
        Row{"TextNumberBool", Str(u"0"), VT_BOOL, S_OK, "False"},
        Row{"TextYes", Str(u"yes"), VT_BOOL, DISP_E_TYPEMISMATCH}, Row{"EmptyIsZero", CVariant(), VT_I4, S_OK, "0"},
        Row{"EmptyIsNoText", CVariant(), VT_BSTR, S_OK, ""}, Row{"NullIsNoNumber", Null(), VT_I4, DISP_E_TYPEMISMATCH},
        Row{"AnythingToEmpty", I4(3), VT_EMPTY, S_OK, "vt 0"},
        Row{"ErrorIsNoNumber", Of<SCODE>(VT_ERROR, &VARIANT::scode, DISP_E_PARAMNOTFOUND), VT_I4, DISP_E_TYPEMISMATCH},
        Row{"NoCurrency", I4(1), VT_CY, DISP_E_BADVARTYPE},
        Row{"NoByRefTarget", I4(1), VT_I4 | VT_BYREF, DISP_E_BADVARTYPE},
        Row{"ByRefRead", Of<void*>(VT_I4 | VT_BYREF, &VARIANT::byref, &g_ref), VT_BSTR, S_OK, "7"},
        Row{"ByRefVariant", Of<void*>(VT_VARIANT | VT_BYREF, &VARIANT::byref, &g_inner), VT_I4, S_OK, "2"},
        Row{"ByRefNull", Of<void*>(VT_I4 | VT_BYREF, &VARIANT::byref, nullptr), VT_BSTR, E_INVALIDARG}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

// Answers IDispatch only when asked to; lives on the test's stack.
class Counted final : public ComObject<Counted, IUnknown> {
 public:
  void FinalRelease() {}
};

// Counts handed over in place and kept by conversions: the fuzzer's oracle.
TEST(Variant, ObjectsConvertOnlyToObjectsAndCopiesOwnWhatTheyHold) {
  Counted object;
  {
    CVariant u = CVariant::Unknown(&object);
    CVariant dest = I4(9);
    EXPECT_EQ(VariantChangeType(&dest, &u, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(&dest, &u, 0, VT_DISPATCH), E_NOINTERFACE);
    ASSERT_EQ(VariantCopy(&u, &u), S_OK);
    EXPECT_EQ(object.RefCount(), 2u);
  }
  EXPECT_EQ(object.RefCount(), 1u);

  BSTR b = SysAllocString(u"kept");
  CVariant ref = Of<void*>(VT_BSTR | VT_BYREF, &VARIANT::byref, &b);
  CVariant refCopy, deref;
  ASSERT_EQ(VariantCopy(&refCopy, &ref), S_OK);
  refCopy.Clear();  // a reference is not freed
  ASSERT_EQ(VariantCopyInd(&deref, &ref), S_OK);
  EXPECT_NE(deref.bstrVal, b);
  EXPECT_EQ(Text(deref), "kept");
  SysFreeString(b);
}

}  // namespace
