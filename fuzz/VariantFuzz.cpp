// VariantChangeType with any source, any target type and any flags, into a
// fresh variant and in place. Whole numbers written as text read back as
// the same number.
#include <cstdlib>

#include "fuzz/CFuzzDispatch.h"
#include "fuzz/CFuzzVariants.h"

namespace {

bool IsWholeNumberType(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
    case VT_I8: case VT_UI8: case VT_INT: case VT_UINT:
      return true;
    default:
      return false;
  }
}

LONGLONG WholeValue(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_UI4: return v.ulVal;
    case VT_I8: return v.llVal;
    case VT_UI8: return static_cast<LONGLONG>(v.ullVal);
    case VT_INT: return v.intVal;
    case VT_UINT: return v.uintVal;
    default: std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fdp(data, size);
  // The object's value property is itself any variant (but no object).
  CVariant value;
  {
    CFuzzVariants inner(fdp, nullptr);
    VARIANT v = inner.Make(false);
    value = CVariant(v);
    VariantClear(&v);
  }
  auto pObject = Make<CFuzzDispatch>(value);
  {
    CFuzzVariants variants(fdp, pObject.Get());
    VARIANT src = variants.Make();
    VARTYPE vt = variants.MakeType();
    USHORT flags = fdp.ConsumeIntegral<USHORT>();

    VARIANT dst;
    VariantInit(&dst);
    HRESULT hr = VariantChangeType(&dst, &src, flags, vt);
    if (SUCCEEDED(hr)) {
      if (dst.vt != vt) std::abort();
      // A whole number written as text and read back is the same number.
      if (IsWholeNumberType(vt)) {
        VARIANT text;
        VariantInit(&text);
        if (FAILED(VariantChangeType(&text, &dst, 0, VT_BSTR))) std::abort();
        VARIANT back;
        VariantInit(&back);
        if (FAILED(VariantChangeType(&back, &text, 0, vt)) || WholeValue(back) != WholeValue(dst)) std::abort();
        VariantClear(&back);
        VariantClear(&text);
      }
    }
    VariantClear(&dst);

    // In place: the source is replaced by the result or left as it was.
    VARIANT copy;
    VariantInit(&copy);
    if (SUCCEEDED(VariantCopy(&copy, &src))) {
      HRESULT hrInPlace = VariantChangeType(&copy, &copy, flags, vt);
      if (SUCCEEDED(hrInPlace) != SUCCEEDED(hr)) std::abort();
      if (SUCCEEDED(hrInPlace) && copy.vt != vt) std::abort();
    }
    VariantClear(&copy);
    VariantClear(&src);
  }
  if (pObject->RefCount() != 1) std::abort();  // a conversion kept or lost a count
  return 0;
}
