// The control's own framework behaviour: drawing in design and run mode,
// the Drive property's persistence and notifications, its fixed answers.
#include <gtest/gtest.h>

#include "tests/control/jobs/JobsTestHost.h"

namespace {

struct Design {
  Design() {
    COleControlSite::EnsureApplication();
    EXPECT_EQ(site.AttachControl(static_cast<IDispatch*>(pCtrl.Get()), RECT{3, 4, 203, 54}), S_OK);
  }
  ComPtr<CCantrelCtrl> pCtrl = Make<CCantrelCtrl>();
  COleControlSite site{FALSE};
};

bool IsRed(uint32_t p) { return ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) < 60 && (p & 0xFF) < 60; }

TEST(CantrelCtrlFramework, DesignModeDrawsRedTextCentredOnBlackAndRunModeShrinksToOnePixel) {
  Design d;
  constexpr int cx = 200, cy = 50;
  std::vector<uint32_t> px;
  ASSERT_EQ(d.site.DrawToImage(cx, cy, &px), S_OK);
  int minX = cx, maxX = -1, minY = cy, maxY = -1, other = 0;
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x) {
      uint32_t p = px[static_cast<size_t>(y) * cx + x];
      if (IsRed(p)) {
        minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
      } else if ((p & 0xFFFFFF) != 0) {
        // anti-aliased text edges are dark reds; nothing may stay white
        other += (p & 0xFFFFFF) == 0xFFFFFF;
      }
    }
  EXPECT_EQ(other, 0) << "the whole bounds are filled";
  ASSERT_GE(maxX, 0) << "red text is drawn";
  EXPECT_NEAR((minX + maxX) / 2.0, cx / 2.0, 4.0);
  EXPECT_NEAR((minY + maxY) / 2.0, cy / 2.0, 4.0);
  EXPECT_LT(maxY - minY, cy / 2) << "a single line";

  d.site.SetUserMode(TRUE);
  ASSERT_EQ(d.site.DrawToImage(cx, cy, &px), S_OK);
  for (uint32_t p : px) ASSERT_EQ(p, 0xFFFFFFFFu) << "nothing is drawn at run time";
  EXPECT_EQ(d.site.GetRect(), CRect(3, 4, 4, 5));
}

TEST(CantrelCtrlFramework, DriveIsSavedAndLoadedWithVersionOneAndResetsToZero) {
  for (bool stream : {true, false}) {
    SCOPED_TRACE(stream ? "stream" : "bag");
    Design a;
    std::vector<DISPID> changed;
    a.site.SetPropertyChangedHandler([&](DISPID id) { changed.push_back(id); });
    CVariant r;
    ASSERT_EQ(DispInvoke(a.site.GetDispatch().Get(), DISPID_CANTREL_DRIVE, DISPATCH_PROPERTYPUT, {CVariant::Short(3)},
                         &r),
              S_OK);
    EXPECT_EQ(changed, std::vector<DISPID>{DISPID_CANTREL_DRIVE}) << "design mode notifies the bound property";
    EXPECT_EQ(a.site.Query<IPersistStreamInit>()->IsDirty(), S_OK);
    std::vector<uint8_t> bytes;
    std::map<std::u16string, CVariant> bag;
    ASSERT_EQ(stream ? a.site.SaveToStream(&bytes) : a.site.SaveToPropertyBag(&bag), S_OK);
    if (stream) {
      ASSERT_GE(bytes.size(), 4u);
      EXPECT_EQ(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24, 0x00010000);
    } else {
      EXPECT_EQ(bag.at(u"_Version").lVal, 0x00010000);
      EXPECT_EQ(bag.at(u"Drive").iVal, 3);
    }
    Design b;
    ASSERT_EQ(stream ? b.site.LoadFromStream(bytes) : b.site.LoadFromPropertyBag(bag), S_OK);
    EXPECT_EQ(b.pCtrl->GetDrive(), 3);
    ASSERT_EQ(b.site.Query<IPersistStreamInit>()->InitNew(), S_OK);
    EXPECT_EQ(b.pCtrl->GetDrive(), 0);
  }
  Design c;
  c.pCtrl->SetDrive(6);
  ASSERT_EQ(c.site.LoadFromPropertyBag({{u"_Version", CVariant::Long(0x00010000)}}), S_OK);
  EXPECT_EQ(c.pCtrl->GetDrive(), 0) << "a bag without Drive loads the default";
}

TEST(CantrelCtrlFramework, FixedAnswersAndFrameworkSettings) {
  JobsTestHost host;
  EXPECT_EQ(host.Call(DISPID_CANTREL_GETMEDIAFREESPACE).lVal, 0);
  CVariant letter = host.Call(DISPID_CANTREL_GETDRIVELETTER);
  ASSERT_EQ(letter.vt, VT_BSTR);
  EXPECT_EQ(SysStringLen(letter.bstrVal), 0u);
  host.PutDrive(-7);
  EXPECT_EQ(host.Call(DISPID_CANTREL_DRIVE, {}, DISPATCH_PROPERTYGET).iVal, -7);
  EXPECT_TRUE(host.m_events.empty());

  DWORD dwStatus = 0;
  ASSERT_EQ(host.m_site.Query<IOleObject>()->GetMiscStatus(DVASPECT_CONTENT, &dwStatus), S_OK);
  EXPECT_EQ(dwStatus, 0x20191u);
  CAUUID pages{};
  ASSERT_EQ(host.m_site.Query<ISpecifyPropertyPages>()->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  EXPECT_EQ(pages.pElems[0], CLSID_CCantrelPropPage);
  CoTaskMemFree(pages.pElems);
  CLSID clsid{};
  ASSERT_EQ(host.m_site.Query<IPersistStreamInit>()->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_Cantrel);
  UINT n = 0;
  ASSERT_EQ(host.m_site.GetDispatch()->GetTypeInfoCount(&n), S_OK);
  EXPECT_EQ(n, 1u);
  // Calls are accepted before the container initialises the control.
  auto pFresh = Make<CCantrelCtrl>();
  CVariant r;
  EXPECT_EQ(DispInvoke(static_cast<IDispatch*>(pFresh.Get()), DISPID_CANTREL_GETMEDIAFREESPACE, DISPATCH_METHOD, {}, &r),
            S_OK);
}

}  // namespace
