#include <gtest/gtest.h>

#include "platform/com/Bstr.h"

TEST(Bstr, LayoutEmbeddedZerosAndRequestsTooLarge) {
  BSTR b = SysAllocString(u"abc");
  EXPECT_EQ(SysStringByteLen(b), 6u);
  EXPECT_EQ(b[3], u'\0');
  SysFreeString(b);
  const char16_t text[] = {u'a', 0, u'b'};
  EXPECT_EQ(CBstr(std::u16string_view(text, 3)).View(), std::u16string_view(text, 3));
  b = SysAllocStringLen(nullptr, 5);
  for (int i = 0; i <= 5; ++i) EXPECT_EQ(b[i], 0) << i;
  SysFreeString(b);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);  // would not fit the 32-bit byte length
}
