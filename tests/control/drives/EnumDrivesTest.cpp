#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DriveHost.h"

using namespace drivehost;

namespace {

ComPtr<CDrives> Drives(int n) {
  ComPtr<CDrives> p = MakeDrives({});
  for (int i = 1; i <= n; ++i) p->Add(u"V", u"P", std::u16string(1, static_cast<char16_t>(u'0' + i)));
  return p;
}

// The revisions of the next n drives the enumerator yields; "" past the end.
std::u16string Next(IEnumVARIANT* e, ULONG n = 1) {
  std::vector<CVariant> v(n + 1, CVariant::Long(7));
  ULONG fetched = 99;
  const HRESULT hr = e->Next(n, v.data(), &fetched);
  EXPECT_EQ(hr, fetched == n ? S_OK : S_FALSE);
  std::u16string out;
  for (ULONG i = 0; i < fetched; ++i) out += RevisionOf(v[i]);
  for (ULONG i = fetched; i < n; ++i) EXPECT_EQ(v[i].vt, VT_EMPTY) << "emptied";
  EXPECT_EQ(v[n].vt, VT_I4) << "nothing written past the array";
  return out;
}

TEST(EnumDrives, WalksInOrderSkipsResetsAndClones) {
  ComPtr<CDrives> drives = Drives(3);
  ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
  ASSERT_TRUE(e);
  EXPECT_EQ(Next(e.Get()), u"1");
  ComPtr<IEnumVARIANT> c;
  ASSERT_EQ(e->Clone(c.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(Next(e.Get(), 5), u"23");
  EXPECT_EQ(Next(c.Get()), u"2");  // the clone moves on its own
  EXPECT_EQ(e->Reset(), S_OK);
  EXPECT_EQ(e->Skip(3), S_OK);  // exactly to the end
  EXPECT_EQ(e->Skip(1), S_FALSE);
  EXPECT_EQ(e->Reset(), S_OK);
  EXPECT_EQ(e->Skip(1), S_OK);
  EXPECT_EQ(Next(e.Get()), u"2");
  CVariant two[2];
  EXPECT_EQ(e->Next(2, two, nullptr), E_INVALIDARG);  // more than one needs the count
  EXPECT_EQ(Next(e.Get()), u"3");
  EXPECT_EQ(e->Clone(nullptr), E_POINTER);
}

TEST(EnumDrives, OutlivesItsCollectionAndSeesDrivesAppendedLater) {
  ComPtr<CDrives> drives = Drives(1);
  ComPtr<IEnumVARIANT> e = NewEnum(drives.Get());
  EXPECT_EQ(Next(e.Get()), u"1");
  drives->Add(u"V", u"P", u"2");
  drives = nullptr;
  EXPECT_EQ(Next(e.Get(), 2), u"2");
  e = nullptr;
  EXPECT_EQ(TestModule()->m_nObjectCount.load(), 0);
}

}  // namespace
