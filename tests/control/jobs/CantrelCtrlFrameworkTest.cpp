// The control's own answers to its container and host outside any job:
// Drive's notifications, the fixed results and the framework settings.
// Drawing and persistence belong to the module's tests.
#include <gtest/gtest.h>

#include "tests/control/jobs/JobsTestHost.h"

namespace {

TEST(CantrelCtrlFramework, PuttingDriveMarksTheControlDirtyAndNotifiesOnlyInDesignMode) {
  COleControlSite::EnsureApplication();
  for (BOOL bUserMode : {FALSE, TRUE}) {
    auto pCtrl = Make<CCantrelCtrl>();
    COleControlSite site{bUserMode};
    ASSERT_EQ(site.AttachControl(static_cast<IDispatch*>(pCtrl.Get()), RECT{0, 0, 100, 50}), S_OK);
    std::vector<DISPID> changed;
    site.SetPropertyChangedHandler([&](DISPID id) { changed.push_back(id); });
    CVariant r;
    ASSERT_EQ(
        DispInvoke(site.GetDispatch().Get(), DISPID_CANTREL_DRIVE, DISPATCH_PROPERTYPUT, {CVariant::Short(3)}, &r),
        S_OK);
    EXPECT_EQ(changed, bUserMode ? std::vector<DISPID>{} : std::vector<DISPID>{DISPID_CANTREL_DRIVE}) << bUserMode;
    EXPECT_EQ(site.Query<IPersistStreamInit>()->IsDirty(), S_OK) << bUserMode;
  }
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
  CLSID clsid{};
  ASSERT_EQ(host.m_site.Query<IPersistStreamInit>()->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_Cantrel);
  // Calls are accepted before the container initialises the control.
  auto pFresh = Make<CCantrelCtrl>();
  CVariant r;
  EXPECT_EQ(
      DispInvoke(static_cast<IDispatch*>(pFresh.Get()), DISPID_CANTREL_GETMEDIAFREESPACE, DISPATCH_METHOD, {}, &r),
      S_OK);
}

}  // namespace
