// The resources built into cantrel.ocx, read from the file. Its type library
// is seen through registration and the printed library.
#include <gtest/gtest.h>

#include "OcxLibrary.h"
#include "platform/com/Resources.h"
#include "platform/olectl/CDibImage.h"
#include "platform/olectl/CVersionInfo.h"

namespace {

const std::vector<uint8_t>& Data(const char* type, uint32_t id) {
  static const std::vector<ResourceEntry> entries = ReadResourcesFromFile(OcxLibrary::Path()).value_or(
      std::vector<ResourceEntry>{});
  static const std::vector<uint8_t> none;
  const ResourceEntry* e = FindResource(entries, type, id);
  EXPECT_TRUE(e) << type << " " << id;
  return e ? e->data : none;
}

TEST(Resources, BitmapAndIconHaveTheirSizesInSixteenColours) {
  std::optional<CDibImage> bmp = CDibImage::ParseBitmap(Data("BITMAP", 1));
  ASSERT_TRUE(bmp);
  EXPECT_EQ((std::vector<int>{bmp->width, bmp->height, bmp->bitCount}), (std::vector<int>{16, 16, 4}));
  std::optional<std::vector<CDibImage>> icon = CDibImage::ParseIcon(Data("ICON", 1));
  ASSERT_TRUE(icon);
  ASSERT_EQ(icon->size(), 2u);
  EXPECT_EQ((std::vector<int>{(*icon)[0].width, (*icon)[1].width, (*icon)[0].bitCount, (*icon)[1].bitCount}),
            (std::vector<int>{32, 16, 4, 4}));
}

TEST(Resources, VersionRecord) {
  std::optional<CVersionInfo> v = CVersionInfo::Parse(Data("VERSION", 1));
  ASSERT_TRUE(v);
  EXPECT_EQ((std::vector<WORD>(v->fileVersion, v->fileVersion + 4)), (std::vector<WORD>{1, 0, 0, 1}));
  EXPECT_EQ((std::vector<WORD>(v->productVersion, v->productVersion + 4)), (std::vector<WORD>{1, 0, 0, 1}));
  EXPECT_EQ(v->language, 0x0804);
  EXPECT_EQ(v->codePage, 936);
  EXPECT_EQ(v->fileType, VFT_DLL);
  EXPECT_EQ(v->strings[u"OriginalFilename"], u"cantrel.ocx");
}

}  // namespace
