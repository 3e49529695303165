#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/Utf.h"
#include "platform/com/Variant.h"

namespace {

template <class Set>
CVariant Make(VARTYPE vt, Set set) {
  CVariant v;
  v.vt = vt;
  set(v);
  return v;
}
CVariant I1(CHAR x) { return Make(VT_I1, [&](VARIANT& v) { v.cVal = x; }); }
CVariant UI1(BYTE x) { return Make(VT_UI1, [&](VARIANT& v) { v.bVal = x; }); }
CVariant I2(SHORT x) { return CVariant::Short(x); }
CVariant UI2(USHORT x) { return Make(VT_UI2, [&](VARIANT& v) { v.uiVal = x; }); }
CVariant I4(LONG x) { return CVariant::Long(x); }
CVariant UI4(ULONG x) { return Make(VT_UI4, [&](VARIANT& v) { v.ulVal = x; }); }
CVariant Int(INT x) { return Make(VT_INT, [&](VARIANT& v) { v.intVal = x; }); }
CVariant UInt(UINT x) { return Make(VT_UINT, [&](VARIANT& v) { v.uintVal = x; }); }
CVariant I8(LONGLONG x) { return Make(VT_I8, [&](VARIANT& v) { v.llVal = x; }); }
CVariant UI8(ULONGLONG x) { return Make(VT_UI8, [&](VARIANT& v) { v.ullVal = x; }); }
CVariant R4(FLOAT x) { return Make(VT_R4, [&](VARIANT& v) { v.fltVal = x; }); }
CVariant R8(DOUBLE x) { return CVariant::Double(x); }
CVariant Bool(bool x) { return CVariant::Bool(x); }
CVariant Str(std::u16string_view s) { return CVariant::String(s); }
CVariant Empty() { return CVariant(); }
CVariant Null() { return Make(VT_NULL, [](VARIANT&) {}); }
CVariant Error(SCODE s) { return Make(VT_ERROR, [&](VARIANT& v) { v.scode = s; }); }
CVariant Ref(VARTYPE vt, void* p) { return Make(vt | VT_BYREF, [p](VARIANT& v) { v.byref = p; }); }

std::string Describe(const VARIANT& v) {
  std::string s = "vt=" + std::to_string(v.vt) + " ";
  switch (v.vt) {
    case VT_BSTR: return s + "\"" + Utf16ToUtf8(v.bstrVal ? v.bstrVal : u"") + "\"";
    case VT_R4: return s + std::to_string(v.fltVal);
    case VT_R8: return s + std::to_string(v.dblVal);
    default: return s + "bits=" + std::to_string(v.llVal);
  }
}

bool SameValue(const VARIANT& a, const VARIANT& b) {
  if (a.vt != b.vt) return false;
  switch (a.vt) {
    case VT_EMPTY: case VT_NULL: return true;
    case VT_I1: return a.cVal == b.cVal;
    case VT_UI1: return a.bVal == b.bVal;
    case VT_I2: return a.iVal == b.iVal;
    case VT_UI2: return a.uiVal == b.uiVal;
    case VT_I4: return a.lVal == b.lVal;
    case VT_UI4: return a.ulVal == b.ulVal;
    case VT_INT: return a.intVal == b.intVal;
    case VT_UINT: return a.uintVal == b.uintVal;
    case VT_I8: return a.llVal == b.llVal;
    case VT_UI8: return a.ullVal == b.ullVal;
    case VT_R4: return a.fltVal == b.fltVal;
    case VT_R8: return a.dblVal == b.dblVal;
    case VT_BOOL: return a.boolVal == b.boolVal;
    case VT_ERROR: return a.scode == b.scode;
    case VT_BSTR: return CBstr(a.bstrVal ? a.bstrVal : u"").View() == CBstr(b.bstrVal ? b.bstrVal : u"").View();
    default: return false;
  }
}

struct Case {
  CVariant src;
  VARTYPE vt;
  HRESULT hr;
  CVariant expected;  // checked when hr succeeds
  USHORT flags = 0;
};

Case Ok(CVariant src, CVariant expected, USHORT flags = 0) {
  VARTYPE vt = expected.vt;
  return Case{std::move(src), vt, S_OK, std::move(expected), flags};
}
Case Fails(CVariant src, VARTYPE vt, HRESULT hr) { return Case{std::move(src), vt, hr, CVariant()}; }

void RunCases(const std::vector<Case>& cases) {
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    CVariant dest = Str(u"untouched");
    HRESULT hr = VariantChangeType(&dest, &c.src, c.flags, c.vt);
    SCOPED_TRACE("case " + std::to_string(i) + ": " + Describe(c.src) + " -> vt " + std::to_string(c.vt));
    EXPECT_EQ(hr, c.hr);
    if (SUCCEEDED(c.hr)) {
      EXPECT_TRUE(SameValue(dest, c.expected)) << "got " << Describe(dest) << ", want " << Describe(c.expected);
    } else {
      EXPECT_TRUE(SameValue(dest, Str(u"untouched"))) << "failure changed the destination: " << Describe(dest);
    }
  }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(VariantChangeType, IntegerLimits) {
  RunCases({
      Ok(I4(127), I1(127)), Fails(I4(128), VT_I1, DISP_E_OVERFLOW),
      Ok(I4(-128), I1(-128)), Fails(I4(-129), VT_I1, DISP_E_OVERFLOW),
      Ok(I4(255), UI1(255)), Fails(I4(256), VT_UI1, DISP_E_OVERFLOW), Fails(I4(-1), VT_UI1, DISP_E_OVERFLOW),
      Ok(I4(32767), I2(32767)), Fails(I4(32768), VT_I2, DISP_E_OVERFLOW),
      Ok(I4(-32768), I2(-32768)), Fails(I4(-32769), VT_I2, DISP_E_OVERFLOW),
      Ok(I4(65535), UI2(65535)), Fails(I4(65536), VT_UI2, DISP_E_OVERFLOW), Fails(I2(-1), VT_UI2, DISP_E_OVERFLOW),
      Ok(I8(2147483647), I4(2147483647)), Fails(I8(2147483648LL), VT_I4, DISP_E_OVERFLOW),
      Ok(I8(-2147483647 - 1), I4(-2147483647 - 1)), Fails(I8(-2147483649LL), VT_I4, DISP_E_OVERFLOW),
      Ok(I8(4294967295LL), UI4(4294967295u)), Fails(I8(4294967296LL), VT_UI4, DISP_E_OVERFLOW),
      Fails(I4(-1), VT_UI4, DISP_E_OVERFLOW),
      Ok(UI4(0xFFFFFFFFu), UInt(0xFFFFFFFFu)), Fails(UI4(0x80000000u), VT_INT, DISP_E_OVERFLOW), Ok(I2(-5), Int(-5)),
      Ok(UI8(9223372036854775807ULL), I8(9223372036854775807LL)),
      Fails(UI8(9223372036854775808ULL), VT_I8, DISP_E_OVERFLOW), Fails(I8(-1), VT_UI8, DISP_E_OVERFLOW),
      Ok(I8(std::numeric_limits<LONGLONG>::min()), R8(-9223372036854775808.0)),
      Ok(UI1(200), I2(200)), Ok(I1(-7), I8(-7)), Ok(UI8(18446744073709551615ULL), R8(18446744073709551615.0)),
  });
}

TEST(VariantChangeType, RealsRoundHalfToEven) {
  RunCases({
      Ok(R8(2.5), I4(2)), Ok(R8(3.5), I4(4)), Ok(R8(-2.5), I4(-2)), Ok(R8(-3.5), I4(-4)),
      Ok(R8(0.5), I4(0)), Ok(R8(1.5), I4(2)), Ok(R8(-0.5), I4(0)), Ok(R8(2.4999999), I4(2)),
      Ok(R8(2.5000001), I4(3)), Ok(R4(2.5f), I2(2)), Ok(R4(-1.5f), I2(-2)),
      // Rounding decides the range check.
      Ok(R8(126.5), I1(126)), Fails(R8(127.5), VT_I1, DISP_E_OVERFLOW), Ok(R8(-128.5), I1(-128)),
      Fails(R8(-129.5), VT_I1, DISP_E_OVERFLOW), Ok(R8(254.5), UI1(254)), Fails(R8(255.5), VT_UI1, DISP_E_OVERFLOW),
      Ok(R8(-0.5), UI1(0)), Fails(R8(-0.6), VT_UI1, DISP_E_OVERFLOW),
      Ok(R8(2147483647.4), I4(2147483647)), Fails(R8(2147483647.5), VT_I4, DISP_E_OVERFLOW),
      Ok(R8(-2147483648.5), I4(-2147483647 - 1)), Fails(R8(-2147483649.5), VT_I4, DISP_E_OVERFLOW),
      Fails(R8(9223372036854775808.0), VT_I8, DISP_E_OVERFLOW),
      Ok(R8(-9223372036854775808.0), I8(std::numeric_limits<LONGLONG>::min())),
      Fails(R8(18446744073709551616.0), VT_UI8, DISP_E_OVERFLOW),
      Fails(R8(1e300), VT_I4, DISP_E_OVERFLOW), Fails(R8(kNaN), VT_I4, DISP_E_OVERFLOW),
      Fails(R8(kInf), VT_I2, DISP_E_OVERFLOW), Fails(R8(-kInf), VT_UI8, DISP_E_OVERFLOW),
      Fails(R8(1e300), VT_R4, DISP_E_OVERFLOW), Ok(R8(0.1), R4(0.1f)), Ok(R4(0.5f), R8(0.5)),
  });
}

TEST(VariantChangeType, NumbersFromText) {
  RunCases({
      Ok(Str(u" 42 "), I4(42)), Ok(Str(u"\t-17\t"), I4(-17)), Ok(Str(u"+5"), I4(5)), Ok(Str(u"2.5"), I4(2)),
      Ok(Str(u"3.5"), I4(4)), Ok(Str(u"1e3"), I4(1000)), Ok(Str(u"1.5E+2"), I2(150)), Ok(Str(u"-0"), I4(0)),
      Ok(Str(u"0.1"), R8(0.1)), Ok(Str(u".5"), R8(0.5)), Ok(Str(u"5."), R8(5)), Ok(Str(u"1e-400"), R8(0)),
      Ok(Str(u"&H1F"), I4(31)), Ok(Str(u"&hff"), UI1(255)), Fails(Str(u"&H100"), VT_UI1, DISP_E_OVERFLOW),
      Ok(Str(u"&O17"), I4(15)), Fails(Str(u"&O8"), VT_I4, DISP_E_TYPEMISMATCH),
      Fails(Str(u"&HG"), VT_I4, DISP_E_TYPEMISMATCH),
      Fails(Str(u"&H1FFFFFFFFFFFFFFFF"), VT_UI8, DISP_E_OVERFLOW),
      Fails(Str(u""), VT_I4, DISP_E_TYPEMISMATCH), Fails(Str(u"   "), VT_I4, DISP_E_TYPEMISMATCH),
      Fails(Str(u"abc"), VT_I4, DISP_E_TYPEMISMATCH), Fails(Str(u"12abc"), VT_I4, DISP_E_TYPEMISMATCH),
      Fails(Str(u"1 2"), VT_I4, DISP_E_TYPEMISMATCH), Fails(Str(u"."), VT_R8, DISP_E_TYPEMISMATCH),
      Fails(Str(u"1e"), VT_R8, DISP_E_TYPEMISMATCH), Fails(Str(u"--1"), VT_I4, DISP_E_TYPEMISMATCH),
      Fails(Str(u"inf"), VT_R8, DISP_E_TYPEMISMATCH), Fails(Str(u"nan"), VT_R8, DISP_E_TYPEMISMATCH),
      Fails(Str(u"0x10"), VT_I4, DISP_E_TYPEMISMATCH), Fails(Str(u"\u0661"), VT_I4, DISP_E_TYPEMISMATCH),
      Fails(Str(u"1e400"), VT_R8, DISP_E_OVERFLOW), Fails(Str(u"-1e400"), VT_R8, DISP_E_OVERFLOW),
      Fails(Str(u"1e400"), VT_I4, DISP_E_OVERFLOW),
      Fails(Str(u"2147483648"), VT_I4, DISP_E_OVERFLOW), Ok(Str(u"-2147483648"), I4(-2147483647 - 1)),
      Ok(Str(u"9223372036854775807"), I8(9223372036854775807LL)),
      Fails(Str(u"9223372036854775808"), VT_I8, DISP_E_OVERFLOW),
      Ok(Str(u"18446744073709551615"), UI8(18446744073709551615ULL)),
      Fails(Str(u"18446744073709551616"), VT_UI8, DISP_E_OVERFLOW), Fails(Str(u"-1"), VT_UI4, DISP_E_OVERFLOW),
      Fails(Str(u"1e1000000000000000000000"), VT_R8, DISP_E_OVERFLOW),
      Ok(Str(u"1e-1000000000000000000000"), R8(0)),
  });
}

TEST(VariantChangeType, NumbersToText) {
  RunCases({
      Ok(R8(0.1), Str(u"0.1")), Ok(R8(1e20), Str(u"1E+20")), Ok(R8(123456789012345.0), Str(u"123456789012345")),
      Ok(R8(1e15), Str(u"1E+15")), Ok(R8(-2.5), Str(u"-2.5")), Ok(R8(1.0 / 3), Str(u"0.3333333333333333")),
      Ok(R8(0.0001), Str(u"0.0001")), Ok(R8(0.00001), Str(u"1E-05")), Ok(R8(0), Str(u"0")),
      Ok(R8(1e-300), Str(u"1E-300")), Ok(R8(100), Str(u"100")), Ok(R8(1234.5), Str(u"1234.5")),
      Ok(R4(0.1f), Str(u"0.1")), Ok(R4(1e7f), Str(u"1E+07")), Ok(R4(1234567.0f), Str(u"1234567")),
      Ok(I4(-5), Str(u"-5")), Ok(UI8(18446744073709551615ULL), Str(u"18446744073709551615")),
      Ok(I8(std::numeric_limits<LONGLONG>::min()), Str(u"-9223372036854775808")), Ok(I1(-128), Str(u"-128")),
      Ok(UI1(255), Str(u"255")),
  });
}

TEST(VariantChangeType, TextRoundTripsReals) {
  for (double d : {0.1, 1.0 / 3, 2.0 / 3, 1e20, 1e-7, 123.456, -9.87654321e-300, 1.7976931348623157e308}) {
    CVariant text;
    CVariant src = R8(d);
    ASSERT_EQ(VariantChangeType(&text, &src, 0, VT_BSTR), S_OK);
    CVariant back;
    ASSERT_EQ(VariantChangeType(&back, &text, 0, VT_R8), S_OK);
    EXPECT_EQ(back.dblVal, d) << Describe(text);
  }
}

TEST(VariantChangeType, Booleans) {
  RunCases({
      Ok(Bool(true), Str(u"-1")), Ok(Bool(false), Str(u"0")),
      Ok(Bool(true), Str(u"True"), VARIANT_ALPHABOOL), Ok(Bool(false), Str(u"False"), VARIANT_ALPHABOOL),
      Ok(Bool(true), I4(-1)), Ok(Bool(true), I2(-1)), Ok(Bool(true), UI1(255)), Ok(Bool(true), R8(-1)),
      Ok(Bool(false), I4(0)),
      Ok(I4(5), Bool(true)), Ok(I4(0), Bool(false)), Ok(R8(0.1), Bool(true)), Ok(R8(0), Bool(false)),
      Ok(UI8(1ULL << 40), Bool(true)),
      Ok(Str(u"True"), Bool(true)), Ok(Str(u" false "), Bool(false)), Ok(Str(u"TRUE"), Bool(true)),
      Ok(Str(u"0"), Bool(false)), Ok(Str(u"-1"), Bool(true)), Ok(Str(u"2.5"), Bool(true)),
      Fails(Str(u"yes"), VT_BOOL, DISP_E_TYPEMISMATCH), Fails(Str(u""), VT_BOOL, DISP_E_TYPEMISMATCH),
      Fails(Str(u"truex"), VT_BOOL, DISP_E_TYPEMISMATCH),
  });
}

TEST(VariantChangeType, EmptyNullErrorAndBadTypes) {
  RunCases({
      Ok(Empty(), I4(0)), Ok(Empty(), Str(u"")), Ok(Empty(), Bool(false)), Ok(Empty(), R8(0)),
      Ok(Empty(), UI8(0)),
      Fails(Null(), VT_I4, DISP_E_TYPEMISMATCH), Fails(Null(), VT_BSTR, DISP_E_TYPEMISMATCH),
      Fails(Null(), VT_BOOL, DISP_E_TYPEMISMATCH), Ok(Null(), Null()), Ok(I4(3), Empty()), Ok(Null(), Empty()),
      Fails(Error(DISP_E_PARAMNOTFOUND), VT_I4, DISP_E_TYPEMISMATCH),
      Fails(Error(DISP_E_PARAMNOTFOUND), VT_BSTR, DISP_E_TYPEMISMATCH),
      Ok(Error(DISP_E_PARAMNOTFOUND), Error(DISP_E_PARAMNOTFOUND)), Fails(I4(1), VT_ERROR, DISP_E_TYPEMISMATCH),
      Fails(I4(1), VT_CY, DISP_E_BADVARTYPE), Fails(I4(1), VT_I4 | VT_BYREF, DISP_E_BADVARTYPE),
      Fails(I4(1), VT_VARIANT, DISP_E_BADVARTYPE),
  });
}

TEST(VariantChangeType, ByReferenceSourcesAreDereferenced) {
  LONG l = 7;
  CBstr text(u"12");
  BSTR bstr = text.Get();
  VARIANT_BOOL b = VARIANT_TRUE;
  CVariant inner = R8(2.5);
  DOUBLE huge = 1e10;

  RunCases({
      Ok(Ref(VT_I4, &l), Str(u"7")), Ok(Ref(VT_BSTR, &bstr), I4(12)), Ok(Ref(VT_BOOL, &b), Str(u"-1")),
      Ok(Ref(VT_VARIANT, &inner), I4(2)), Fails(Ref(VT_R8, &huge), VT_I4, DISP_E_OVERFLOW),
      Fails(Ref(VT_I4, nullptr), VT_BSTR, E_INVALIDARG),
  });

  // The referenced value is read, not taken over.
  EXPECT_EQ(l, 7);
  EXPECT_EQ(text.View(), u"12");
}

TEST(VariantChangeType, DestinationMayBeTheSource) {
  CVariant v = Str(u" 42 ");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);  // the sanitizer build sees the BSTR freed once
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 42);

  CVariant w = Str(u"forty-two");
  EXPECT_EQ(VariantChangeType(&w, &w, 0, VT_I4), DISP_E_TYPEMISMATCH);
  ASSERT_EQ(w.vt, VT_BSTR);
  EXPECT_EQ(std::u16string_view(w.bstrVal), u"forty-two");

  CVariant s = I4(-3);
  ASSERT_EQ(VariantChangeType(&s, &s, 0, VT_BSTR), S_OK);
  EXPECT_EQ(std::u16string_view(s.bstrVal), u"-3");
}

namespace {

// Counts its references; answers IDispatch only when asked to.
class CountedObject : public IDispatch {
 public:
  explicit CountedObject(bool dispatch) : dispatch_(dispatch) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || (dispatch_ && riid == IID_IDispatch)) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    ADD_FAILURE() << "a conversion must not call the object";
    return E_NOTIMPL;
  }
  ULONG refs = 0;

 private:
  bool dispatch_;
};

}  // namespace

TEST(VariantChangeType, Objects) {
  CountedObject disp(true), unk(false);
  {
    CVariant d = CVariant::Dispatch(&disp);
    EXPECT_EQ(disp.refs, 1u);
    RunCases({Fails(CVariant(d), VT_I4, DISP_E_TYPEMISMATCH), Fails(CVariant(d), VT_BSTR, DISP_E_TYPEMISMATCH),
              Fails(CVariant(d), VT_BOOL, DISP_E_TYPEMISMATCH)});
    EXPECT_EQ(disp.refs, 1u);

    CVariant asUnknown;
    ASSERT_EQ(VariantChangeType(&asUnknown, &d, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(asUnknown.vt, VT_UNKNOWN);
    EXPECT_EQ(asUnknown.punkVal, static_cast<IUnknown*>(&disp));
    EXPECT_EQ(disp.refs, 2u);

    CVariant u = CVariant::Unknown(&unk);
    CVariant dest = I4(9);
    EXPECT_EQ(VariantChangeType(&dest, &u, 0, VT_DISPATCH), E_NOINTERFACE);
    EXPECT_EQ(dest.vt, VT_I4);
    EXPECT_EQ(unk.refs, 1u);

    // Converting in place hands the count over rather than adding one.
    ASSERT_EQ(VariantChangeType(&asUnknown, &asUnknown, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(asUnknown.vt, VT_DISPATCH);
    EXPECT_EQ(disp.refs, 2u);

    CVariant nothing;
    ASSERT_EQ(VariantChangeType(&nothing, &nothing, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(nothing.vt, VT_DISPATCH);
    EXPECT_EQ(nothing.pdispVal, nullptr);
  }
  EXPECT_EQ(disp.refs, 0u);
  EXPECT_EQ(unk.refs, 0u);
}

TEST(Variant, CopyAndClearOwnTheirValues) {
  CountedObject disp(true);
  const char16_t raw[] = {u'a', 0, u'b'};
  CVariant s = Str(std::u16string_view(raw, 3));
  CVariant copy;
  ASSERT_EQ(VariantCopy(&copy, &s), S_OK);
  EXPECT_NE(copy.bstrVal, s.bstrVal);
  EXPECT_EQ(SysStringLen(copy.bstrVal), 3u);
  EXPECT_EQ(std::memcmp(copy.bstrVal, raw, sizeof raw), 0);

  {
    CVariant d = CVariant::Dispatch(&disp);
    CVariant d2(d);
    EXPECT_EQ(disp.refs, 2u);
    ASSERT_EQ(VariantCopy(&d2, &d2), S_OK);
    EXPECT_EQ(disp.refs, 2u);
    ASSERT_EQ(VariantClear(&d2), S_OK);
    EXPECT_EQ(d2.vt, VT_EMPTY);
    EXPECT_EQ(disp.refs, 1u);
  }
  EXPECT_EQ(disp.refs, 0u);

  // A reference is copied as a reference and not freed by VariantClear.
  CBstr target(u"kept");
  BSTR b = target.Get();
  CVariant ref = Ref(VT_BSTR, &b);
  CVariant refCopy;
  ASSERT_EQ(VariantCopy(&refCopy, &ref), S_OK);
  EXPECT_EQ(refCopy.pbstrVal, &b);
  refCopy.Clear();
  EXPECT_EQ(target.View(), u"kept");

  CVariant deref;
  ASSERT_EQ(VariantCopyInd(&deref, &ref), S_OK);
  ASSERT_EQ(deref.vt, VT_BSTR);
  EXPECT_NE(deref.bstrVal, b);
  EXPECT_EQ(std::u16string_view(deref.bstrVal), u"kept");

  VARIANT bad;
  VariantInit(&bad);
  bad.vt = VT_SAFEARRAY;
  CVariant untouched = I4(1);
  EXPECT_EQ(VariantCopy(&untouched, &bad), DISP_E_BADVARTYPE);
  EXPECT_EQ(untouched.vt, VT_I4);
}
