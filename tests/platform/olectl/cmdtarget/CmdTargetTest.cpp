#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "platform/olectl/CCmdTarget.h"

namespace {

inline constexpr IID IID_ITestThing = {0x1A2B3C4D, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr IID IID_ITestExtra = {0x1A2B3C4D, 0x0003, 0x0004, {1, 2, 3, 4, 5, 6, 7, 8}};

constexpr DISPID DISPID_VALUE_PROP = 1;
constexpr DISPID DISPID_IN_OWN_MODULE = 2;
constexpr DISPID DISPID_DROP_HOLDER = 3;
constexpr DISPID DISPID_THROW = 4;

AFX_MODULE_STATE* TestModule() {
  static AFX_MODULE_STATE state("cmdtarget-test");
  return &state;
}

// An extra interface handed out through the hook.
struct ITestExtra : IUnknown {
 protected:
  ~ITestExtra() = default;
};

class CThing;
// The reference that DropHolder gives up, as an event handler of a host might.
ComPtr<IDispatch> g_holder;

class CThing : public ComExtend<CCmdTarget, ITestExtra> {
 public:
  static ComPtr<CThing> Create() { return Make<CThing>(); }

  LONG m_lValue = 0;

 protected:
  const DispatchTable& GetDispatchTable() const override {
    static const DispatchTable table(
        u"ITestThing", IID_ITestThing, u"",
        {
            {u"Value", DISPID_VALUE_PROP, DispKind::Property, VT_I4, u"", {}, u"", DISPF_NONE, &GetValue, &PutValue},
            {u"InOwnModule", DISPID_IN_OWN_MODULE, DispKind::Method, VT_BOOL, u"", {}, u"", DISPF_NONE, &InOwnModule},
            {u"DropHolder", DISPID_DROP_HOLDER, DispKind::Method, VT_I4, u"", {}, u"", DISPF_NONE, &DropHolder},
            {u"Throw", DISPID_THROW, DispKind::Method, VT_EMPTY, u"", {}, u"", DISPF_NONE, &Throw},
        });
    return table;
  }
  void* GetInterfaceHook(REFIID riid) override {
    return riid == IID_ITestExtra ? static_cast<ITestExtra*>(this) : nullptr;
  }

 private:
  friend struct ::ComAccess;
  CThing() = default;
  ~CThing() override = default;
  static CThing* Self(void* p) { return static_cast<CThing*>(static_cast<CCmdTarget*>(p)); }
  static HRESULT GetValue(void* p, VARIANT*, UINT, VARIANT* r) {
    r->vt = VT_I4;
    r->lVal = Self(p)->m_lValue;
    return S_OK;
  }
  static HRESULT PutValue(void* p, VARIANT* a, UINT, VARIANT*) {
    Self(p)->m_lValue = a[0].lVal;
    return S_OK;
  }
  static HRESULT InOwnModule(void* p, VARIANT*, UINT, VARIANT* r) {
    r->vt = VT_BOOL;
    r->boolVal = AfxGetModuleState() == Self(p)->GetModuleState() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  // Gives up the host's last reference, then goes on using the object.
  static HRESULT DropHolder(void* p, VARIANT*, UINT, VARIANT* r) {
    g_holder = nullptr;
    r->vt = VT_I4;
    r->lVal = Self(p)->m_lValue;
    return S_OK;
  }
  static HRESULT Throw(void*, VARIANT*, UINT, VARIANT*) { throw std::bad_alloc(); }
};

class CmdTargetTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(TestModule()->m_nObjectCount.load(), 0);
    AFX_MANAGE_STATE(TestModule());
    EXPECT_EQ(AfxDllCanUnloadNow(), S_OK);
  }
  static ComPtr<CThing> Make() {
    AFX_MANAGE_STATE(TestModule());
    return CThing::Create();
  }
};

TEST_F(CmdTargetTest, EachLivingObjectLocksItsModule) {
  long appBefore = AfxGetAppModuleState()->m_nObjectCount.load();
  ComPtr<CThing> a = Make();
  ComPtr<CThing> b = Make();
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 2);
  EXPECT_EQ(AfxGetAppModuleState()->m_nObjectCount.load(), appBefore);
  {
    AFX_MANAGE_STATE(TestModule());
    EXPECT_EQ(AfxDllCanUnloadNow(), S_FALSE);
  }
  ComPtr<IDispatch> extra(a.Get());
  a = nullptr;
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 2);
  extra = nullptr;
  b = nullptr;
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 0);
}

TEST_F(CmdTargetTest, ServerLocksCountOnTheCurrentModule) {
  AFX_MANAGE_STATE(TestModule());
  AfxOleLockApp();
  EXPECT_EQ(AfxDllCanUnloadNow(), S_FALSE);
  AfxOleUnlockApp();
  EXPECT_EQ(AfxDllCanUnloadNow(), S_OK);
}

TEST_F(CmdTargetTest, ModuleStateIsPerThreadAndNests) {
  AFX_MODULE_STATE other("other");
  EXPECT_EQ(AfxGetModuleState(), AfxGetAppModuleState());
  {
    AFX_MANAGE_STATE(TestModule());
    EXPECT_EQ(AfxGetModuleState(), TestModule());
    {
      AFX_MAINTAIN_STATE inner(&other);
      EXPECT_EQ(AfxGetModuleState(), &other);
      AFX_MODULE_STATE* seen = nullptr;
      std::thread([&] { seen = AfxGetModuleState(); }).join();
      EXPECT_EQ(seen, AfxGetAppModuleState());
    }
    EXPECT_EQ(AfxGetModuleState(), TestModule());
  }
  EXPECT_EQ(AfxGetModuleState(), AfxGetAppModuleState());
}

TEST_F(CmdTargetTest, NoTypeInformation) {
  ComPtr<CThing> thing = Make();
  UINT n = 9;
  EXPECT_EQ(thing->GetTypeInfoCount(&n), S_OK);
  EXPECT_EQ(n, 0u);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(&n);
  EXPECT_TRUE(FAILED(thing->GetTypeInfo(0, 0, &info)));
  EXPECT_EQ(info, nullptr);
}

TEST_F(CmdTargetTest, InvokeThroughTheMemberTable) {
  ComPtr<CThing> thing = Make();
  IDispatch* disp = thing->GetIDispatch(FALSE);
  EXPECT_EQ(DispInvoke(disp, DISPID_VALUE_PROP, DISPATCH_PROPERTYPUT, {CVariant::Long(42)}, nullptr), S_OK);
  CVariant r;
  EXPECT_EQ(DispInvoke(disp, DISPID_VALUE_PROP, DISPATCH_PROPERTYGET, {}, &r), S_OK);
  EXPECT_EQ(r.vt, VT_I4);
  EXPECT_EQ(r.lVal, 42);

  std::u16string name = u"value";
  LPOLESTR names[] = {name.data()};
  DISPID id = 0;
  EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, DISPID_VALUE_PROP);
  EXPECT_EQ(disp->GetIDsOfNames(IID_ITestThing, names, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);

  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(disp->Invoke(DISPID_VALUE_PROP, IID_ITestThing, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(disp->Invoke(77, IID_NULL, 0, DISPATCH_METHOD, &none, &r, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
}

TEST_F(CmdTargetTest, MembersRunInTheObjectsModule) {
  ComPtr<CThing> thing = Make();
  ASSERT_EQ(AfxGetModuleState(), AfxGetAppModuleState());
  CVariant r;
  EXPECT_EQ(DispInvoke(thing->GetIDispatch(FALSE), DISPID_IN_OWN_MODULE, DISPATCH_METHOD, {}, &r), S_OK);
  EXPECT_EQ(r.boolVal, VARIANT_TRUE);
  EXPECT_EQ(AfxGetModuleState(), AfxGetAppModuleState());
}

TEST_F(CmdTargetTest, MemberMayReleaseTheLastOutsideReference) {
  {
    ComPtr<CThing> thing = Make();
    thing->m_lValue = 5;
    g_holder = ComPtr<IDispatch>(thing->GetIDispatch(FALSE));
  }
  IDispatch* raw = g_holder.Get();
  CVariant r;
  EXPECT_EQ(DispInvoke(raw, DISPID_DROP_HOLDER, DISPATCH_METHOD, {}, &r), S_OK);
  EXPECT_EQ(r.lVal, 5);
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 0);
}

TEST_F(CmdTargetTest, ExceptionsDoNotCrossTheInterface) {
  ComPtr<CThing> thing = Make();
  CVariant r;
  EXPECT_EQ(DispInvoke(thing->GetIDispatch(FALSE), DISPID_THROW, DISPATCH_METHOD, {}, &r), E_OUTOFMEMORY);
}

TEST_F(CmdTargetTest, ReferenceCountIsThreadSafe) {
  ComPtr<CThing> thing = Make();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        ComPtr<IDispatch> copy(thing->GetIDispatch(FALSE));
        ComPtr<IUnknown> unk;
        (void)copy->QueryInterface(IID_IUnknown, unk.ReleaseAndGetVoidAddress());
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 1);
  thing = nullptr;
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 0);
}

}  // namespace
