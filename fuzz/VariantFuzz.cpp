// VariantChangeType with any source, any target type and any flags, into a
// fresh variant and in place. Whole numbers written as text read back as
// the same number.
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string_view>

#include "fuzz/FuzzSupport.h"

namespace {

// Whole numbers of every width.
constexpr VARTYPE kWhole[] = {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT};

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

    CVariant dst;
    HRESULT hr = VariantChangeType(&dst, &src, flags, vt);
    if (SUCCEEDED(hr)) {
      if (dst.vt != vt) std::abort();
      // A whole number written as text and read back is the same number.
      if (std::find(std::begin(kWhole), std::end(kWhole), vt) != std::end(kWhole)) {
        CVariant text, back, again;
        if (FAILED(VariantChangeType(&text, &dst, 0, VT_BSTR)) || FAILED(VariantChangeType(&back, &text, 0, vt)) ||
            FAILED(VariantChangeType(&again, &back, 0, VT_BSTR)) ||
            std::u16string_view(text.bstrVal, SysStringLen(text.bstrVal)) !=
                std::u16string_view(again.bstrVal, SysStringLen(again.bstrVal)))
          std::abort();  // the number read back writes as the same text
      }
    }

    // In place: the source is replaced by the result or left as it was.
    CVariant copy;
    if (SUCCEEDED(VariantCopy(&copy, &src))) {
      HRESULT hrInPlace = VariantChangeType(&copy, &copy, flags, vt);
      if (SUCCEEDED(hrInPlace) != SUCCEEDED(hr) || (SUCCEEDED(hrInPlace) && copy.vt != vt)) std::abort();
    }
    VariantClear(&src);
  }
  if (pObject->RefCount() != 1) std::abort();  // a conversion kept or lost a count
  return 0;
}
