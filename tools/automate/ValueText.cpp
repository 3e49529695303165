#include "tools/automate/ValueText.h"

#include <cstdio>

#include "platform/com/Utf.h"
#include "platform/com/Variant.h"

std::string FormatValue(const VARIANT& v) {
  CVariant value;
  // A by-reference value is written as what it refers to.
  if (FAILED(VariantCopyInd(&value, &v))) return "<unreadable>";
  switch (value.vt) {
    case VT_EMPTY:
      return "Empty";
    case VT_NULL:
      return "Null";
    case VT_BOOL:
      return value.boolVal ? "True" : "False";
    case VT_BSTR:
      return Utf16ToUtf8(value.bstrVal ? std::u16string_view(value.bstrVal, SysStringLen(value.bstrVal))
                                       : std::u16string_view());
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return value.punkVal ? "<object>" : "Nothing";
    case VT_ERROR:
      return "error " + FormatHresult(value.scode);
    default:
      break;
  }
  CVariant text;
  if (SUCCEEDED(VariantChangeType(&text, &value, 0, VT_BSTR)) && text.vt == VT_BSTR)
    return Utf16ToUtf8(text.bstrVal ? std::u16string_view(text.bstrVal, SysStringLen(text.bstrVal))
                                    : std::u16string_view());
  return "<type " + std::to_string(value.vt) + ">";
}

std::string FormatHresult(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}
