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

// The host reads Count, Item and the enumerator while the listing thread
// still appends: every read sees a consistent prefix of the final list.
TEST(DrivesRace, ReaderAgainstAppendingThread) {
  constexpr int kDrives = 2000;
  ComPtr<CDrives> drives = MakeDrives({});
  std::atomic<bool> done{false};
  std::thread lister([&] {
    for (int i = 0; i < kDrives; ++i) drives->Add(u"V", u"P", Num(i));
    done = true;
  });
  for (SHORT last = 0; !done.load() || last < kDrives;) {
    CVariant count, item;
    ASSERT_EQ(DispInvoke(drives.Get(), DISPID_DRIVES_COUNT, DISPATCH_PROPERTYGET, {}, &count), S_OK);
    ASSERT_GE(count.iVal, last);
    last = count.iVal;
    ASSERT_EQ(DispInvoke(drives.Get(), DISPID_DRIVES_ITEM, DISPATCH_PROPERTYGET, {CVariant::Long(last)}, &item), S_OK);
    ASSERT_EQ(RevisionOf(item), last ? Num(last - 1) : u"<null>");
    ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
    int i = 0;
    for (CVariant v; e->Next(1, &v, nullptr) == S_OK; v.Clear()) ASSERT_EQ(RevisionOf(v), Num(i++));
    ASSERT_GE(i, last);
  }
  lister.join();
}

}  // namespace
