#include <gtest/gtest.h>

#include "platform/com/Guid.h"

namespace {
constexpr GUID kSample = {0x0123ABCD, 0x4567, 0x89EF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
}

TEST(Guid, FormatsUpperCaseBracedAndParsesAnyCase) {
  EXPECT_EQ(GuidToString(kSample), "{0123ABCD-4567-89EF-0123-456789ABCDEF}");
  EXPECT_EQ(GuidToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
  EXPECT_EQ(GuidFromString("{0123abcd-4567-89ef-0123-456789abCDef}"), kSample);
}

TEST(Guid, RejectsMalformedText) {
  for (const char* bad : {
           "", "0123ABCD-4567-89EF-0123-456789ABCDEF", "{0123ABCD-4567-89EF-0123-456789ABCDEF",
           "{0123ABCD-4567-89EF-0123-456789ABCDE}", "{0123ABCD-4567-89EF-0123-456789ABCDEFF}",
           "{0123ABCD-4567-89EF-01234-56789ABCDEF}", "{0123ABCG-4567-89EF-0123-456789ABCDEF}",
           "{0123ABCD_4567-89EF-0123-456789ABCDEF}", "{+123ABCD-4567-89EF-0123-456789ABCDEF}",
           " {0123ABCD-4567-89EF-0123-456789ABCDEF}", "(0123ABCD-4567-89EF-0123-456789ABCDEF)"}) {
    EXPECT_FALSE(GuidFromString(bad)) << bad;
  }
}

TEST(Guid, WideForms) {
  OLECHAR buf[39];
  EXPECT_EQ(StringFromGUID2(kSample, buf, 38), 0);
  ASSERT_EQ(StringFromGUID2(kSample, buf, 39), 39);
  EXPECT_EQ(std::u16string_view(buf), u"{0123ABCD-4567-89EF-0123-456789ABCDEF}");

  CLSID c{};
  EXPECT_EQ(CLSIDFromString(buf, &c), S_OK);
  EXPECT_EQ(c, kSample);
  IID i{};
  EXPECT_EQ(IIDFromString(buf, &i), S_OK);
  EXPECT_EQ(i, kSample);

  EXPECT_EQ(CLSIDFromString(u"{0123ABCD-4567-89EF-0123-456789ABCDEX}", &c), CO_E_CLASSSTRING);
  EXPECT_EQ(IIDFromString(u"{0123ABCD-4567-89EF-0123-456789ABCDEX}", &i), E_INVALIDARG);
  // Non-ASCII lookalikes must not parse.
  EXPECT_EQ(IIDFromString(u"{0123ABCD\u20134567-89EF-0123-456789ABCDEF}", &i), E_INVALIDARG);
}
