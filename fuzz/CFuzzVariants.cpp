#include "fuzz/CFuzzVariants.h"

#include <cstring>
#include <string>

namespace {

constexpr VARTYPE kTypes[] = {VT_EMPTY, VT_NULL, VT_I2,  VT_I4,   VT_R4,  VT_R8,  VT_CY,    VT_DATE,
                              VT_BSTR,  VT_DISPATCH, VT_ERROR, VT_BOOL, VT_UNKNOWN, VT_DECIMAL, VT_I1, VT_UI1,
                              VT_UI2,   VT_UI4, VT_I8,  VT_UI8,  VT_INT, VT_UINT, VT_VARIANT};

bool CarriesPointer(VARTYPE vt) {
  VARTYPE base = vt & VT_TYPEMASK;
  return (vt & ~VT_TYPEMASK) != 0 || base == VT_BSTR || base == VT_DISPATCH || base == VT_UNKNOWN ||
         base == VT_VARIANT || base == VT_PTR || base == VT_SAFEARRAY || base == VT_CARRAY || base == VT_USERDEFINED ||
         base > VT_USERDEFINED;
}

}  // namespace

CFuzzVariants::CFuzzVariants(FuzzedDataProvider& fdp, IDispatch* pObject, bool bLocalNames)
    : m_fdp(fdp), m_pObject(pObject), m_bLocalNames(bLocalNames) {}

CFuzzVariants::~CFuzzVariants() {
  for (VARIANT& v : m_cells) VariantClear(&v);
}

VARTYPE CFuzzVariants::MakeType() {
  // By-reference bits only come with a pointer this object made (see Make).
  if (m_fdp.ConsumeIntegralInRange<int>(0, 15) == 0) return m_fdp.ConsumeIntegral<VARTYPE>() & ~VT_BYREF;
  return m_fdp.PickValueInArray(kTypes);
}

BSTR CFuzzVariants::MakeString() {
  switch (m_fdp.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
      return nullptr;
    case 1: {  // any code units, unpaired surrogates included
      std::u16string s;
      size_t n = m_fdp.ConsumeIntegralInRange<size_t>(0, 64);
      for (size_t i = 0; i < n && m_fdp.remaining_bytes() >= 2; ++i) s += m_fdp.ConsumeIntegral<char16_t>();
      return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    }
    default: {
      std::string bytes = m_fdp.ConsumeRandomLengthString(256);
      std::u16string s;
      for (unsigned char c : bytes) {
        char16_t ch = c;
        if (m_bLocalNames && (ch == u'/' || ch == u'\\')) ch = u'_';
        s += ch;
      }
      return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    }
  }
}

VARIANT CFuzzVariants::MakeValue(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  switch (vt) {
    case VT_BSTR:
      v.bstrVal = MakeString();
      break;
    case VT_DISPATCH:
      v.pdispVal = ComPtr<IDispatch>(m_fdp.ConsumeBool() ? m_pObject : nullptr).Detach();
      break;
    case VT_UNKNOWN:
      v.punkVal = ComPtr<IUnknown>(m_fdp.ConsumeBool() ? m_pObject : nullptr).Detach();
      break;
    case VT_VARIANT:  // only meaningful by reference; by value it carries nothing
      v.llVal = 0;
      break;
    default:
      // Unknown types carry no pointer a callee could follow.
      v.ullVal = CarriesPointer(vt) ? 0 : m_fdp.ConsumeIntegral<ULONGLONG>();
      break;
  }
  return v;
}

VARIANT CFuzzVariants::Make(bool bAllowByRef) {
  VARTYPE vt = MakeType();
  bool bByRef = bAllowByRef && m_nDepth < 2 && (vt & ~VT_TYPEMASK) == 0 && vt != VT_EMPTY && vt != VT_NULL &&
                vt < VT_VOID && m_fdp.ConsumeIntegralInRange<int>(0, 3) == 0;
  if (!bByRef) return MakeValue(vt == VT_VARIANT ? VARTYPE(VT_EMPTY) : vt);

  VARIANT v;
  VariantInit(&v);
  v.vt = static_cast<VARTYPE>(vt | VT_BYREF);
  VARIANT& cell = m_cells.emplace_back();
  VariantInit(&cell);
  if (vt == VT_VARIANT) {
    ++m_nDepth;
    cell = Make(true);
    --m_nDepth;
    v.pvarVal = &cell;
  } else {
    cell = MakeValue(vt);
    v.byref = &cell.llVal;
  }
  return v;
}
