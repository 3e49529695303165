// The library's classes: each has a factory whose objects keep the library
// loaded. Factories in general are the framework's part (olectl).
#include <gtest/gtest.h>

#include "OcxLibrary.h"
#include "control/interface/CantrelIds.h"
#include "platform/com/ComPtr.h"
#include "platform/olectl/COleControlSite.h"
#include "platform/olectl/OlePropertyFrame.h"

namespace {

struct ClassRow {
  const char* name;
  CLSID clsid;
  IID iid;  // what each object answers
  friend void PrintTo(const ClassRow& row, std::ostream* os) { *os << row.name; }
};
class Factories : public ::testing::TestWithParam<ClassRow> {};

TEST_P(Factories, MakeObjectsThatKeepTheLibraryLoaded) {
  COleControlSite::EnsureApplication();
  OcxLibrary ocx;
  ComPtr<IClassFactory> f;
  ASSERT_EQ(ocx.GetClassObject(GetParam().clsid, IID_IClassFactory, f.ReleaseAndGetVoidAddress()), S_OK);
  ComPtr<IUnknown> object;
  ASSERT_EQ(f->CreateInstance(nullptr, GetParam().iid, object.ReleaseAndGetVoidAddress()), S_OK);
  f = nullptr;
  EXPECT_EQ(ocx.CanUnloadNow(), S_FALSE);
  object = nullptr;
  COleControlSite::PumpMessagesFor(10);
  EXPECT_EQ(ocx.CanUnloadNow(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Classes, Factories,
                         ::testing::Values(ClassRow{"Control", CLSID_Cantrel, DIID__Dcantrel},
                                           ClassRow{"PropertyPage", CLSID_CCantrelPropPage, IID_IPropertyPage},
                                           ClassRow{"Drive", CLSID_Drive, IID_IDrive},
                                           ClassRow{"Drives", CLSID_Drives, IID_IDrives},
                                           ClassRow{"EnumDrives", CLSID_CEnumDrives, IID_IEnumVARIANT}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
