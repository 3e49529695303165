#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DriveHost.h"
#include "control/interface/CantrelIds.h"

using namespace drivehost;

namespace {

class DrivesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // Every object the test made is gone and the library may unload.
    EXPECT_EQ(TestModule()->m_nObjectCount.load(), 0);
    AFX_MANAGE_STATE(TestModule());
    EXPECT_EQ(AfxDllCanUnloadNow(), S_OK);
  }
};

// Four drives: a product identifier shared by two, one that reads as a number.
ComPtr<CDrives> FourDrives() {
  return MakeDrives({{u"VA", u"Alpha", u"1.0"}, {u"VB", u"Beta", u"2.0"}, {u"VC", u"Alpha", u"3.0"},
                     {u"VD", u"2", u"4.0"}});
}

// A reference to the host's string variable, as a late-bound host passes one.
CVariant ByRefString(BSTR* target) {
  CVariant v;
  v.vt = VT_BSTR | VT_BYREF;
  v.pbstrVal = target;
  return v;
}

TEST_F(DrivesTest, EmptyCollection) {
  ComPtr<CDrives> drives = MakeDrives({});
  EXPECT_EQ(Count(drives.Get()), 0);
  CVariant item;
  EXPECT_EQ(Get(drives.Get(), DISPID_DRIVES_ITEM, &item, {CVariant::Long(1)}), S_OK);
  EXPECT_EQ(RevisionOf(item), u"<null>");
  CVariant s;
  EXPECT_EQ(Call(drives.Get(), DISPID_DRIVES_FINDPRODUCTID, &s, {CVariant::Short(0)}), S_OK);
  ASSERT_EQ(s.vt, VT_BSTR);
  EXPECT_EQ(SysStringLen(s.bstrVal), 0u);
  ComPtr<IEnumVARIANT> pEnum = NewEnum(drives.Get());
  ASSERT_TRUE(pEnum);
  CVariant v = CVariant::Long(7);
  ULONG fetched = 99;
  EXPECT_EQ(pEnum->Next(1, &v, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(v.vt, VT_EMPTY);
}

TEST_F(DrivesTest, ItemByKey) {
  ComPtr<CDrives> drives = FourDrives();
  CBstr two(u"2"), beta(u"Beta"), four(u"4");
  BSTR bTwo = two.Get(), bBeta = beta.Get(), bFour = four.Get();
  struct Case {
    const char* name;
    CVariant key;
    std::u16string revision;
  } cases[] = {
      {"position 0", CVariant::Long(0), u"<null>"},
      {"position 1 is the first", CVariant::Long(1), u"1.0"},
      {"position n is the last", CVariant::Long(4), u"4.0"},
      {"position n+1", CVariant::Long(5), u"<null>"},
      {"position -1", CVariant::Long(-1), u"<null>"},
      {"short position", CVariant::Short(2), u"2.0"},
      {"double position rounds", CVariant::Double(2.4), u"2.0"},
      {"boolean true is -1", CVariant::Bool(true), u"<null>"},
      {"empty key is 0", CVariant(), u"<null>"},
      {"string \"2\" is a product id", CVariant::String(u"2"), u"4.0"},
      {"shared product id gives the first", CVariant::String(u"Alpha"), u"1.0"},
      {"product id", CVariant::String(u"Beta"), u"2.0"},
      {"case differs", CVariant::String(u"beta"), u"<null>"},
      {"prefix only", CVariant::String(u"Bet"), u"<null>"},
      {"empty string", CVariant::String(u""), u"<null>"},
      {"by-reference numeric text is a position", ByRefString(&bTwo), u"2.0"},
      {"by-reference \"4\"", ByRefString(&bFour), u"4.0"},
      {"by-reference product id is not matched", ByRefString(&bBeta), u"<null>"},
  };
  for (auto& c : cases) {
    CVariant item;
    EXPECT_EQ(Get(drives.Get(), DISPID_DRIVES_ITEM, &item, {c.key}), S_OK) << c.name;
    EXPECT_EQ(RevisionOf(item), c.revision) << c.name;
  }
}

TEST_F(DrivesTest, NullStringKeyMatchesAnEmptyProductId) {
  ComPtr<CDrives> drives = MakeDrives({{u"V", u"P", u"1"}, {u"V", u"", u"2"}});
  CVariant key;
  key.vt = VT_BSTR;
  key.bstrVal = nullptr;
  CVariant item;
  EXPECT_EQ(Get(drives.Get(), DISPID_DRIVES_ITEM, &item, {key}), S_OK);
  EXPECT_EQ(RevisionOf(item), u"2");
}

TEST_F(DrivesTest, FindMethodsCountFromZero) {
  ComPtr<CDrives> drives = FourDrives();
  struct Case {
    DISPID id;
    SHORT index;
    std::u16string expected;
  } cases[] = {
      {DISPID_DRIVES_FINDPRODUCTID, -1, u""},     {DISPID_DRIVES_FINDPRODUCTID, 0, u"Alpha"},
      {DISPID_DRIVES_FINDPRODUCTID, 3, u"2"},     {DISPID_DRIVES_FINDPRODUCTID, 4, u""},
      {DISPID_DRIVES_FINDPRODUCTID, -32768, u""}, {DISPID_DRIVES_FINDPRODUCTID, 32767, u""},
      {DISPID_DRIVES_FINDVENDORID, -1, u""},      {DISPID_DRIVES_FINDVENDORID, 0, u"VA"},
      {DISPID_DRIVES_FINDVENDORID, 1, u"VB"},     {DISPID_DRIVES_FINDVENDORID, 4, u""},
      {DISPID_DRIVES_FINDREVISION, -1, u""},      {DISPID_DRIVES_FINDREVISION, 0, u"1.0"},
      {DISPID_DRIVES_FINDREVISION, 3, u"4.0"},    {DISPID_DRIVES_FINDREVISION, 4, u""},
  };
  for (const auto& c : cases) {
    CVariant s;
    EXPECT_EQ(Call(drives.Get(), c.id, &s, {CVariant::Short(c.index)}), S_OK) << c.id << "/" << c.index;
    ASSERT_EQ(s.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(s.bstrVal, SysStringLen(s.bstrVal)), c.expected) << c.id << "/" << c.index;
  }
}

TEST_F(DrivesTest, DriveProperties) {
  ComPtr<CDrives> drives = FourDrives();
  CVariant item;
  ASSERT_EQ(Get(drives.Get(), DISPID_DRIVES_ITEM, &item, {CVariant::Long(2)}), S_OK);
  ASSERT_EQ(item.vt, VT_DISPATCH);
  ASSERT_TRUE(item.pdispVal);
  EXPECT_EQ(GetString(item.pdispVal, DISPID_DRIVE_PRODUCTID), u"Beta");
  EXPECT_EQ(GetString(item.pdispVal, DISPID_DRIVE_VENDORID), u"VB");
  EXPECT_EQ(GetString(item.pdispVal, DISPID_DRIVE_REVISION), u"2.0");
}

TEST_F(DrivesTest, WritesAreRefused) {
  ComPtr<CDrives> drives = FourDrives();
  CVariant item;
  ASSERT_EQ(Get(drives.Get(), DISPID_DRIVES_ITEM, &item, {CVariant::Long(1)}), S_OK);
  ASSERT_TRUE(item.vt == VT_DISPATCH && item.pdispVal);
  IDispatch* drive = item.pdispVal;
  struct Case {
    const char* name;
    IDispatch* target;
    DISPID id;
    CVariant value;
    std::vector<CVariant> args;
  } cases[] = {
      {"Count", drives.Get(), DISPID_DRIVES_COUNT, CVariant::Short(9), {}},
      {"Item", drives.Get(), DISPID_DRIVES_ITEM, CVariant::Dispatch(drive), {CVariant::Long(2)}},
      {"_NewEnum", drives.Get(), DISPID_DRIVES_NEWENUM, CVariant(), {}},
      {"ProductID", drive, DISPID_DRIVE_PRODUCTID, CVariant::String(u"X"), {}},
      {"VendorID", drive, DISPID_DRIVE_VENDORID, CVariant::String(u"X"), {}},
      {"Revision", drive, DISPID_DRIVE_REVISION, CVariant::String(u"X"), {}},
  };
  for (auto& c : cases) EXPECT_EQ(Put(c.target, c.id, c.value, c.args), CTL_E_SETNOTSUPPORTED) << c.name;
  EXPECT_EQ(Count(drives.Get()), 4);
  CVariant second;
  ASSERT_EQ(Get(drives.Get(), DISPID_DRIVES_ITEM, &second, {CVariant::Long(2)}), S_OK);
  EXPECT_EQ(RevisionOf(second), u"2.0");
  EXPECT_EQ(GetString(drive, DISPID_DRIVE_PRODUCTID), u"Alpha");
}

TEST_F(DrivesTest, DriveOutlivesItsCollection) {
  ComPtr<CDrives> drives = FourDrives();
  CVariant item;
  ASSERT_EQ(Get(drives.Get(), DISPID_DRIVES_ITEM, &item, {CVariant::String(u"2")}), S_OK);
  drives = nullptr;
  // The host's drive keeps the library loaded and stays readable.
  {
    AFX_MANAGE_STATE(TestModule());
    EXPECT_EQ(AfxDllCanUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 1);
  EXPECT_EQ(RevisionOf(item), u"4.0");
}

TEST_F(DrivesTest, AddFromAnotherModuleStateStillLocksTheCollectionsModule) {
  ComPtr<CDrives> drives = MakeDrives({});
  // The listing thread runs in the host's state.
  long before = AfxGetAppModuleState()->m_nObjectCount.load();
  drives->Add(u"V", u"P", u"R");
  EXPECT_EQ(AfxGetAppModuleState()->m_nObjectCount.load(), before);
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 2);
}

}  // namespace
