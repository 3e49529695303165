#include <gtest/gtest.h>

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

CVersionInfo VersionSample() {
  CVersionInfo v;
  v.fileVersion[0] = 1;
  v.fileVersion[3] = 1;
  v.productVersion[3] = 9;
  v.fileType = VFT_DLL;
  v.language = 0x0804;
  v.codePage = 936;
  v.strings = {{u"InternalName", u"x.ocx"}, {u"Empty", u""}};
  return v;
}

bool VersionReadsBack(const std::vector<uint8_t>& b) {
  std::optional<CVersionInfo> back = CVersionInfo::Parse(b);
  return back && back->Build() == b;
}

uint32_t Opaque(uint8_t index) { return 0xFF000000u | CDibImage::StandardPalette()[index]; }

std::vector<uint8_t> Indices() {
  std::vector<uint8_t> indices(16 * 16);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(i % 16);
  return indices;
}

bool BitmapReadsBack(const std::vector<uint8_t>& b) {
  std::optional<CDibImage> img = CDibImage::ParseBitmap(b);
  if (!img || img->width != 16 || img->height != 16 || img->bitCount != 4) return false;
  const std::vector<uint8_t> indices = Indices();
  for (size_t i = 0; i < indices.size(); ++i)
    if (img->argb[i] != Opaque(indices[i])) return false;
  return true;
}

// 32 pixels wide with its top-left pixel clear, and 16 wide with pixel 17 set.
std::vector<uint8_t> IconSample() {
  std::vector<uint8_t> big(32 * 32, 12), small(16 * 16, 16);
  big[0] = 16;
  small[17] = 9;
  return CDibImage::BuildIcon({{32, big}, {16, small}});
}

bool IconReadsBack(const std::vector<uint8_t>& b) {
  std::optional<std::vector<CDibImage>> icons = CDibImage::ParseIcon(b);
  return icons && icons->size() == 2 && (*icons)[0].width == 32 && (*icons)[1].height == 16 &&
         (*icons)[0].argb[0] >> 24 == 0 && (*icons)[0].argb[1] == Opaque(12) && (*icons)[1].argb[0] >> 24 == 0 &&
         (*icons)[1].argb[17] == Opaque(9);
}

TEST(StringResource, RoundTripAndOddLength) {
  const std::u16string s = u"General \u4e2d";
  EXPECT_EQ(AfxParseStringResource(AfxMakeStringResource(s)), s);
  EXPECT_FALSE(AfxParseStringResource({1, 2, 3}));
}

// A built record reads back whole; damaged, cut short anywhere or with one
// field made impossible, it is refused without reading past the data.
struct FormatRow {
  const char* name;
  std::vector<uint8_t> bytes;
  std::function<bool(const std::vector<uint8_t>&)> readsBack;
  size_t at;  // the first byte of the impossible field; 0xFF fills a 16-bit count
  uint8_t value;
};
class Format : public ::testing::TestWithParam<FormatRow> {};

TEST_P(Format, ReadsBackWholeAndRefusesEveryCutAndAnImpossibleField) {
  const auto& bytes = GetParam().bytes;
  ASSERT_TRUE(GetParam().readsBack(bytes));
  for (size_t n = 0; n < bytes.size(); ++n)
    EXPECT_FALSE(GetParam().readsBack({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)})) << "cut at " << n;
  std::vector<uint8_t> impossible = bytes;
  impossible[GetParam().at] = GetParam().value;
  if (GetParam().at + 1 < impossible.size() && GetParam().value == 0xFF) impossible[GetParam().at + 1] = 0xFF;
  EXPECT_FALSE(GetParam().readsBack(impossible));
}

std::function<bool(const std::vector<uint8_t>&)> DialogReadsBack(bool extended) {
  return [extended](const std::vector<uint8_t>& b) {
    std::optional<CDialogTemplate> t = CDialogTemplate::Parse(b);
    return t && *t == Sample(extended) && (b[2] == 0xFF && b[3] == 0xFF) == extended;
  };
}

INSTANTIATE_TEST_SUITE_P(
    Records, Format,
    ::testing::Values(
        // An item count far beyond the data.
        FormatRow{"ClassicDialog", Sample(false).Build(), DialogReadsBack(false), 8, 0xFF},
        FormatRow{"ExtendedDialog", Sample(true).Build(), DialogReadsBack(true), 16, 0xFF},
        // The fixed part's signature follows the 6-byte header and the padded key.
        FormatRow{"Version", VersionSample().Build(), VersionReadsBack, 40, 0x00},
        // A width no file could hold.
        FormatRow{"Bitmap", CDibImage::Build4(16, 16, Indices()), BitmapReadsBack, 7, 0x7F},
        FormatRow{"Icon", IconSample(), IconReadsBack, 4, 0x00}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
