// The control's window and worker threads. Posting order, the owner's thread
// and a destroyed control's handle are seen through the jobs' events.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <thread>

#include "platform/com/ComPtr.h"
#include "platform/olectl/COleControlSite.h"
#include "platform/olectl/CWinThread.h"
#include "tests/platform/olectl/control/TestControl.h"

namespace {

TEST(ControlWindow, AWindowlessHostNeverLoadsTheGraphicalToolkit) {
  COleControlSite::EnsureApplication();
  auto pCtrl = Make<CTestControl>();
  COleControlSite::PumpMessagesFor(10);
  EXPECT_EQ(dlopen("libQt6Gui.so.6", RTLD_LAZY | RTLD_NOLOAD), nullptr);
}

TEST(ControlWindow, ControlReleasedFromInsideItsOwnMessageHandler) {
  COleControlSite::EnsureApplication();
  ComPtr<CTestControl> pHost = Make<CTestControl>();
  CTestControl* pCtrl = pHost.Get();
  HWND hWnd = pCtrl->GetSafeHwnd();
  bool released = false;
  pCtrl->m_onSelfRelease = [&] {
    pHost = nullptr;
    released = true;
  };
  ASSERT_TRUE(PostMessageW(hWnd, WM_TEST_SELF_RELEASE, 0, 0));
  ASSERT_TRUE(PostMessageW(hWnd, WM_TEST_RECORD, 0, 0));  // must be dropped, not delivered to freed memory
  ASSERT_TRUE(COleControlSite::PumpMessagesUntil([&] { return released; }, 5000));
  COleControlSite::PumpMessagesFor(50);
  EXPECT_FALSE(IsWindow(hWnd));
}

TEST(WorkerThread, RunsDetachedUnderTheCallersModuleWithALockUntilItEnds) {
  AFX_MODULE_STATE* pState = AfxGetModuleState();
  long before = pState->m_nObjectCount.load();
  struct Shared {
    std::atomic<bool> go{false};
    std::atomic<bool> done{false};
    AFX_MODULE_STATE* seen = nullptr;
  } shared;
  CWinThread* pThread = AfxBeginThread(
      [](LPVOID p) -> UINT {
        auto* s = static_cast<Shared*>(p);
        while (!s->go) std::this_thread::yield();
        s->seen = AfxGetModuleState();
        s->done = true;
        return 0;
      },
      &shared);
  ASSERT_NE(pThread, nullptr);
  EXPECT_EQ(pState->m_nObjectCount.load(), before + 1) << "the module is locked while the thread runs";
  shared.go = true;
  while (!shared.done) std::this_thread::yield();
  for (int i = 0; i < 2000 && pState->m_nObjectCount.load() != before; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(pState->m_nObjectCount.load(), before);
  EXPECT_EQ(shared.seen, pState);
  EXPECT_EQ(AfxBeginThread(nullptr, nullptr), nullptr);
}

}  // namespace
