#include <gtest/gtest.h>

#include "platform/com/ComPtr.h"
#include "TestModule.h"

COleControlModule& TestModule() {
  static COleControlModule module("olectl-test");
  return module;
}

namespace {

COleObjectFactory g_thingFactory(CLSID_TestThing, &CTestThing::Create, FALSE, afxRegApartmentThreading,
                                 "OlectlTest.Thing.1");
COleObjectFactory g_plainFactory(CLSID_TestPlain, &CTestThing::Create, FALSE, "OlectlTest.Plain.1");

ComPtr<IClassFactory> GetFactory(REFCLSID clsid, HRESULT* phr = nullptr) {
  AFX_MANAGE_STATE(TestModule().GetModuleState());
  ComPtr<IClassFactory> f;
  HRESULT hr = AfxDllGetClassObject(clsid, IID_IClassFactory, f.ReleaseAndGetVoidAddress());
  if (phr) *phr = hr;
  return f;
}

HRESULT CanUnload() {
  AFX_MANAGE_STATE(TestModule().GetModuleState());
  return AfxDllCanUnloadNow();
}

TEST(Factory, FindsTheFactoryOfTheClassAskedAndNothingElse) {
  HRESULT hr = E_FAIL;
  EXPECT_TRUE(GetFactory(CLSID_TestThing, &hr));
  EXPECT_EQ(hr, S_OK);
  EXPECT_FALSE(GetFactory(CLSID_TestPlain) == GetFactory(CLSID_TestThing));
  EXPECT_FALSE(GetFactory({0xDEAD, 1, 2, {0}}, &hr));
  EXPECT_EQ(hr, CLASS_E_CLASSNOTAVAILABLE);
  ComPtr<IUnknown> asDispatch;
  AFX_MANAGE_STATE(TestModule().GetModuleState());
  EXPECT_EQ(AfxDllGetClassObject(CLSID_TestThing, IID_IDispatch, asDispatch.ReleaseAndGetVoidAddress()),
            E_NOINTERFACE);
}

TEST(Factory, ObjectsAndLocksKeepTheFactorysModuleButTheFactoryDoesNot) {
  ComPtr<IClassFactory> f = GetFactory(CLSID_TestThing);
  ASSERT_TRUE(f);
  const long appBefore = AfxGetAppModuleState()->m_nObjectCount.load();
  ASSERT_EQ(CanUnload(), S_OK);
  ComPtr<IDispatch> a, b;
  // Asked from the host's state: the objects still count on the module.
  ASSERT_EQ(f->CreateInstance(nullptr, IID_IDispatch, a.ReleaseAndGetVoidAddress()), S_OK);
  ASSERT_EQ(f->CreateInstance(nullptr, IID_IDispatch, b.ReleaseAndGetVoidAddress()), S_OK);
  EXPECT_NE(a.Get(), b.Get());
  EXPECT_EQ(AfxGetAppModuleState()->m_nObjectCount.load(), appBefore);
  a = nullptr;
  EXPECT_EQ(CanUnload(), S_FALSE);
  b = nullptr;
  EXPECT_EQ(CanUnload(), S_OK);
  EXPECT_EQ(f->LockServer(TRUE), S_OK);
  EXPECT_EQ(f->LockServer(TRUE), S_OK);
  EXPECT_EQ(f->LockServer(FALSE), S_OK);
  EXPECT_EQ(CanUnload(), S_FALSE);
  EXPECT_EQ(f->LockServer(FALSE), S_OK);
  EXPECT_EQ(CanUnload(), S_OK);
}

TEST(Factory, RefusedRequestsLeaveNothingAlive) {
  ComPtr<IClassFactory> f = GetFactory(CLSID_TestThing);
  ASSERT_TRUE(f);
  ComPtr<IUnknown> p;
  EXPECT_EQ(f->CreateInstance(f.Get(), IID_IUnknown, p.ReleaseAndGetVoidAddress()), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IClassFactory, p.ReleaseAndGetVoidAddress()), E_NOINTERFACE);
  EXPECT_FALSE(p);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(CanUnload(), S_OK);
}

TEST(Module, StartsAndStopsOnceUnderItsOwnState) {
  struct Counting : COleControlModule {
    Counting() : COleControlModule("counting") {}
    BOOL InitInstance() override {
      ++starts;
      seen = AfxGetModuleState();
      return TRUE;
    }
    int ExitInstance() override {
      ++stops;
      return 0;
    }
    int starts = 0, stops = 0;
    AFX_MODULE_STATE* seen = nullptr;
  } m;
  EXPECT_TRUE(m.Start());
  EXPECT_TRUE(m.Start());
  EXPECT_EQ(m.starts, 1);
  EXPECT_EQ(m.seen, m.GetModuleState());
  EXPECT_EQ(AfxGetModuleState(), AfxGetAppModuleState());
  m.Stop();
  m.Stop();
  EXPECT_EQ(m.stops, 1);
}

}  // namespace
