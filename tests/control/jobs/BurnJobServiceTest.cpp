// The control end to end on the real disc-mastering service with a virtual
// recorder, driven only as a host drives it: IDispatch calls and the event sink.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>

#include "platform/imapi/service/CVirtualRecorderStore.h"
#include "tests/control/jobs/JobsTestHost.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::MakeWav;

std::vector<uint8_t> Padded(std::vector<uint8_t> data) {
  data.resize((data.size() + 2351) / 2352 * 2352, 0);
  return data;
}

class BurnJobService : public ::testing::Test {
 protected:
  void SetUp() override {
    m_hLib = dlopen((testsupport::BinDir() + "/libimapisvc.so").c_str(), RTLD_NOW);
    ASSERT_NE(m_hLib, nullptr) << dlerror();
    auto pfnRegister = reinterpret_cast<HRESULT (*)()>(dlsym(m_hLib, "DllRegisterServer"));
    ASSERT_NE(pfnRegister, nullptr);
    ASSERT_EQ(pfnRegister(), S_OK);
    VirtualRecorderConfig config;
    config.folder = m_recorder.Path();
    config.media = "cd-rw";
    CVirtualRecorderStore().Add(config);
  }
  void TearDown() override {
    if (m_hLib) dlclose(m_hLib);
  }

  std::vector<std::string> Images(const std::string& ext) const {
    std::vector<std::string> names;
    for (int n = 1; n < 100; ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "disc-%04d%s", n, ext.c_str());
      if (std::ifstream(m_recorder.File(name)).good()) names.push_back(m_recorder.File(name));
    }
    return names;
  }

  testsupport::ScopedRegistry m_registry;
  testsupport::TempDir m_recorder;
  testsupport::TempDir m_tracks;
  void* m_hLib = nullptr;
};

TEST_F(BurnJobService, ListsTheRecorderAndBurnsTwoWavFilesToAnImage) {
  auto a = MakeWav(m_tracks.File("a.wav"), 2352 * 310 + 17);
  auto b = MakeWav(m_tracks.File("b.wav"), 2352 * 300);
  JobsTestHost host;

  EXPECT_EQ(host.Call(DISPID_CANTREL_INITCONTROL).boolVal, VARIANT_TRUE);
  CVariant drives = host.Call(DISPID_CANTREL_DRIVES, {}, DISPATCH_PROPERTYGET);
  ASSERT_EQ(drives.vt, VT_DISPATCH);
  CVariant count, product;
  ASSERT_EQ(DispInvoke(drives.pdispVal, 1, DISPATCH_PROPERTYGET, {}, &count), S_OK);
  EXPECT_EQ(count.iVal, 1);
  ASSERT_EQ(DispInvoke(drives.pdispVal, 3, DISPATCH_METHOD, {CVariant::Short(0)}, &product), S_OK);
  EXPECT_EQ(std::u16string(product.bstrVal), u"CD-RW Recorder");

  host.PutDrive(0);
  ASSERT_EQ(host.Add(m_tracks.File("a.wav")), 0);
  ASSERT_EQ(host.Add(m_tracks.File("b.wav")), 0);
  bool busyAtComplete = true;
  host.m_onEvent = [&](DISPID id) {
    if (id == DISPID_EVENT_BURNCOMPLETE) busyAtComplete = host.m_pCtrl->IsBusy();
  };
  ASSERT_EQ(host.Burn(), 1);
  EXPECT_EQ(host.Burn(), 0) << "a second burn right after the first is refused";
  ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_BURNCOMPLETE, 60000))
      << "error " << (host.First(DISPID_EVENT_ERROREVENT) ? host.First(DISPID_EVENT_ERROREVENT)->args.at(0).iVal : 0);
  host.Finish();

  EXPECT_EQ(host.Count(DISPID_EVENT_BURNCOMPLETE), 1u);
  EXPECT_EQ(host.Count(DISPID_EVENT_ERROREVENT), 0u);
  EXPECT_FALSE(busyAtComplete);
  EXPECT_GT(host.Count(DISPID_EVENT_PROGRESS), 0u);
  EXPECT_GT(host.Count(DISPID_EVENT_TRACKPROGRESS), 0u);
  EXPECT_EQ(host.Count(DISPID_EVENT_CLOSINGDISC), 1u);
  for (const auto& e : host.m_events) EXPECT_EQ(e.thread, std::this_thread::get_id());
  auto order = host.Order();
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.back(), DISPID_EVENT_BURNCOMPLETE);
  EXPECT_EQ(order.front() == DISPID_EVENT_PROGRESS || order.front() == DISPID_EVENT_TRACKPROGRESS, true);

  auto images = Images(".bin");
  ASSERT_EQ(images.size(), 1u);
  auto expected = Padded(a);
  auto paddedB = Padded(b);
  expected.insert(expected.end(), paddedB.begin(), paddedB.end());
  EXPECT_EQ(testsupport::ReadFileBytes(images[0]), expected);
}

TEST_F(BurnJobService, BurnFromTheCompletionHandlerThenADiscThatIsNotBlank) {
  MakeWav(m_tracks.File("a.wav"), 2352 * 300);
  JobsTestHost host;
  ASSERT_EQ(host.Add(m_tracks.File("a.wav")), 0);
  std::vector<SHORT> fromHandler;
  host.m_onEvent = [&](DISPID id) {
    // The first burn ejects (a fresh blank disc comes back); the second keeps its disc in.
    if (id == DISPID_EVENT_BURNCOMPLETE && fromHandler.empty())
      fromHandler.push_back(
          host.Call(DISPID_CANTREL_BURN, {CVariant::Bool(false), CVariant::Bool(false), CVariant::Bool(true)}).iVal);
  };
  ASSERT_EQ(host.Burn(), 1);
  ASSERT_TRUE(COleControlSite::PumpMessagesUntil([&] { return host.Count(DISPID_EVENT_BURNCOMPLETE) == 2; }, 60000));
  host.Finish();
  ASSERT_EQ(fromHandler.size(), 1u);
  EXPECT_EQ(fromHandler[0], 1);
  EXPECT_EQ(Images(".bin").size(), 2u);

  host.m_events.clear();
  bool busyAtError = false;
  host.m_onEvent = [&](DISPID id) {
    if (id == DISPID_EVENT_ERROREVENT) busyAtError = host.m_pCtrl->IsBusy();
  };
  ASSERT_EQ(host.Burn(), 1);
  ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_ERROREVENT, 30000)) << ::testing::PrintToString(host.Order());
  host.Finish();
  EXPECT_EQ(host.First(DISPID_EVENT_ERROREVENT)->args.at(0).iVal, 4);
  EXPECT_TRUE(busyAtError);
  EXPECT_FALSE(host.m_pCtrl->IsBusy());
  EXPECT_EQ(host.Count(DISPID_EVENT_BURNCOMPLETE), 0u);
  EXPECT_EQ(Images(".bin").size(), 2u);

  // Erasing the rewritable disc makes it blank again; ejecting raises nothing.
  host.m_events.clear();
  EXPECT_EQ(host.Call(DISPID_CANTREL_ERASE, {CVariant::Bool(false)}).iVal, 1);
  ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_ERASECOMPLETE, 30000));
  host.Finish();
  EXPECT_EQ(host.Order(), std::vector<DISPID>{DISPID_EVENT_ERASECOMPLETE});
  host.m_events.clear();
  EXPECT_EQ(host.Call(DISPID_CANTREL_EJECT).iVal, 0);
  host.Finish();
  EXPECT_TRUE(host.m_events.empty());
  ASSERT_EQ(host.Burn(), 1);
  ASSERT_TRUE(host.WaitEvent(DISPID_EVENT_BURNCOMPLETE, 60000));
  host.Finish();
  EXPECT_EQ(Images(".bin").size(), 3u);
}

}  // namespace
