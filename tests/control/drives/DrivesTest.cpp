#include <gtest/gtest.h>

#include <deque>
#include <string>

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

// A product identifier shared by two, one that reads as a number, one empty.
ComPtr<CDrives> FiveDrives() {
  return MakeDrives({{u"VA", u"Alpha", u"1.0"},
                     {u"VB", u"Beta", u"2.0"},
                     {u"VC", u"Alpha", u"3.0"},
                     {u"VD", u"2", u"4.0"},
                     {u"VE", u"", u"5.0"}});
}

// A reference to the host's string variable, as a late-bound host passes one.
CVariant ByRef(const char16_t* text) {
  struct Held {
    BSTR b;
    ~Held() { SysFreeString(b); }
  };
  static std::deque<Held> held;  // lives as long as the rows
  held.emplace_back().b = SysAllocString(text);
  CVariant v;
  v.vt = VT_BSTR | VT_BYREF;
  v.pbstrVal = &held.back().b;
  return v;
}


struct ItemRow {
  const char* name;
  CVariant key;
  std::u16string revision;
};

void PrintTo(const ItemRow& row, std::ostream* os) { *os << row.name; }

class DrivesItem : public DrivesTest, public ::testing::WithParamInterface<ItemRow> {};

TEST_P(DrivesItem, FindsTheDriveByKey) {
  ComPtr<CDrives> drives = FiveDrives();
  CVariant item;
  EXPECT_EQ(DispInvoke(drives.Get(), DISPID_DRIVES_ITEM, DISPATCH_PROPERTYGET, {GetParam().key}, &item), S_OK);
  EXPECT_EQ(RevisionOf(item), GetParam().revision);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DrivesItem,
    ::testing::Values(ItemRow{"Position0", CVariant::Long(0), u"<null>"},
                      ItemRow{"Position1IsTheFirst", CVariant::Long(1), u"1.0"},
                      ItemRow{"PositionNIsTheLast", CVariant::Long(5), u"5.0"},
                      ItemRow{"PositionNPlus1", CVariant::Long(6), u"<null>"},
                      ItemRow{"DoublePositionRounds", CVariant::Double(2.4), u"2.0"},
                      ItemRow{"EmptyKeyIsZero", CVariant(), u"<null>"},
                      ItemRow{"NumericTextIsAProductId", CVariant::String(u"2"), u"4.0"},
                      ItemRow{"SharedProductIdGivesTheFirst", CVariant::String(u"Alpha"), u"1.0"},
                      ItemRow{"EmptyStringIsAProductId", CVariant::String(u""), u"5.0"},
                      ItemRow{"ByReferenceNumericTextIsAPosition", ByRef(u"2"), u"2.0"},
                      ItemRow{"ByReferenceProductIdIsNotMatched", ByRef(u"Beta"), u"<null>"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FindRow {
  const char* name;
  DISPID id;
  SHORT index;
  std::u16string expected;
};

void PrintTo(const FindRow& row, std::ostream* os) { *os << row.name; }

class DrivesFind : public DrivesTest, public ::testing::WithParamInterface<FindRow> {};

TEST_P(DrivesFind, CountsFromZero) {
  ComPtr<CDrives> drives = FiveDrives();
  EXPECT_EQ(Text(drives.Get(), GetParam().id, DISPATCH_METHOD, {CVariant::Short(GetParam().index)}),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, DrivesFind,
    ::testing::Values(FindRow{"ProductFirst", DISPID_DRIVES_FINDPRODUCTID, 0, u"Alpha"},
                      FindRow{"ProductPastTheEnd", DISPID_DRIVES_FINDPRODUCTID, 5, u""},
                      FindRow{"VendorFirst", DISPID_DRIVES_FINDVENDORID, 0, u"VA"},
                      FindRow{"RevisionFourth", DISPID_DRIVES_FINDREVISION, 3, u"4.0"},
                      FindRow{"RevisionNegative", DISPID_DRIVES_FINDREVISION, -1, u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DrivesTest, DriveNamesItselfAndOutlivesItsCollection) {
  ComPtr<CDrives> drives = FiveDrives();
  CVariant item;
  ASSERT_EQ(DispInvoke(drives.Get(), DISPID_DRIVES_ITEM, DISPATCH_PROPERTYGET, {CVariant::Long(2)}, &item), S_OK);
  ASSERT_TRUE(item.vt == VT_DISPATCH && item.pdispVal);
  drives = nullptr;
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 1);  // keeps its module loaded
  EXPECT_EQ(Text(item.pdispVal, DISPID_DRIVE_PRODUCTID), u"Beta");
  EXPECT_EQ(Text(item.pdispVal, DISPID_DRIVE_VENDORID), u"VB");
}

TEST_F(DrivesTest, AddFromTheHostsStateLocksTheCollectionsModule) {
  ComPtr<CDrives> drives = MakeDrives({});
  long before = AfxGetAppModuleState()->m_nObjectCount.load();
  drives->Add(u"V", u"P", u"R");  // as the listing thread does
  EXPECT_EQ(AfxGetAppModuleState()->m_nObjectCount.load(), before);
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 2);
}

// The enumerator's own part (the walk itself is the platform's): drives in
// order, clones that move on their own, and a collection it outlives.
std::u16string Next(IEnumVARIANT* e, ULONG n = 1) {
  std::vector<CVariant> v(n);
  ULONG fetched = 0;
  const HRESULT hr = e->Next(n, v.data(), &fetched);
  EXPECT_EQ(hr, fetched == n ? S_OK : S_FALSE);
  std::u16string out;
  for (ULONG i = 0; i < fetched; ++i) out += RevisionOf(v[i]);
  return out;
}

TEST_F(DrivesTest, EnumeratorWalksClonesAndOutlivesItsCollection) {
  ComPtr<CDrives> drives = MakeDrives({{u"V", u"P", u"1"}, {u"V", u"P", u"2"}});
  ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
  ASSERT_TRUE(e);
  EXPECT_EQ(Next(e.Get()), u"1");
  ComPtr<IEnumVARIANT> c;
  ASSERT_EQ(e->Clone(c.ReleaseAndGetAddressOf()), S_OK);
  drives->Add(u"V", u"P", u"3");
  drives = nullptr;
  EXPECT_EQ(Next(e.Get(), 5), u"23");
  EXPECT_EQ(Next(c.Get()), u"2");  // the clone moves on its own
}

}  // namespace
