#include <gtest/gtest.h>

#include <type_traits>

#include "platform/com/ComObject.h"
#include "platform/com/Enumerator.h"
#include "platform/imapi/Imapi.h"

namespace {

struct IFirst : IUnknown {
  virtual int First() = 0;
};
struct ISecond : IUnknown {
  virtual int Second() = 0;
};
constexpr IID IID_IFirst = {0x7E1D0001, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr IID IID_ISecond = {0x7E1D0002, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr IID IID_ILate = {0x7E1D0003, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};

}  // namespace

PX_DECLARE_IID(IFirst, IID_IFirst);
PX_DECLARE_IID(ISecond, IID_ISecond);

namespace {

int g_destroyed = 0;

class Thing final : public ComObject<Thing, IFirst, ISecond> {
 public:
  int First() override { return 1; }
  int Second() override { return 2; }

 private:
  friend struct ::ComAccess;
  ~Thing() override { ++g_destroyed; }
  void* FindInterface(REFIID riid) { return riid == IID_ILate ? static_cast<ISecond*>(this) : nullptr; }
};

}  // namespace

TEST(ComObject, AnswersItsListWithOneIdentity) {
  ComPtr<Thing> thing = Make<Thing>();
  ComPtr<IFirst> first = thing.As<IFirst>();
  ComPtr<ISecond> second = thing.As<ISecond>();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->First() + second->Second(), 3);
  EXPECT_EQ(first.As<IUnknown>(), second.As<IUnknown>());

  void* p = thing.Get();
  EXPECT_EQ(thing->QueryInterface(IID_IDispatch, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(thing->QueryInterface(IID_IFirst, nullptr), E_POINTER);
  ASSERT_EQ(thing->QueryInterface(IID_ILate, &p), S_OK);  // from the derived class's hook
  EXPECT_EQ(p, static_cast<ISecond*>(thing.Get()));
  ComPtr<ISecond>::Attach(static_cast<ISecond*>(p)).Reset();
}

// Module locks: the class lookup tests, through the fixture library.
TEST(ComObject, CountsUntilTheLastRelease) {
  static_assert(!std::is_convertible_v<Thing*, ComPtr<Thing>>, "a raw pointer never converts silently");
  g_destroyed = 0;
  ComPtr<Thing> thing = Make<Thing>();
  EXPECT_EQ(thing->RefCount(), 1u);  // Make adopts the first count
  ComPtr<IFirst> first(thing.Get());  // adds a count
  ComPtr<IFirst> adopted = ComPtr<IFirst>::Attach(first.Detach());  // adopts the count it carries
  EXPECT_EQ(thing->RefCount(), 2u);
  thing = nullptr;
  EXPECT_EQ(g_destroyed, 0);
  adopted = nullptr;
  EXPECT_EQ(g_destroyed, 1);
}

TEST(ComContained, LendsTheOwnersCount) {
  struct Point final : ComContained<Point, ISecond> {
    explicit Point(IUnknown* owner) : ComContained(owner) {}
    int Second() override { return 2; }
  };
  ComPtr<Thing> owner = Make<Thing>();
  Point point(static_cast<IFirst*>(owner.Get()));
  ComPtr<ISecond> held(&point);
  EXPECT_EQ(owner->RefCount(), 2u);
  EXPECT_EQ(held.As<IUnknown>().Get(), static_cast<IUnknown*>(&point));  // its own identity
  held = nullptr;
  EXPECT_EQ(owner->RefCount(), 1u);
}

TEST(Enumerator, WalksSkipsResetsAndClones) {
  using Formats = Enumerator<IEnumDiscMasterFormats, IID, EnumSnapshot<IID>>;
  ComPtr<Formats> e = Make<Formats>(std::vector<IID>{IID_IFirst, IID_ISecond, IID_ILate});
  IID got[3]{IID_IDispatch, IID_IDispatch, IID_IDispatch};
  ULONG fetched = 9;
  EXPECT_EQ(e->Next(2, got, nullptr), E_INVALIDARG);
  ASSERT_EQ(e->Next(1, got, nullptr), S_OK);
  EXPECT_EQ(got[0], IID_IFirst);
  ComPtr<IEnumDiscMasterFormats> clone;
  ASSERT_EQ(e->Clone(clone.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(e->Next(3, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 2u);
  EXPECT_EQ(got[1], IID_ILate);
  EXPECT_EQ(got[2], IID_NULL);  // slots past the end are cleared
  EXPECT_EQ(e->Skip(1), S_FALSE);
  EXPECT_EQ(e->Reset(), S_OK);
  EXPECT_EQ(e->Skip(3), S_OK);  // exactly to the end
  ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);  // the clone kept its own position
  EXPECT_EQ(got[0], IID_ISecond);
}
