// The control's window: messages posted from any thread reach the owner's
// thread in posting order; a destroyed control's handle names no window.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "platform/com/ComPtr.h"
#include "platform/olectl/COleControlSite.h"
#include "platform/olectl/CWinThread.h"
#include "tests/platform/olectl/control/TestControl.h"

namespace {

TEST(ControlWindow, MessagesFromManyThreadsArriveOnTheOwnerThreadInEachThreadsOrder) {
  COleControlSite::EnsureApplication();
  auto pCtrl = Make<CTestControl>();
  HWND hWnd = pCtrl->GetSafeHwnd();
  ASSERT_TRUE(IsWindow(hWnd));
  constexpr int kThreads = 4, kPerThread = 300;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([=] {
      for (int i = 0; i < kPerThread; ++i) ASSERT_TRUE(PostMessageW(hWnd, WM_TEST_RECORD, t, i));
    });
  for (auto& th : threads) th.join();
  ASSERT_TRUE(COleControlSite::PumpMessagesUntil(
      [&] { return pCtrl->m_received.size() == size_t{kThreads} * kPerThread; }, 20000));
  std::map<WPARAM, LPARAM> next;
  for (const auto& m : pCtrl->m_received) {
    EXPECT_EQ(m.thread, std::this_thread::get_id());
    EXPECT_EQ(m.lParam, next[m.wParam]) << "thread " << m.wParam;
    next[m.wParam] = m.lParam + 1;
  }
}

TEST(ControlWindow, AWindowlessHostNeverLoadsTheGraphicalToolkit) {
  COleControlSite::EnsureApplication();
  auto pCtrl = Make<CTestControl>();
  ASSERT_TRUE(PostMessageW(pCtrl->GetSafeHwnd(), WM_TEST_RECORD, 0, 0));
  ASSERT_TRUE(COleControlSite::PumpMessagesUntil([&] { return !pCtrl->m_received.empty(); }, 20000));
  EXPECT_EQ(dlopen("libQt6Gui.so.6", RTLD_LAZY | RTLD_NOLOAD), nullptr);
}

TEST(ControlWindow, HandleOfADestroyedControlNamesNoWindowAndPendingMessagesAreDropped) {
  COleControlSite::EnsureApplication();
  auto pCtrl = Make<CTestControl>();
  HWND hOld = pCtrl->GetSafeHwnd();
  ASSERT_TRUE(PostMessageW(hOld, WM_TEST_RECORD, 1, 1));
  pCtrl = nullptr;  // destroyed with a message still queued
  EXPECT_FALSE(IsWindow(hOld));
  EXPECT_FALSE(PostMessageW(hOld, WM_TEST_RECORD, 2, 2));
  COleControlSite::PumpMessagesFor(50);
  auto pNewer = Make<CTestControl>();
  EXPECT_NE(pNewer->GetSafeHwnd(), hOld) << "handles are not reused";
  EXPECT_FALSE(PostMessageW(hOld, WM_TEST_RECORD, 3, 3));
  EXPECT_FALSE(PostMessageW(nullptr, WM_TEST_RECORD, 0, 0));
  COleControlSite::PumpMessagesFor(50);
  EXPECT_TRUE(pNewer->m_received.empty());
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
    std::thread::id thread;
  } shared;
  CWinThread* pThread = AfxBeginThread(
      [](LPVOID p) -> UINT {
        auto* s = static_cast<Shared*>(p);
        while (!s->go) std::this_thread::yield();
        s->seen = AfxGetModuleState();
        s->thread = std::this_thread::get_id();
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
  EXPECT_NE(shared.thread, std::this_thread::get_id());
  EXPECT_EQ(AfxBeginThread(nullptr, nullptr), nullptr);
}

}  // namespace
