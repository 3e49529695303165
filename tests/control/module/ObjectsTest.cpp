// The library's class factories and its unloading.
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

struct ClassRow {
  const char* name;
  CLSID clsid;
  IID iid;  // what each object answers
  friend void PrintTo(const ClassRow& row, std::ostream* os) { *os << row.name; }
};
class Factories : public ::testing::TestWithParam<ClassRow> {};

TEST_P(Factories, MakeANewObjectOfTheirClassEachTime) {
  COleControlSite::EnsureApplication();
  OcxLibrary ocx;
  ComPtr<IClassFactory> f = Factory(ocx, GetParam().clsid);
  ASSERT_TRUE(f);
  ComPtr<IUnknown> a, b;
  ASSERT_EQ(f->CreateInstance(nullptr, GetParam().iid, a.ReleaseAndGetVoidAddress()), S_OK);
  ASSERT_EQ(f->CreateInstance(nullptr, GetParam().iid, b.ReleaseAndGetVoidAddress()), S_OK);
  EXPECT_NE(a.Get(), b.Get());
}

INSTANTIATE_TEST_SUITE_P(Classes, Factories,
                         ::testing::Values(ClassRow{"Control", CLSID_Cantrel, DIID__Dcantrel},
                                           ClassRow{"PropertyPage", CLSID_CCantrelPropPage, IID_IPropertyPage},
                                           ClassRow{"Drive", CLSID_Drive, IID_IDrive},
                                           ClassRow{"Drives", CLSID_Drives, IID_IDrives},
                                           ClassRow{"EnumDrives", CLSID_CEnumDrives, IID_IEnumVARIANT}),
                         [](const auto& info) { return std::string(info.param.name); });

// Unloading follows the framework's factories (olectl); here only that the
// library keeps its objects alive and names its classes.
TEST(Objects, TheLibraryIsKeptByItsObjectsAndKnowsOnlyItsClasses) {
  COleControlSite::EnsureApplication();
  OcxLibrary ocx;
  ComPtr<IUnknown> none;
  EXPECT_EQ(ocx.GetClassObject(CLSID_EnumDrives, IID_IClassFactory, none.ReleaseAndGetVoidAddress()),
            CLASS_E_CLASSNOTAVAILABLE);
  ComPtr<IUnknown> control;
  ASSERT_EQ(Factory(ocx, CLSID_Cantrel)->CreateInstance(nullptr, IID_IDispatch, control.ReleaseAndGetVoidAddress()),
            S_OK);
  EXPECT_EQ(ocx.CanUnloadNow(), S_FALSE);
  control = nullptr;
  COleControlSite::PumpMessagesFor(10);
  EXPECT_EQ(ocx.CanUnloadNow(), S_OK);
}

}  // namespace
