#include <gtest/gtest.h>

#include "platform/com/Guid.h"

constexpr GUID kSample = {0x0123ABCD, 0x4567, 0x89EF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};

TEST(Guid, FormatsUpperCaseBracedAndParsesAnyCaseButNothingElse) {
  EXPECT_EQ(GuidToString(kSample), "{0123ABCD-4567-89EF-0123-456789ABCDEF}");
  EXPECT_EQ(GuidFromString("{0123abcd-4567-89EF-0123-456789abCDef}"), kSample);
  for (const char* bad : {"", "0123ABCD-4567-89EF-0123-456789ABCDEF", "{0123ABCD-4567-89EF-0123-456789ABCDE}",
                          "{0123ABCD-4567-89EF-0123-456789ABCDEFF}", "{0123ABCD-4567-89EF-01234-56789ABCDEF}",
                          "{0123ABCG-4567-89EF-0123-456789ABCDEF}", "{+123ABCD-4567-89EF-0123-456789ABCDEF}",
                          " {0123ABCD-4567-89EF-0123-456789ABCDEF}"})
    EXPECT_FALSE(GuidFromString(bad)) << bad;
}
