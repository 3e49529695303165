#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DriveHost.h"
#include "control/interface/CantrelIds.h"

using namespace drivehost;

namespace {

class EnumDrivesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(TestModule()->m_nObjectCount.load(), 0);
    AFX_MANAGE_STATE(TestModule());
    EXPECT_EQ(AfxDllCanUnloadNow(), S_OK);
  }
};

ComPtr<CDrives> Drives(int n) {
  ComPtr<CDrives> p = MakeDrives({});
  for (int i = 1; i <= n; ++i) p->Add(u"V", u"P" + std::u16string(1, char16_t(u'0' + i)), std::u16string(1, char16_t(u'0' + i)));
  return p;
}

// The revision of the next drive the enumerator yields, "" at the end.
std::u16string NextRevision(IEnumVARIANT* e) {
  CVariant v;
  ULONG fetched = 0;
  HRESULT hr = e->Next(1, &v, &fetched);
  if (hr == S_FALSE) {
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(v.vt, VT_EMPTY);
    return u"";
  }
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(fetched, 1u);
  return RevisionOf(v);
}

// Variants that hold no resources, so that an entry left alone shows.
std::vector<CVariant> Marked(size_t n) {
  std::vector<CVariant> v;
  for (size_t i = 0; i < n; ++i) v.push_back(CVariant::Long(1000 + static_cast<LONG>(i)));
  return v;
}

TEST_F(EnumDrivesTest, ForEachWalkInOrderOfAddition) {
  ComPtr<CDrives> drives = Drives(2);
  ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
  ASSERT_TRUE(e);
  std::vector<std::u16string> seen;
  for (std::u16string r; !(r = NextRevision(e.Get())).empty() && seen.size() < 10;) seen.push_back(r);
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"1", u"2"}));
  EXPECT_EQ(NextRevision(e.Get()), u"");
}

TEST_F(EnumDrivesTest, NextFillsWhatThereIsAndEmptiesTheRest) {
  ComPtr<CDrives> drives = Drives(2);
  ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
  std::vector<CVariant> arr = Marked(5);
  ULONG fetched = 99;
  EXPECT_EQ(e->Next(5, arr.data(), &fetched), S_FALSE);
  EXPECT_EQ(fetched, 2u);
  EXPECT_EQ(RevisionOf(arr[0]), u"1");
  EXPECT_EQ(RevisionOf(arr[1]), u"2");
  for (int i = 2; i < 5; ++i) EXPECT_EQ(arr[i].vt, VT_EMPTY) << i;
}

TEST_F(EnumDrivesTest, NextWithoutFetchedCount) {
  ComPtr<CDrives> drives = Drives(2);
  ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
  std::vector<CVariant> arr = Marked(2);
  EXPECT_EQ(e->Next(2, arr.data(), nullptr), E_INVALIDARG);
  // Nothing touched and the position unchanged.
  EXPECT_EQ(arr[0].vt, VT_I4);
  EXPECT_EQ(arr[0].lVal, 1000);
  EXPECT_EQ(e->Next(1, arr.data(), nullptr), S_OK);
  EXPECT_EQ(RevisionOf(arr[0]), u"1");
  EXPECT_EQ(e->Next(0, nullptr, nullptr), S_OK);
  ULONG fetched = 7;
  EXPECT_EQ(e->Next(0, nullptr, &fetched), S_OK);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(NextRevision(e.Get()), u"2");
}

TEST_F(EnumDrivesTest, SkipAndReset) {
  ComPtr<CDrives> drives = Drives(3);
  ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
  EXPECT_EQ(e->Skip(0), S_OK);
  EXPECT_EQ(e->Skip(1), S_OK);
  EXPECT_EQ(NextRevision(e.Get()), u"2");
  EXPECT_EQ(e->Reset(), S_OK);
  EXPECT_EQ(e->Skip(5), S_FALSE);
  EXPECT_EQ(NextRevision(e.Get()), u"");
  EXPECT_EQ(e->Reset(), S_OK);
  EXPECT_EQ(NextRevision(e.Get()), u"1");
  // Exactly to the end is still a full skip.
  EXPECT_EQ(e->Skip(2), S_OK);
  EXPECT_EQ(NextRevision(e.Get()), u"");
  EXPECT_EQ(e->Skip(1), S_FALSE);
}

TEST_F(EnumDrivesTest, CloneMovesIndependently) {
  ComPtr<CDrives> drives = Drives(3);
  ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
  EXPECT_EQ(NextRevision(e.Get()), u"1");
  ComPtr<IEnumVARIANT> c;
  ASSERT_EQ(e->Clone(c.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_TRUE(c);
  EXPECT_NE(c.Get(), e.Get());
  EXPECT_EQ(NextRevision(e.Get()), u"2");
  EXPECT_EQ(NextRevision(e.Get()), u"3");
  EXPECT_EQ(NextRevision(c.Get()), u"2");
  EXPECT_EQ(c->Reset(), S_OK);
  EXPECT_EQ(NextRevision(c.Get()), u"1");
  EXPECT_EQ(NextRevision(e.Get()), u"");
  EXPECT_EQ(e->Clone(nullptr), E_POINTER);
}

TEST_F(EnumDrivesTest, EnumeratorOutlivesItsCollection) {
  ComPtr<CDrives> drives = Drives(2);
  ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
  ComPtr<IEnumVARIANT> c;
  ASSERT_EQ(e->Clone(c.ReleaseAndGetAddressOf()), S_OK);
  // The control and the host give up the collection; the enumerators go on.
  drives = nullptr;
  {
    AFX_MANAGE_STATE(TestModule());
    EXPECT_EQ(AfxDllCanUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(NextRevision(e.Get()), u"1");
  EXPECT_EQ(NextRevision(e.Get()), u"2");
  EXPECT_EQ(NextRevision(e.Get()), u"");
  e = nullptr;
  EXPECT_EQ(c->Skip(1), S_OK);
  EXPECT_EQ(NextRevision(c.Get()), u"2");
}

TEST_F(EnumDrivesTest, EnumeratorDispatchHasNoMembers) {
  ComPtr<CDrives> drives = Drives(1);
  ComPtr<IDispatch> d = NewEnum(drives.Get()).As<IDispatch>();
  ASSERT_TRUE(d);
  UINT n = 3;
  EXPECT_EQ(d->GetTypeInfoCount(&n), S_OK);
  EXPECT_EQ(n, 0u);
  CVariant r;
  EXPECT_EQ(Get(d.Get(), DISPID_DRIVES_COUNT, &r), DISP_E_MEMBERNOTFOUND);
}

TEST_F(EnumDrivesTest, SeesDrivesAppendedLater) {
  ComPtr<CDrives> drives = Drives(1);
  ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
  EXPECT_EQ(NextRevision(e.Get()), u"1");
  drives->Add(u"V", u"P2", u"2");
  EXPECT_EQ(NextRevision(e.Get()), u"2");
}

}  // namespace
