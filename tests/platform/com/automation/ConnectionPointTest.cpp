#include <gtest/gtest.h>

#include <vector>

#include "platform/com/CConnectionPoint.h"
#include "platform/com/ComObject.h"

namespace {

constexpr IID kEvents = {0xAAAA0001, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};

// Counts what it receives; optionally unadvises itself from inside the call.
class Sink final : public ComObject<Sink, IDispatch> {
 public:
  explicit Sink(bool answersEvents = true) : answersEvents_(answersEvents) {}
  void FinalRelease() {}  // lives on the test's stack
  void* FindInterface(REFIID riid) { return answersEvents_ && riid == kEvents ? static_cast<IDispatch*>(this) : nullptr; }
  HRESULT GetTypeInfoCount(UINT* p) override { return *p = 0, S_OK; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
    lastId = id;
    args.clear();
    for (UINT i = p->cArgs; i-- > 0;) args.push_back(p->rgvarg[i].lVal);  // declaration order
    ++calls;
    if (unadviseFrom) unadviseFrom->Unadvise(cookie);
    return E_FAIL;  // failures of sinks are ignored
  }

  int calls = 0;
  DISPID lastId = 0;
  std::vector<LONG> args;
  CConnectionPoint* unadviseFrom = nullptr;
  DWORD cookie = 0;

 private:
  bool answersEvents_;
};

// The container that owns the connection point and lends it its count.
struct Container final : ComObject<Container, IConnectionPointContainer> {
  void FinalRelease() {}  // lives on the test's stack
  HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }
  CConnectionPoint point{this, kEvents};
};

TEST(ConnectionPoint, AdviseFireUnadviseAlsoFromInsideACall) {
  Container c;
  Sink a, b(false);  // b answers IDispatch only: accepted
  DWORD ca = 0, cb = 0;
  ASSERT_EQ(c.point.Advise(&a, &ca), S_OK);
  ASSERT_EQ(c.point.Advise(&b, &cb), S_OK);
  EXPECT_NE(ca, cb);
  EXPECT_EQ(a.RefCount(), 2u);  // held by one count
  c.point.Fire(1, {CVariant::Long(10), CVariant::Long(20)});
  EXPECT_EQ(b.calls, 1);
  EXPECT_EQ(a.lastId, 1);
  EXPECT_EQ(a.args, (std::vector<LONG>{10, 20}));

  ASSERT_EQ(c.point.Unadvise(ca), S_OK);
  EXPECT_EQ(a.RefCount(), 1u);
  EXPECT_EQ(c.point.Unadvise(ca), CONNECT_E_NOCONNECTION);
  c.point.Fire(2, {});
  EXPECT_EQ(a.calls, 1);
  EXPECT_EQ(b.calls, 2);
  // A fresh subscription never gets a cookie that was used before.
  DWORD again = 0;
  ASSERT_EQ(c.point.Advise(&a, &again), S_OK);
  EXPECT_NE(again, ca);
  c.point.UnadviseAll();
  EXPECT_EQ(a.RefCount(), 1u);
  EXPECT_EQ(c.point.Advise(nullptr, &again), E_POINTER);

  // A sink may unadvise itself while it is being called.
  ASSERT_EQ(c.point.Advise(&a, &a.cookie), S_OK);
  a.unadviseFrom = &c.point;
  c.point.Fire(3, {});  // must not deadlock on the sink list
  EXPECT_TRUE(c.point.Sinks().empty());
  EXPECT_EQ(a.RefCount(), 1u);
}

}  // namespace
