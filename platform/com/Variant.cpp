#include "platform/com/Variant.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <string>
#include <type_traits>

#include "platform/com/ComPtr.h"
#include "platform/com/ResultMacros.h"

// Conversions follow the platform's rules for the types the system uses.
// Objects are never asked for a default value property: an object converts
// only to another object type (by QueryInterface), to VT_EMPTY, or fails
// with DISP_E_TYPEMISMATCH. Text is read and written in the neutral locale
// whatever lcid is given.

namespace {

bool IsScalarType(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
    case VT_I8: case VT_UI8: case VT_INT: case VT_UINT: case VT_R4: case VT_R8: case VT_BOOL: case VT_BSTR:
    case VT_DISPATCH: case VT_UNKNOWN: case VT_ERROR:
      return true;
    default:
      return false;
  }
}

// Adds a count through ComPtr, handing it to the variant.
IUnknown* AddCount(IUnknown* p) { return ComPtr<IUnknown>(p).Detach(); }
IDispatch* AddCount(IDispatch* p) { return ComPtr<IDispatch>(p).Detach(); }

// Reads a (possibly by-reference) variant into a plain one whose BSTR and
// interface pointers are borrowed from the source.
HRESULT Deref(const VARIANT& src, VARIANT& out) {
  if (!(src.vt & VT_BYREF)) {
    if (!IsScalarType(src.vt)) return DISP_E_BADVARTYPE;
    out = src;
    return S_OK;
  }
  VARTYPE base = src.vt & ~VT_BYREF;
  if (!src.byref) return E_INVALIDARG;
  out.vt = base;
  out.wReserved1 = out.wReserved2 = out.wReserved3 = 0;
  out.llVal = 0;
  switch (base) {
    case VT_I1: out.cVal = *src.pcVal; break;
    case VT_UI1: out.bVal = *src.pbVal; break;
    case VT_I2: out.iVal = *src.piVal; break;
    case VT_UI2: out.uiVal = *src.puiVal; break;
    case VT_I4: out.lVal = *src.plVal; break;
    case VT_UI4: out.ulVal = *src.pulVal; break;
    case VT_INT: out.intVal = *src.pintVal; break;
    case VT_UINT: out.uintVal = *src.puintVal; break;
    case VT_I8: out.llVal = *src.pllVal; break;
    case VT_UI8: out.ullVal = *src.pullVal; break;
    case VT_R4: out.fltVal = *src.pfltVal; break;
    case VT_R8: out.dblVal = *src.pdblVal; break;
    case VT_BOOL: out.boolVal = *src.pboolVal; break;
    case VT_ERROR: out.scode = *src.pscode; break;
    case VT_BSTR: out.bstrVal = *src.pbstrVal; break;
    case VT_DISPATCH: out.pdispVal = *src.ppdispVal; break;
    case VT_UNKNOWN: out.punkVal = *src.ppunkVal; break;
    case VT_VARIANT: {
      // One level only: a variant reference may not point at another one.
      const VARIANT& inner = *src.pvarVal;
      if (inner.vt == (VT_VARIANT | VT_BYREF)) return DISP_E_BADVARTYPE;
      return Deref(inner, out);
    }
    default:
      return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

// Deep copy of a plain (dereferenced) value.
HRESULT CopyPlain(const VARIANT& src, VARIANT& out) {
  out = src;
  if (src.vt == VT_BSTR && src.bstrVal) {
    out.bstrVal = SysAllocStringLen(src.bstrVal, SysStringLen(src.bstrVal));
    if (!out.bstrVal) return E_OUTOFMEMORY;
  } else if (src.vt == VT_DISPATCH) {
    out.pdispVal = AddCount(src.pdispVal);
  } else if (src.vt == VT_UNKNOWN) {
    out.punkVal = AddCount(src.punkVal);
  }
  return S_OK;
}

// ---- Numbers ---------------------------------------------------------------

struct Num {
  enum Kind { kSigned, kUnsigned, kReal } kind = kSigned;
  int64_t i = 0;
  uint64_t u = 0;
  double d = 0;
  // A boolean: -1 stores into unsigned types as all ones, as the platform does.
  bool fromBool = false;
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

// Number text: blanks, sign, digits with an optional point and exponent,
// blanks; or "&H" hex / "&O" octal.
HRESULT ParseNumber(std::u16string_view text, Num& out) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  std::u16string_view s = text.substr(b, e - b);
  if (s.empty()) return DISP_E_TYPEMISMATCH;

  if (s.size() > 2 && s[0] == u'&' && (s[1] == u'H' || s[1] == u'h' || s[1] == u'O' || s[1] == u'o')) {
    unsigned base = (s[1] == u'H' || s[1] == u'h') ? 16 : 8;
    uint64_t v = 0;
    for (size_t k = 2; k < s.size(); ++k) {
      char16_t c = s[k];
      unsigned digit;
      if (c >= u'0' && c <= u'9') digit = c - u'0';
      else if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
      else if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
      else return DISP_E_TYPEMISMATCH;
      if (digit >= base) return DISP_E_TYPEMISMATCH;
      if (v > (std::numeric_limits<uint64_t>::max() - digit) / base) return DISP_E_OVERFLOW;
      v = v * base + digit;
    }
    out = Num{};
    out.kind = Num::kUnsigned;
    out.u = v;
    return S_OK;
  }

  std::string ascii;
  size_t k = 0;
  bool negative = false;
  if (s[k] == u'+' || s[k] == u'-') {
    negative = s[k] == u'-';
    ascii += static_cast<char>(s[k]);
    ++k;
  }
  size_t intDigits = 0, fracDigits = 0;
  for (; k < s.size() && s[k] >= u'0' && s[k] <= u'9'; ++k, ++intDigits) ascii += static_cast<char>(s[k]);
  bool integral = true;
  if (k < s.size() && s[k] == u'.') {
    integral = false;
    ascii += '.';
    for (++k; k < s.size() && s[k] >= u'0' && s[k] <= u'9'; ++k, ++fracDigits) ascii += static_cast<char>(s[k]);
  }
  if (intDigits + fracDigits == 0) return DISP_E_TYPEMISMATCH;
  if (k < s.size() && (s[k] == u'e' || s[k] == u'E')) {
    integral = false;
    ascii += 'e';
    ++k;
    if (k < s.size() && (s[k] == u'+' || s[k] == u'-')) ascii += static_cast<char>(s[k++]);
    size_t expDigits = 0;
    for (; k < s.size() && s[k] >= u'0' && s[k] <= u'9'; ++k, ++expDigits) ascii += static_cast<char>(s[k]);
    if (expDigits == 0) return DISP_E_TYPEMISMATCH;
  }
  if (k != s.size()) return DISP_E_TYPEMISMATCH;

  out = Num{};
  if (integral) {
    const char* first = ascii.data() + (ascii[0] == '+' ? 1 : 0);
    const char* last = ascii.data() + ascii.size();
    if (negative) {
      int64_t v;
      auto r = std::from_chars(first, last, v);
      if (r.ec == std::errc() && r.ptr == last) {
        out.kind = Num::kSigned;
        out.i = v;
        return S_OK;
      }
    } else {
      uint64_t v;
      auto r = std::from_chars(first, last, v);
      if (r.ec == std::errc() && r.ptr == last) {
        out.kind = Num::kUnsigned;
        out.u = v;
        return S_OK;
      }
    }
    // Too long for 64 bits: fall through to a double, which the range
    // checks of the target then judge.
  }
  double d = strtod_l(ascii.c_str(), nullptr, CLocale());
  if (std::isinf(d)) return DISP_E_OVERFLOW;
  out.kind = Num::kReal;
  out.d = d;
  return S_OK;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    char16_t x = a[k], y = b[k];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
    if (x != y) return false;
  }
  return true;
}

std::u16string_view View(BSTR b) { return b ? std::u16string_view(b, SysStringLen(b)) : std::u16string_view(); }

HRESULT ToNum(const VARIANT& v, Num& out) {
  out = Num{};
  switch (v.vt) {
    case VT_EMPTY: return S_OK;
    case VT_I1: out.i = v.cVal; return S_OK;
    case VT_I2: out.i = v.iVal; return S_OK;
    case VT_I4: out.i = v.lVal; return S_OK;
    case VT_INT: out.i = v.intVal; return S_OK;
    case VT_I8: out.i = v.llVal; return S_OK;
    case VT_BOOL: out.i = v.boolVal; out.fromBool = true; return S_OK;
    case VT_UI1: out.kind = Num::kUnsigned; out.u = v.bVal; return S_OK;
    case VT_UI2: out.kind = Num::kUnsigned; out.u = v.uiVal; return S_OK;
    case VT_UI4: out.kind = Num::kUnsigned; out.u = v.ulVal; return S_OK;
    case VT_UINT: out.kind = Num::kUnsigned; out.u = v.uintVal; return S_OK;
    case VT_UI8: out.kind = Num::kUnsigned; out.u = v.ullVal; return S_OK;
    case VT_R4: out.kind = Num::kReal; out.d = v.fltVal; return S_OK;
    case VT_R8: out.kind = Num::kReal; out.d = v.dblVal; return S_OK;
    case VT_BSTR: return ParseNumber(View(v.bstrVal), out);
    default: return DISP_E_TYPEMISMATCH;
  }
}

// Round half to even, independent of the current floating-point mode.
double RoundHalfEven(double d) {
  double fl = std::floor(d);
  double diff = d - fl;
  if (diff > 0.5) return fl + 1;
  if (diff < 0.5) return fl;
  return std::fmod(fl, 2.0) == 0 ? fl : fl + 1;
}

template <class T>
HRESULT NumToInt(const Num& n, T& out) {
  using L = std::numeric_limits<T>;
  switch (n.kind) {
    case Num::kSigned:
      if constexpr (std::is_signed_v<T>) {
        if (n.i < static_cast<int64_t>(L::min()) || n.i > static_cast<int64_t>(L::max())) return DISP_E_OVERFLOW;
      } else {
        if (n.i < 0 && n.fromBool) {
          out = static_cast<T>(n.i);
          return S_OK;
        }
        if (n.i < 0 || static_cast<uint64_t>(n.i) > static_cast<uint64_t>(L::max())) return DISP_E_OVERFLOW;
      }
      out = static_cast<T>(n.i);
      return S_OK;
    case Num::kUnsigned:
      if (n.u > static_cast<uint64_t>(L::max())) return DISP_E_OVERFLOW;
      out = static_cast<T>(n.u);
      return S_OK;
    case Num::kReal: {
      if (std::isnan(n.d)) return DISP_E_OVERFLOW;
      double r = RoundHalfEven(n.d);
      // Bounds as powers of two, exact in a double: [lo, hi).
      const double hi = std::ldexp(1.0, L::digits);
      const double lo = std::is_signed_v<T> ? -hi : 0.0;
      if (!(r >= lo && r < hi)) return DISP_E_OVERFLOW;
      out = static_cast<T>(r);
      return S_OK;
    }
  }
  return E_UNEXPECTED;
}

double NumToDouble(const Num& n) {
  switch (n.kind) {
    case Num::kSigned: return static_cast<double>(n.i);
    case Num::kUnsigned: return static_cast<double>(n.u);
    case Num::kReal: return n.d;
  }
  return 0;
}

// Shortest text that reads back as the same value; exponent form (upper-case
// E, at least two exponent digits) below 1E-4 and from 10^switchAt on.
template <class F>
std::string FormatReal(F value, int switchAt) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0) return "0";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string sci(buf, r.ptr);
  // sci: [-]d[.ddd]e(+|-)xx
  bool negative = sci[0] == '-';
  if (negative) sci.erase(0, 1);
  size_t epos = sci.find('e');
  int exp = std::atoi(sci.c_str() + epos + 1);
  std::string digits;
  for (size_t k = 0; k < epos; ++k)
    if (sci[k] != '.') digits += sci[k];
  std::string out = negative ? "-" : "";
  if (exp < -4 || exp >= switchAt) {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1);
    }
    char e[16];
    std::snprintf(e, sizeof e, "E%c%02d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
    out += e;
  } else if (exp < 0) {
    out += "0.";
    out.append(static_cast<size_t>(-exp - 1), '0');
    out += digits;
  } else if (static_cast<size_t>(exp) + 1 >= digits.size()) {
    out += digits;
    out.append(static_cast<size_t>(exp) + 1 - digits.size(), '0');
  } else {
    out.append(digits, 0, static_cast<size_t>(exp) + 1);
    out += '.';
    out.append(digits, static_cast<size_t>(exp) + 1);
  }
  return out;
}

HRESULT ToText(const VARIANT& v, USHORT wFlags, BSTR& out) {
  std::string s;
  switch (v.vt) {
    case VT_EMPTY: break;
    case VT_BSTR:
      out = SysAllocStringLen(v.bstrVal ? v.bstrVal : u"", SysStringLen(v.bstrVal));
      return out ? S_OK : E_OUTOFMEMORY;
    case VT_I1: s = std::to_string(v.cVal); break;
    case VT_I2: s = std::to_string(v.iVal); break;
    case VT_I4: s = std::to_string(v.lVal); break;
    case VT_INT: s = std::to_string(v.intVal); break;
    case VT_I8: s = std::to_string(v.llVal); break;
    case VT_UI1: s = std::to_string(v.bVal); break;
    case VT_UI2: s = std::to_string(v.uiVal); break;
    case VT_UI4: s = std::to_string(v.ulVal); break;
    case VT_UINT: s = std::to_string(v.uintVal); break;
    case VT_UI8: s = std::to_string(v.ullVal); break;
    case VT_R4: s = FormatReal(v.fltVal, 7); break;
    case VT_R8: s = FormatReal(v.dblVal, 15); break;
    case VT_BOOL:
      if (wFlags & VARIANT_ALPHABOOL)
        s = v.boolVal ? "True" : "False";
      else
        s = v.boolVal ? "-1" : "0";
      break;
    default:
      return DISP_E_TYPEMISMATCH;
  }
  std::u16string w(s.begin(), s.end());
  out = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
  return out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ToBool(const VARIANT& v, VARIANT_BOOL& out) {
  if (v.vt == VT_BSTR) {
    std::u16string_view t = View(v.bstrVal);
    while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
    while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
    if (EqualsNoCase(t, u"true")) {
      out = VARIANT_TRUE;
      return S_OK;
    }
    if (EqualsNoCase(t, u"false")) {
      out = VARIANT_FALSE;
      return S_OK;
    }
  }
  Num n;
  RETURN_IF_FAILED(ToNum(v, n));
  bool nonZero = n.kind == Num::kSigned ? n.i != 0 : n.kind == Num::kUnsigned ? n.u != 0 : n.d != 0;
  out = nonZero ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

// Converts a plain value; out receives an owned value only on success.
HRESULT Convert(const VARIANT& v, USHORT wFlags, VARTYPE vt, VARIANT& out) {
  VariantInit(&out);
  if (vt == VT_EMPTY) return S_OK;
  if (v.vt == VT_NULL) {
    if (vt != VT_NULL) return DISP_E_TYPEMISMATCH;
    out.vt = VT_NULL;
    return S_OK;
  }
  if (v.vt == vt) return CopyPlain(v, out);

  switch (vt) {
    case VT_NULL:
      return v.vt == VT_EMPTY ? (out.vt = VT_NULL, S_OK) : DISP_E_TYPEMISMATCH;
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      if (v.vt == VT_EMPTY) {
        out.vt = vt;
        out.punkVal = nullptr;
        return S_OK;
      }
      if (v.vt != VT_DISPATCH && v.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
      IUnknown* from = v.vt == VT_DISPATCH ? static_cast<IUnknown*>(v.pdispVal) : v.punkVal;
      void* p = nullptr;
      if (from) {
        RETURN_IF_FAILED(from->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &p));
        if (!p) return E_NOINTERFACE;
      }
      out.vt = vt;
      if (vt == VT_DISPATCH)
        out.pdispVal = static_cast<IDispatch*>(p);
      else
        out.punkVal = static_cast<IUnknown*>(p);
      return S_OK;
    }
    case VT_ERROR:
      return DISP_E_TYPEMISMATCH;
    case VT_BSTR: {
      BSTR b = nullptr;
      RETURN_IF_FAILED(ToText(v, wFlags, b));
      out.vt = VT_BSTR;
      out.bstrVal = b;
      return S_OK;
    }
    case VT_BOOL: {
      VARIANT_BOOL b;
      RETURN_IF_FAILED(ToBool(v, b));
      out.vt = VT_BOOL;
      out.boolVal = b;
      return S_OK;
    }
    default:
      break;
  }

  Num n;
  RETURN_IF_FAILED(ToNum(v, n));
  HRESULT hr = S_OK;
  VARIANT r;
  VariantInit(&r);
  r.vt = vt;
  switch (vt) {
    case VT_I1: hr = NumToInt(n, r.cVal); break;
    case VT_UI1: hr = NumToInt(n, r.bVal); break;
    case VT_I2: hr = NumToInt(n, r.iVal); break;
    case VT_UI2: hr = NumToInt(n, r.uiVal); break;
    case VT_I4: hr = NumToInt(n, r.lVal); break;
    case VT_UI4: hr = NumToInt(n, r.ulVal); break;
    case VT_INT: hr = NumToInt(n, r.intVal); break;
    case VT_UINT: hr = NumToInt(n, r.uintVal); break;
    case VT_I8: hr = NumToInt(n, r.llVal); break;
    case VT_UI8: hr = NumToInt(n, r.ullVal); break;
    case VT_R8: r.dblVal = NumToDouble(n); break;
    case VT_R4: {
      double d = NumToDouble(n);
      if (std::isfinite(d) && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
        return DISP_E_OVERFLOW;
      r.fltVal = static_cast<float>(d);
      break;
    }
    default:
      return DISP_E_BADVARTYPE;
  }
  RETURN_IF_FAILED(hr);
  out = r;
  return S_OK;
}

}  // namespace

extern "C" {

void VariantInit(VARIANTARG* pvarg) {
  if (!pvarg) return;
  std::memset(static_cast<void*>(pvarg), 0, sizeof *pvarg);
  pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (!pvarg) return E_INVALIDARG;
  if (!(pvarg->vt & VT_BYREF)) {
    switch (pvarg->vt) {
      case VT_BSTR: SysFreeString(pvarg->bstrVal); break;
      case VT_DISPATCH: ComPtr<IDispatch>::Attach(pvarg->pdispVal).Reset(); break;
      case VT_UNKNOWN: ComPtr<IUnknown>::Attach(pvarg->punkVal).Reset(); break;
      default: break;
    }
  }
  VariantInit(pvarg);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
  if (!pvargDest || !pvargSrc) return E_INVALIDARG;
  if (pvargDest == pvargSrc) return S_OK;
  VARIANT copy;
  if (pvargSrc->vt & VT_BYREF) {
    copy = *pvargSrc;  // references are copied as references
  } else {
    if (!IsScalarType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    RETURN_IF_FAILED(CopyPlain(*pvargSrc, copy));
  }
  VariantClear(pvargDest);
  *pvargDest = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) {
  if (!pvarDest || !pvargSrc) return E_INVALIDARG;
  VARIANT plain, copy;
  RETURN_IF_FAILED(Deref(*pvargSrc, plain));
  RETURN_IF_FAILED(CopyPlain(plain, copy));
  VariantClear(pvarDest);
  *pvarDest = copy;
  return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                            VARTYPE vt) {
  if (!pvargDest || !pvarSrc) return E_INVALIDARG;
  if ((vt & VT_BYREF) || !IsScalarType(vt)) return DISP_E_BADVARTYPE;
  VARIANT plain, result;
  RETURN_IF_FAILED(Deref(*pvarSrc, plain));
  RETURN_IF_FAILED(Convert(plain, wFlags, vt, result));
  // Only now may the destination (possibly the source itself) be released.
  VariantClear(pvargDest);
  *pvargDest = result;
  return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) {
  return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}

}  // extern "C"
