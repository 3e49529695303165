#include <gtest/gtest.h>

#include "OcxLibrary.h"
#include "control/interface/CantrelIds.h"
#include "platform/com/ComPtr.h"
#include "platform/olectl/COleControlSite.h"
#include "platform/olectl/OlePropertyFrame.h"

namespace {

ComPtr<IClassFactory> Factory(OcxLibrary& ocx, REFCLSID clsid) {
  ComPtr<IClassFactory> f;
  EXPECT_EQ(ocx.GetClassObject(clsid, IID_IClassFactory, f.ReleaseAndGetVoidAddress()), S_OK);
  return f;
}

template <class T>
ComPtr<T> Make(IClassFactory* f) {
  ComPtr<T> p;
  EXPECT_EQ(f->CreateInstance(nullptr, PX_IID(T), p.ReleaseAndGetVoidAddress()), S_OK);
  return p;
}

TEST(Objects, EachFactoryMakesNewObjectsOfItsClass) {
  COleControlSite::EnsureApplication();
  OcxLibrary ocx;
  struct Row {
    CLSID clsid;
    IID iid;  // what each object answers
  } rows[] = {{CLSID_Cantrel, DIID__Dcantrel},
              {CLSID_CCantrelPropPage, IID_IPropertyPage},
              {CLSID_Drive, IID_IDrive},
              {CLSID_Drives, IID_IDrives},
              {CLSID_CEnumDrives, IID_IEnumVARIANT}};
  for (const Row& r : rows) {
    ComPtr<IClassFactory> f = Factory(ocx, r.clsid);
    ASSERT_TRUE(f);
    ComPtr<IUnknown> a, b;
    ASSERT_EQ(f->CreateInstance(nullptr, r.iid, a.ReleaseAndGetVoidAddress()), S_OK);
    ASSERT_EQ(f->CreateInstance(nullptr, r.iid, b.ReleaseAndGetVoidAddress()), S_OK);
    EXPECT_NE(a.Get(), b.Get());
  }
  ComPtr<IUnknown> none;
  EXPECT_EQ(ocx.GetClassObject(CLSID_EnumDrives, IID_IClassFactory, none.ReleaseAndGetVoidAddress()),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(ocx.CanUnloadNow(), S_OK);
}

TEST(Objects, AnEnumeratorMadeDirectlyWalksNothing) {
  OcxLibrary ocx;
  ComPtr<IEnumVARIANT> e = Make<IEnumVARIANT>(Factory(ocx, CLSID_CEnumDrives).Get());
  ASSERT_TRUE(e);
  VARIANT v;
  ULONG fetched = 7;
  EXPECT_EQ(e->Next(1, &v, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
}

TEST(Objects, TheLibraryMayUnloadOnlyWhenNoObjectAndNoLockIsAlive) {
  COleControlSite::EnsureApplication();
  OcxLibrary ocx;
  ASSERT_EQ(ocx.CanUnloadNow(), S_OK);
  ComPtr<IClassFactory> ctrlFactory = Factory(ocx, CLSID_Cantrel);
  ComPtr<IClassFactory> drivesFactory = Factory(ocx, CLSID_Drives);
  // Holding factories alone does not keep the library.
  EXPECT_EQ(ocx.CanUnloadNow(), S_OK);

  ComPtr<IDispatch> control = Make<IDispatch>(ctrlFactory.Get());
  ComPtr<IDispatch> drives = Make<IDispatch>(drivesFactory.Get());
  ComPtr<IUnknown> page = Make<IUnknown>(Factory(ocx, CLSID_CCantrelPropPage).Get());
  EXPECT_EQ(ocx.CanUnloadNow(), S_FALSE);
  control = nullptr;
  drives = nullptr;
  EXPECT_EQ(ocx.CanUnloadNow(), S_FALSE);  // the page is still alive
  page = nullptr;
  COleControlSite::PumpMessagesFor(10);
  EXPECT_EQ(ocx.CanUnloadNow(), S_OK);

  EXPECT_EQ(drivesFactory->LockServer(TRUE), S_OK);
  EXPECT_EQ(ocx.CanUnloadNow(), S_FALSE);
  EXPECT_EQ(drivesFactory->LockServer(FALSE), S_OK);
  EXPECT_EQ(ocx.CanUnloadNow(), S_OK);
}

}  // namespace
