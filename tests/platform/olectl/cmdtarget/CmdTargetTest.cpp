#include <gtest/gtest.h>

#include <new>
#include <thread>

#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "platform/olectl/CCmdTarget.h"

namespace {

inline constexpr IID IID_ITestThing = {0x1A2B3C4D, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

AFX_MODULE_STATE* TestModule() {
  static AFX_MODULE_STATE state("cmdtarget-test");
  return &state;
}

// The reference that DropHolder gives up, as an event handler of a host might.
ComPtr<IDispatch> g_holder;

class CThing : public CCmdTarget {
 public:
  static ComPtr<CThing> Create() {
    AFX_MANAGE_STATE(TestModule());
    return Make<CThing>();
  }

  bool InOwnModule() const { return AfxGetModuleState() == GetModuleState(); }
  // Gives up the host's last reference, then goes on using the object.
  LONG DropHolder() {
    g_holder = nullptr;
    return m_lValue;
  }
  void Throw() { throw std::bad_alloc(); }

  LONG m_lValue = 0;

 protected:
  const DispatchTable& GetDispatchTable() const override;
};

const DispatchTable g_table =
    DispatchTable(u"ITestThing", IID_ITestThing, u"",
                  {{.name = u"InOwnModule", .dispid = 1, .kind = DispKind::Method, .type = VT_BOOL},
                   {.name = u"DropHolder", .dispid = 2, .kind = DispKind::Method, .type = VT_I4},
                   {.name = u"Throw", .dispid = 3, .kind = DispKind::Method}})
        .Bind({DispMethod<&CThing::InOwnModule>(1), DispMethod<&CThing::DropHolder>(2), DispMethod<&CThing::Throw>(3)});

const DispatchTable& CThing::GetDispatchTable() const { return g_table; }

class CmdTargetTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(TestModule()->m_nObjectCount.load(), 0);
    AFX_MANAGE_STATE(TestModule());
    EXPECT_EQ(AfxDllCanUnloadNow(), S_OK);
  }
};

TEST_F(CmdTargetTest, ModuleStateIsPerThread) {
  AFX_MANAGE_STATE(TestModule());
  AFX_MODULE_STATE* seen = nullptr;
  std::thread([&] { seen = AfxGetModuleState(); }).join();
  EXPECT_EQ(seen, AfxGetAppModuleState());
}

TEST_F(CmdTargetTest, InvokesThroughTheTableOnlyForTheNullInterface) {
  ComPtr<CThing> thing = CThing::Create();
  IDispatch* disp = thing->GetIDispatch(FALSE);
  LPOLESTR names[] = {nullptr};
  DISPID id = 0;
  EXPECT_EQ(disp->GetIDsOfNames(IID_ITestThing, names, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
  DISPPARAMS none{};
  CVariant r;
  EXPECT_EQ(disp->Invoke(1, IID_ITestThing, 0, DISPATCH_METHOD, &none, &r, nullptr, nullptr), DISP_E_UNKNOWNINTERFACE);
  // Members run in the object's module; the caller's state comes back after.
  EXPECT_EQ(DispInvoke(disp, 1, DISPATCH_METHOD, {}, &r), S_OK);
  EXPECT_EQ(r.boolVal, VARIANT_TRUE);
  EXPECT_EQ(AfxGetModuleState(), AfxGetAppModuleState());
  EXPECT_EQ(DispInvoke(disp, 3, DISPATCH_METHOD, {}, &r), E_OUTOFMEMORY);  // no exception crosses
}

TEST_F(CmdTargetTest, MemberMayReleaseTheLastOutsideReference) {
  {
    ComPtr<CThing> thing = CThing::Create();
    thing->m_lValue = 5;
    g_holder = ComPtr<IDispatch>(thing->GetIDispatch(FALSE));
  }
  CVariant r;
  EXPECT_EQ(DispInvoke(g_holder.Get(), 2, DISPATCH_METHOD, {}, &r), S_OK);
  EXPECT_EQ(r.lVal, 5);
}

}  // namespace
