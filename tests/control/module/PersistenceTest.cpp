// The control as saved and drawn through its container interfaces: the one
// place for Drive persistence and the design-time drawing.
#include <gtest/gtest.h>

#include <map>

#include "OcxLibrary.h"
#include "control/interface/CantrelIds.h"
#include "platform/com/Apartment.h"
#include "platform/com/DispatchTable.h"
#include "platform/olectl/COleControlSite.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr DISPID kDrive = 2;

class Persistence : public RegisteredOcx {
 protected:
  static std::unique_ptr<COleControlSite> NewControl(BOOL bUserMode = TRUE, RECT rc = {0, 0, 100, 50}) {
    auto site = std::make_unique<COleControlSite>(bUserMode);
    EXPECT_EQ(site->CreateControl(CLSID_Cantrel, rc), S_OK);
    return site;
  }
  static SHORT Drive(COleControlSite& site) {
    CVariant v;
    EXPECT_EQ(DispInvoke(site.GetDispatch().Get(), kDrive, DISPATCH_PROPERTYGET, {}, &v), S_OK);
    return v.vt == VT_I2 ? v.iVal : SHORT{-999};
  }
  static void SetDrive(COleControlSite& site, SHORT n) {
    EXPECT_EQ(DispInvoke(site.GetDispatch().Get(), kDrive, DISPATCH_PROPERTYPUT, {CVariant::Short(n)}, nullptr), S_OK);
  }
  static LONG BagLong(std::map<std::u16string, CVariant>& bag, const std::u16string& name) {
    CVariant v;  // a missing entry reads as empty, which converts to 0
    EXPECT_EQ(VariantChangeType(&v, &bag[name], 0, VT_I4), S_OK);
    return v.lVal;
  }
};

// Drive is saved under its name, stamped version 1.0, and loaded back; an
// older stamp loads it as zero. Both media and the stamp's format are the
// framework's part (olectl).
TEST_F(Persistence, DriveSurvivesABagStampedOneZero) {
  auto saved = NewControl();
  EXPECT_EQ(Drive(*saved), 0);  // a fresh control
  SetDrive(*saved, 3);
  std::map<std::u16string, CVariant> bag;
  ASSERT_EQ(saved->SaveToPropertyBag(&bag), S_OK);
  EXPECT_EQ(BagLong(bag, u"Drive"), 3);
  EXPECT_EQ(BagLong(bag, u"_Version"), 0x00010000);
  auto loaded = NewControl();
  ASSERT_EQ(loaded->LoadFromPropertyBag(bag), S_OK);
  EXPECT_EQ(Drive(*loaded), 3);
  std::map<std::u16string, CVariant> old{{u"_Version", CVariant::Long(0x00000005)}};
  ASSERT_EQ(loaded->LoadFromPropertyBag(old), S_OK);
  EXPECT_EQ(Drive(*loaded), 0);
}

// Pixels are 0xAARRGGBB.
bool IsRed(uint32_t p) { return ((p >> 16) & 0xFF) > 0xC0 && ((p >> 8) & 0xFF) < 0x40 && (p & 0xFF) < 0x40; }

TEST_F(Persistence, DesignModeDrawsBlackWithRedTextCentred) {
  auto control = NewControl(FALSE, {0, 0, 240, 60});
  const int cx = 240, cy = 60;
  std::vector<uint32_t> px;
  ASSERT_EQ(control->DrawToImage(cx, cy, &px), S_OK);
  ASSERT_EQ(px.size(), static_cast<size_t>(cx * cy));
  for (int corner : {0, cx - 1, (cy - 1) * cx, cy * cx - 1}) EXPECT_EQ(px[static_cast<size_t>(corner)] & 0xFFFFFF, 0u);
  int left = cx, right = -1, top = cy, bottom = -1, red = 0;
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x)
      if (IsRed(px[static_cast<size_t>(y * cx + x)])) {
        ++red;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  ASSERT_GT(red, 20);
  EXPECT_NEAR((left + right) / 2.0, cx / 2.0, 4.0);
  EXPECT_NEAR((top + bottom) / 2.0, cy / 2.0, 4.0);
  EXPECT_LT(bottom - top, cy / 2);  // one line
  EXPECT_GT(right - left, cx / 4);  // "Cantrel ActiveX", not a dot
}

TEST_F(Persistence, RunModeShrinksTheWindowToOnePixelAndDrawsNothing) {
  auto control = NewControl(TRUE, {10, 20, 110, 70});
  std::vector<uint32_t> px;
  ASSERT_EQ(control->DrawToImage(100, 50, &px), S_OK);
  for (uint32_t p : px) ASSERT_FALSE(IsRed(p));
  const CRect rc = control->GetRect();
  EXPECT_EQ((std::vector<LONG>{rc.left, rc.top, rc.Width(), rc.Height()}), (std::vector<LONG>{10, 20, 1, 1}));
}

}  // namespace
