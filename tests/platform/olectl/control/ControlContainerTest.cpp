// The control base as a container sees it: events, placement, drawing and
// persistence. Ambient user mode and property notifications are seen through
// the control's own design-mode rule.
#include <gtest/gtest.h>

#include "platform/com/ComPtr.h"
#include "platform/olectl/COleControlSite.h"
#include "tests/platform/olectl/control/TestControl.h"

namespace {

struct Hosted {
  ComPtr<CTestControl> pCtrl = Make<CTestControl>();
  COleControlSite site{TRUE};
  Hosted() {
    COleControlSite::EnsureApplication();
    EXPECT_EQ(site.AttachControl(static_cast<IDispatch*>(pCtrl.Get()), RECT{5, 6, 105, 56}), S_OK);
  }
};

// Arguments travel as the connection point and the sink pass them.
TEST(ControlContainer, EventsReachTheSinkUnlessFrozenOrDisconnected) {
  Hosted h;
  std::vector<DISPID> got;
  ASSERT_EQ(h.site.ConnectEvents(IID_DTestControlEvents,
                                 [&](DISPID id, const std::vector<CVariant>&) { got.push_back(id); }),
            S_OK);
  h.pCtrl->FireEvent(1, {CVariant::Long(37)});
  h.pCtrl->FreezeEvents(TRUE);
  h.pCtrl->FireEvent(2, {});
  h.pCtrl->FreezeEvents(FALSE);
  h.pCtrl->FireEvent(3, {});
  h.site.DisconnectEvents();
  h.pCtrl->FireEvent(4, {});
  EXPECT_EQ(got, (std::vector<DISPID>{1, 3}));

  ComPtr<IConnectionPointContainer> pCPC = h.site.Query<IConnectionPointContainer>();
  ComPtr<IConnectionPoint> pCP;
  EXPECT_EQ(pCPC->FindConnectionPoint(IID_IDispatch, pCP.ReleaseAndGetAddressOf()), CONNECT_E_NOCONNECTION);
}

TEST(ControlContainer, PlacementAndResizeReachTheSite) {
  Hosted h;
  EXPECT_EQ(h.pCtrl->GetRectInContainer(), CRect(5, 6, 105, 56));
  EXPECT_EQ(h.site.SetRect(RECT{0, 0, 40, 30}), S_OK);
  EXPECT_EQ(h.pCtrl->GetRectInContainer(), CRect(0, 0, 40, 30));
  h.pCtrl->SetWindowPos(nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(h.site.GetRect(), CRect(0, 0, 1, 1));
  h.pCtrl->SetWindowPos(nullptr, 7, 8, 0, 0, SWP_NOSIZE);
  EXPECT_EQ(h.site.GetRect(), CRect(7, 8, 8, 9));
}

TEST(ControlContainer, DrawsIntoAnImageThroughTheViewObject) {
  Hosted h;
  std::vector<uint32_t> pixels;
  ASSERT_EQ(h.site.DrawToImage(8, 4, &pixels), S_OK);
  ASSERT_EQ(pixels.size(), 32u);
  for (uint32_t p : pixels) EXPECT_EQ(p, 0xFF0000FFu);
  EXPECT_EQ(h.site.DrawToImage(0, 4, &pixels), E_INVALIDARG);
}

class Persistence : public ::testing::TestWithParam<bool> {};

TEST_P(Persistence, PropertiesSurviveSaveAndLoad) {
  const bool stream = GetParam();
  Hosted a;
  a.pCtrl->m_sValue = -3;
  a.pCtrl->m_strName = u"N\u00e4me";
  a.pCtrl->SetModifiedFlag();
  EXPECT_EQ(a.site.Query<IPersistStreamInit>()->IsDirty(), S_OK);
  std::vector<uint8_t> bytes;
  std::map<std::u16string, CVariant> bag;
  ASSERT_EQ(stream ? a.site.SaveToStream(&bytes) : a.site.SaveToPropertyBag(&bag), S_OK);
  EXPECT_EQ(a.site.Query<IPersistStreamInit>()->IsDirty(), S_FALSE);
  Hosted b;
  ASSERT_EQ(stream ? b.site.LoadFromStream(bytes) : b.site.LoadFromPropertyBag(bag), S_OK);
  EXPECT_EQ(b.pCtrl->m_sValue, -3);
  EXPECT_EQ(b.pCtrl->m_strName, u"N\u00e4me");
  if (!stream) {
    EXPECT_EQ(bag.at(u"Value").vt, VT_I2);
  }
}

INSTANTIATE_TEST_SUITE_P(Media, Persistence, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Stream" : "PropertyBag"); });

TEST(ControlContainer, ACutStreamFailsToLoadAndLeavesTheDefaults) {
  Hosted a;
  a.pCtrl->m_sValue = 9;
  a.pCtrl->m_strName = u"abc";
  std::vector<uint8_t> bytes;
  ASSERT_EQ(a.site.SaveToStream(&bytes), S_OK);
  // Cut in the version, in the short, in the string; and a string length no
  // stream could hold, which is damage, not a reason to allocate.
  std::vector<uint8_t> huge = bytes;
  huge[4 + 4 + 4 + 2 + 3] = 0x7F;
  for (const auto& damaged : {std::vector<uint8_t>(bytes.begin(), bytes.begin() + 2),
                              std::vector<uint8_t>(bytes.begin(), bytes.begin() + 13),
                              std::vector<uint8_t>(bytes.begin(), bytes.end() - 1), huge}) {
    Hosted b;
    b.pCtrl->m_sValue = 5;
    EXPECT_EQ(b.site.LoadFromStream(damaged), STG_E_READFAULT) << damaged.size();
    EXPECT_EQ(b.pCtrl->m_sValue, 0) << damaged.size();
    EXPECT_EQ(b.pCtrl->m_strName, u"none") << damaged.size();
  }
}

TEST(ControlContainer, BagWithoutAPropertyGivesItsDefaultAndSavesTheCurrentVersion) {
  Hosted a;
  a.pCtrl->m_strName = u"old";
  std::map<std::u16string, CVariant> bag = {{u"_Version", CVariant::Long(0x00020000)},
                                            {u"Value", CVariant::String(u"12")}};
  ASSERT_EQ(a.site.LoadFromPropertyBag(bag), S_OK);
  EXPECT_EQ(a.pCtrl->m_sValue, 12) << "a value stored as text converts";
  EXPECT_EQ(a.pCtrl->m_strName, u"none");
  std::map<std::u16string, CVariant> saved;
  ASSERT_EQ(a.site.SaveToPropertyBag(&saved), S_OK);
  EXPECT_EQ(saved.at(u"_Version").lVal, 0x00010000);
  EXPECT_EQ(std::u16string(saved.at(u"Name").bstrVal), u"none");
}

}  // namespace
