#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/olectl/AfxResource.h"
#include "platform/olectl/CDialogTemplate.h"
#include "platform/olectl/CDibImage.h"
#include "platform/olectl/CVersionInfo.h"

namespace {

using N = CDialogTemplate::NameOrOrdinal;

CDialogTemplate Sample(bool extended) {
  const CDialogTemplate::Item icon{.style = WS_CHILD | SS_ICON, .x = 1, .cx = 20, .cy = 20, .id = IDC_STATIC,
                                   .windowClass = N::Ordinal(DLGC_STATIC), .title = N::Ordinal(1)};
  const CDialogTemplate::Item button{.style = WS_CHILD | BS_DEFPUSHBUTTON, .id = extended ? 70000 : IDOK,
                                     .windowClass = N::Ordinal(DLGC_BUTTON), .title = N::Name(u"OK"),
                                     .creationData = {1, 2, 3}};
  // The font's weight, italic and charset exist in the extended form only.
  return {.extended = extended, .style = WS_POPUP | WS_CAPTION | DS_SETFONT, .helpID = extended ? 7u : 0u,
          .x = 3, .y = -4, .cx = 120, .cy = 45, .menu = N::Ordinal(9), .windowClass = N::Name(u"Cls"),
          .caption = u"Caption \u00e9", .pointSize = 9, .weight = WORD(extended ? 700 : 0),
          .italic = BYTE(extended ? 1 : 0), .charset = BYTE(extended ? 134 : 0), .typeface = u"MS Sans Serif",
          .items = {icon, button}};
}

TEST(DialogTemplate, ClassicAndExtendedFormsReadBackWhole) {
  for (bool extended : {false, true}) {
    SCOPED_TRACE(extended ? "extended" : "classic");
    const CDialogTemplate t = Sample(extended);
    const std::vector<uint8_t> bytes = t.Build();
    EXPECT_EQ(bytes.size() >= 4 && bytes[2] == 0xFF && bytes[3] == 0xFF, extended);
    std::optional<CDialogTemplate> back = CDialogTemplate::Parse(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, t);
  }
}

TEST(VersionInfo, FieldsReadBack) {
  CVersionInfo v;
  v.fileVersion[0] = 1;
  v.fileVersion[3] = 1;
  v.productVersion[0] = 2;
  v.productVersion[3] = 9;
  v.fileType = VFT_DLL;
  v.language = 0x0804;
  v.codePage = 936;
  v.strings = {{u"InternalName", u"x.ocx"}, {u"OriginalFilename", u"y.ocx"}, {u"Empty", u""}};
  std::optional<CVersionInfo> back = CVersionInfo::Parse(v.Build());
  ASSERT_TRUE(back);
  EXPECT_TRUE(std::equal(v.fileVersion, v.fileVersion + 4, back->fileVersion));
  EXPECT_TRUE(std::equal(v.productVersion, v.productVersion + 4, back->productVersion));
  EXPECT_EQ(back->fileOS, VOS__WINDOWS32);
  EXPECT_EQ(back->fileType, VFT_DLL);
  EXPECT_EQ(back->language, 0x0804);
  EXPECT_EQ(back->codePage, 936);
  EXPECT_EQ(back->strings, v.strings);
}

TEST(DibImage, SixteenColourBitmapKeepsEveryPixel) {
  std::vector<uint8_t> indices(5 * 3);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(i % 16);
  std::optional<CDibImage> img = CDibImage::ParseBitmap(CDibImage::Build4(5, 3, indices));
  ASSERT_TRUE(img);
  EXPECT_EQ(img->width, 5);
  EXPECT_EQ(img->height, 3);
  EXPECT_EQ(img->bitCount, 4);
  for (size_t i = 0; i < indices.size(); ++i)
    EXPECT_EQ(img->argb[i], 0xFF000000u | CDibImage::StandardPalette()[indices[i]]) << i;
}

TEST(DibImage, IconSizesAndTransparencyReadBack) {
  std::vector<uint8_t> big(32 * 32, 12), small(16 * 16, 16);
  big[0] = 16;  // the top-left pixel is clear
  small[17] = 9;
  std::optional<std::vector<CDibImage>> icons = CDibImage::ParseIcon(CDibImage::BuildIcon({{32, big}, {16, small}}));
  ASSERT_TRUE(icons);
  ASSERT_EQ(icons->size(), 2u);
  EXPECT_EQ((*icons)[0].width, 32);
  EXPECT_EQ((*icons)[1].height, 16);
  EXPECT_EQ((*icons)[0].argb[0] >> 24, 0u);
  EXPECT_EQ((*icons)[0].argb[1], 0xFF000000u | CDibImage::StandardPalette()[12]);
  EXPECT_EQ((*icons)[1].argb[0] >> 24, 0u);
  EXPECT_EQ((*icons)[1].argb[17], 0xFF000000u | CDibImage::StandardPalette()[9]);
}

TEST(StringResource, RoundTripAndOddLength) {
  const std::u16string s = u"General \u4e2d";
  EXPECT_EQ(AfxParseStringResource(AfxMakeStringResource(s)), s);
  EXPECT_FALSE(AfxParseStringResource({1, 2, 3}));
}

// A built record, damaged: cut short anywhere, or with one field made
// impossible. Every one is refused without reading past the data.
struct DamageRow {
  const char* name;
  std::vector<uint8_t> bytes;
  std::function<bool(const std::vector<uint8_t>&)> parses;
  size_t at;  // the first byte of the impossible field; 0xFF fills a 16-bit count
  uint8_t value;
};
class DamagedRecord : public ::testing::TestWithParam<DamageRow> {};

TEST_P(DamagedRecord, IsRefusedWhereverItIsCutAndWhenAFieldIsImpossible) {
  const auto& bytes = GetParam().bytes;
  ASSERT_TRUE(GetParam().parses(bytes));
  for (size_t n = 0; n < bytes.size(); ++n)
    EXPECT_FALSE(GetParam().parses({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)})) << "cut at " << n;
  std::vector<uint8_t> impossible = bytes;
  impossible[GetParam().at] = GetParam().value;
  if (GetParam().at + 1 < impossible.size() && GetParam().value == 0xFF) impossible[GetParam().at + 1] = 0xFF;
  EXPECT_FALSE(GetParam().parses(impossible));
}

CVersionInfo VersionSample() {
  CVersionInfo v;
  v.strings = {{u"A", u"b"}};
  return v;
}
bool ParsesDialog(const std::vector<uint8_t>& b) { return CDialogTemplate::Parse(b).has_value(); }

INSTANTIATE_TEST_SUITE_P(
    Formats, DamagedRecord,
    ::testing::Values(
        // An item count far beyond the data.
        DamageRow{"ClassicDialog", Sample(false).Build(), ParsesDialog, 8, 0xFF},
        DamageRow{"ExtendedDialog", Sample(true).Build(), ParsesDialog, 16, 0xFF},
        // The fixed part's signature follows the 6-byte header and the padded key.
        DamageRow{"Version", VersionSample().Build(),
                  [](const std::vector<uint8_t>& b) { return CVersionInfo::Parse(b).has_value(); }, 40, 0x00},
        // A width no file could hold.
        DamageRow{"Bitmap", CDibImage::Build4(16, 16, std::vector<uint8_t>(256, 3)),
                  [](const std::vector<uint8_t>& b) { return CDibImage::ParseBitmap(b).has_value(); }, 7, 0x7F},
        DamageRow{"Icon", CDibImage::BuildIcon({{16, std::vector<uint8_t>(256, 3)}}),
                  [](const std::vector<uint8_t>& b) { return CDibImage::ParseIcon(b).has_value(); }, 4, 0x00}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
