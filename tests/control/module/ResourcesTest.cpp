#include <gtest/gtest.h>

#include "OcxLibrary.h"
#include "control/interface/CantrelIds.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Resources.h"
#include "platform/com/TypeLib.h"
#include "platform/com/Utf.h"
#include "platform/olectl/AfxResource.h"
#include "platform/olectl/CDialogTemplate.h"
#include "platform/olectl/CDibImage.h"
#include "platform/olectl/CVersionInfo.h"

namespace {

class Resources : public ::testing::Test {
 protected:
  void SetUp() override {
    std::optional<std::vector<ResourceEntry>> read = ReadResourcesFromFile(OcxLibrary::Path());
    ASSERT_TRUE(read);
    entries = *read;
  }
  const std::vector<uint8_t>& Data(const char* type, uint32_t id) {
    const ResourceEntry* e = FindResource(entries, type, id);
    EXPECT_TRUE(e) << type << " " << id;
    static const std::vector<uint8_t> none;
    return e ? e->data : none;
  }
  std::vector<ResourceEntry> entries;
};

TEST_F(Resources, StringsAreTheTypeNamesAndThePageTitle) {
  struct Row {
    uint32_t id;
    std::u16string text;
  } rows[] = {{1, u"cantrel Control"}, {2, u"cantrel Property Page"}, {200, u"General"}};
  for (const Row& r : rows) EXPECT_EQ(AfxParseStringResource(Data("STRING", r.id)), r.text) << r.id;
}

TEST_F(Resources, TypeLibraryIsCantrelLibOneZero) {
  const std::vector<uint8_t>& tlb = Data("TYPELIB", 1);
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(LoadTypeLibFromMemory(tlb.data(), tlb.size(), lib.ReleaseAndGetAddressOf()), S_OK);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, LIBID_cantrelLib);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  lib->ReleaseTLibAttr(attr);
  EXPECT_EQ(lib->GetTypeInfoCount(), 9u);
  // The same library straight from the file, as the runtime loads it.
  ComPtr<ITypeLib> fromFile;
  EXPECT_EQ(LoadTypeLib(Utf8ToUtf16(OcxLibrary::Path()).c_str(), fromFile.ReleaseAndGetAddressOf()), S_OK);
}

TEST_F(Resources, BitmapAndIconHaveTheirSizesInSixteenColours) {
  std::optional<CDibImage> bmp = CDibImage::ParseBitmap(Data("BITMAP", 1));
  ASSERT_TRUE(bmp);
  EXPECT_EQ(bmp->width, 16);
  EXPECT_EQ(bmp->height, 16);
  EXPECT_EQ(bmp->bitCount, 4);
  std::optional<std::vector<CDibImage>> icon = CDibImage::ParseIcon(Data("ICON", 1));
  ASSERT_TRUE(icon);
  ASSERT_EQ(icon->size(), 2u);
  EXPECT_EQ((*icon)[0].width, 32);
  EXPECT_EQ((*icon)[1].width, 16);
  for (const CDibImage& img : *icon) EXPECT_EQ(img.bitCount, 4);
}

TEST_F(Resources, AboutBoxTemplate) {
  std::optional<CDialogTemplate> t = CDialogTemplate::Parse(Data("DIALOG", 1));
  ASSERT_TRUE(t);
  EXPECT_FALSE(t->extended);
  EXPECT_EQ(t->style, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT);
  EXPECT_EQ((std::vector<int>{t->x, t->y, t->cx, t->cy}), (std::vector<int>{34, 22, 260, 55}));
  EXPECT_EQ(t->caption, u"About cantrel Control");
  EXPECT_EQ(t->pointSize, 9);
  EXPECT_EQ(t->typeface, u"MS Sans Serif");
  ASSERT_EQ(t->items.size(), 4u);
  struct Row {
    WORD cls;
    DWORD style;
    int x, y, cx, cy, id;
  } rows[] = {
      {DLGC_STATIC, WS_CHILD | WS_VISIBLE | SS_ICON, 10, 10, 20, 20, -1},
      {DLGC_STATIC, WS_CHILD | WS_VISIBLE | SS_LEFT | WS_GROUP, 40, 10, 170, 8, -1},
      {DLGC_STATIC, WS_CHILD | WS_VISIBLE | SS_LEFT | WS_GROUP, 40, 25, 170, 8, -1},
      {DLGC_BUTTON, WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 221, 7, 32, 16, IDOK},
  };
  for (size_t i = 0; i < 4; ++i) {
    const CDialogTemplate::Item& it = t->items[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(it.windowClass, CDialogTemplate::NameOrOrdinal::Ordinal(rows[i].cls));
    EXPECT_EQ(it.style, rows[i].style);
    EXPECT_EQ((std::vector<int>{it.x, it.y, it.cx, it.cy, it.id}),
              (std::vector<int>{rows[i].x, rows[i].y, rows[i].cx, rows[i].cy, rows[i].id}));
  }
  EXPECT_EQ(t->items[0].title, CDialogTemplate::NameOrOrdinal::Ordinal(1));
  EXPECT_EQ(t->items[1].title.name, u"cantrel Control, Version 1.0");
  EXPECT_FALSE(t->items[2].title.name.empty());
  EXPECT_EQ(t->items[3].title.name, u"OK");
}

TEST_F(Resources, PropertyPageTemplateIsAnEmptyExtendedChild) {
  std::optional<CDialogTemplate> t = CDialogTemplate::Parse(Data("DIALOG", 200));
  ASSERT_TRUE(t);
  EXPECT_TRUE(t->extended);
  EXPECT_EQ(t->style, WS_CHILD | DS_SETFONT);
  EXPECT_EQ(t->cx, 250);
  EXPECT_EQ(t->cy, 62);
  EXPECT_EQ(t->pointSize, 9);
  EXPECT_EQ(t->typeface, u"MS Sans Serif");
  EXPECT_TRUE(t->items.empty());
}

TEST_F(Resources, VersionRecord) {
  std::optional<CVersionInfo> v = CVersionInfo::Parse(Data("VERSION", 1));
  ASSERT_TRUE(v);
  EXPECT_EQ((std::vector<WORD>(v->fileVersion, v->fileVersion + 4)), (std::vector<WORD>{1, 0, 0, 1}));
  EXPECT_EQ((std::vector<WORD>(v->productVersion, v->productVersion + 4)), (std::vector<WORD>{1, 0, 0, 1}));
  EXPECT_EQ(v->language, 0x0804);
  EXPECT_EQ(v->codePage, 936);
  EXPECT_EQ(v->fileType, VFT_DLL);
  EXPECT_EQ(v->fileOS, VOS__WINDOWS32);
  EXPECT_EQ(v->strings[u"InternalName"], u"cantrel.ocx");
  EXPECT_EQ(v->strings[u"OriginalFilename"], u"cantrel.ocx");
}

}  // namespace
