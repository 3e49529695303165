// Name comparison shared by the member tables and the type libraries: names
// match without regard to case over ASCII and the Latin letters of U+00C0 to
// U+017F, as automation clients expect.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

namespace typelib_text {

inline char16_t FoldChar(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : static_cast<char16_t>(c + 0x20);  // 0xD7 is the multiplication sign
  if (c < 0x100) return c;
  if (c <= 0x137 || (c >= 0x14A && c <= 0x177)) return static_cast<char16_t>(c | 1);  // even upper, odd lower
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
    return (c & 1) ? static_cast<char16_t>(c + 1) : c;  // odd upper, even lower
  if (c == 0x178) return 0xFF;
  return c;
}

inline bool NamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  return true;
}

// A null-terminated platform string as a view (null reads as empty).
inline std::u16string_view View(const OLECHAR* s) { return s ? std::u16string_view(s) : std::u16string_view(); }

}  // namespace typelib_text
