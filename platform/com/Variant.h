// VARIANT handling with the platform's conversion rules.
#pragma once

#include <utility>

#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"
#include "platform/com/Interfaces.h"

extern "C" {
PX_EXPORT void VariantInit(VARIANTARG* pvarg);
// Frees what the variant owns (BSTR, interface count) unless it is by
// reference; leaves it VT_EMPTY.
PX_EXPORT HRESULT VariantClear(VARIANTARG* pvarg);
// Deep copy: new BSTR, added interface count. By-reference variants are
// copied as references.
PX_EXPORT HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// Like VariantCopy, but dereferences a by-reference source.
PX_EXPORT HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc);
// Converts pvarSrc (by-reference sources dereferenced) to vt into pvargDest;
// pvargDest may equal pvarSrc. Numbers from and to text, banker's rounding,
// DISP_E_OVERFLOW out of range, DISP_E_TYPEMISMATCH for text that is no
// number, booleans as -1/0.
PX_EXPORT HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt);
PX_EXPORT HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                                      VARTYPE vt);
}

// Owning wrapper for a VARIANT.
class CVariant : public VARIANT {
 public:
  CVariant() noexcept { VariantInit(this); }
  CVariant(const CVariant& o) : CVariant() { VariantCopy(this, &o); }
  CVariant(const VARIANT& o) : CVariant() { VariantCopy(this, &o); }
  CVariant(CVariant&& o) noexcept : VARIANT(o) { VariantInit(&o); }
  CVariant& operator=(const CVariant& o) {
    if (this != &o) {
      VariantClear(this);
      VariantCopy(this, &o);
    }
    return *this;
  }
  CVariant& operator=(CVariant&& o) noexcept {
    if (this != &o) {
      VariantClear(this);
      static_cast<VARIANT&>(*this) = o;
      VariantInit(&o);
    }
    return *this;
  }
  ~CVariant() { VariantClear(this); }

  static CVariant Short(SHORT v) { CVariant r; r.vt = VT_I2; r.iVal = v; return r; }
  static CVariant Long(LONG v) { CVariant r; r.vt = VT_I4; r.lVal = v; return r; }
  static CVariant Bool(bool v) { CVariant r; r.vt = VT_BOOL; r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; return r; }
  static CVariant Double(DOUBLE v) { CVariant r; r.vt = VT_R8; r.dblVal = v; return r; }
  static CVariant String(std::u16string_view s) {
    CVariant r;
    r.vt = VT_BSTR;
    r.bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return r;
  }
  // Adds a count on p.
  static CVariant Dispatch(IDispatch* p);
  static CVariant Unknown(IUnknown* p);

  void Clear() { VariantClear(this); }
  VARIANT Detach() noexcept {
    VARIANT v = *this;
    VariantInit(this);
    return v;
  }
};

inline CVariant CVariant::Dispatch(IDispatch* p) {
  CVariant r;
  r.vt = VT_DISPATCH;
  r.pdispVal = ComPtr<IDispatch>(p).Detach();
  return r;
}
inline CVariant CVariant::Unknown(IUnknown* p) {
  CVariant r;
  r.vt = VT_UNKNOWN;
  r.punkVal = ComPtr<IUnknown>(p).Detach();
  return r;
}
