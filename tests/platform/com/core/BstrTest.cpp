#include <gtest/gtest.h>

#include <cstring>

#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"

TEST(Bstr, LengthPrefixAndTerminator) {
  BSTR b = SysAllocString(u"abc");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(SysStringByteLen(b), 6u);
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<const char*>(b) - 4, 4);
  EXPECT_EQ(prefix, 6u);
  EXPECT_EQ(b[3], u'\0');
  SysFreeString(b);
  const char16_t text[] = {u'a', 0, u'b'};  // embedded zeros are kept
  EXPECT_EQ(CBstr(std::u16string_view(text, 3)).View(), std::u16string_view(text, 3));
}

TEST(Bstr, LengthWithoutSourceGivesZeroedCharacters) {
  BSTR b = SysAllocStringLen(nullptr, 5);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 5u);
  for (int i = 0; i <= 5; ++i) EXPECT_EQ(b[i], 0) << i;
  SysFreeString(b);
}

TEST(Bstr, NullAndHugeRequests) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  SysFreeString(nullptr);
  // Would not fit the 32-bit byte length.
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(Bstr, TaskMemoryAndStringsShareOneAllocator) {
  // ProgIDFromCLSID hands out a BSTR that the caller frees with
  // CoTaskMemFree; the sanitizer build checks the pairing.
  BSTR b = SysAllocString(u"Cantrel.Thing.1");
  CoTaskMemFree(b);
  void* p = CoTaskMemAlloc(24);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(std::max_align_t), 0u);
  std::memset(p, 0xAB, 24);
  CoTaskMemFree(p);
  CoTaskMemFree(nullptr);
}
