#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "DriveHost.h"
#include "control/interface/CantrelIds.h"

using namespace drivehost;

namespace {

std::u16string Num(int i) {
  std::string s = std::to_string(i);
  return std::u16string(s.begin(), s.end());
}

// The host reads Count, Item, the Find methods and walks the enumerator
// while the listing thread still appends: every read sees a list that is a
// consistent prefix of the final one.
TEST(DrivesRace, ReaderAgainstAppendingThread) {
  constexpr int kDrives = 2000;
  ComPtr<CDrives> drives = MakeDrives({});
  std::atomic<bool> done{false}, go{false};
  std::thread lister([&] {
    while (!go.load()) std::this_thread::yield();
    for (int i = 0; i < kDrives; ++i) drives->Add(u"V" + Num(i), u"P" + Num(i), Num(i));
    done = true;
  });
  SHORT last = 0;
  int rounds = 0;
  go = true;
  while (!done.load() || rounds < 3) {
    ++rounds;
    SHORT n = Count(drives.Get());
    ASSERT_GE(n, last);
    last = n;
    if (n > 0) {
      CVariant item;
      ASSERT_EQ(Get(drives.Get(), DISPID_DRIVES_ITEM, &item, {CVariant::Long(n)}), S_OK);
      ASSERT_EQ(RevisionOf(item), Num(n - 1));
      CVariant s;
      ASSERT_EQ(Call(drives.Get(), DISPID_DRIVES_FINDVENDORID, &s, {CVariant::Short(SHORT(n - 1))}), S_OK);
      ASSERT_EQ(std::u16string(s.bstrVal, SysStringLen(s.bstrVal)), u"V" + Num(n - 1));
    }
    ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
    ASSERT_TRUE(e);
    int i = 0;
    for (;; ++i) {
      CVariant v;
      if (e->Next(1, &v, nullptr) != S_OK) break;
      ASSERT_EQ(RevisionOf(v), Num(i));
    }
    ASSERT_GE(i, n);
  }
  lister.join();
  EXPECT_EQ(Count(drives.Get()), kDrives);
  drives = nullptr;
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 0);
}

}  // namespace
