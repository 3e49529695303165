#include <gtest/gtest.h>

#include <string>

#include "control/interface/CantrelTables.h"
#include "platform/com/ComPtr.h"
#include "platform/com/TypeLib.h"

namespace {

struct TableRow {
  const char* name;
  const DispatchTable& (*table)();
};

void PrintTo(const TableRow& row, std::ostream* os) { *os << row.name; }

class CantrelTables : public ::testing::TestWithParam<TableRow> {};

// Every member, named in capitals, resolves through the table and through the
// library's description of the interface to the same DISPID, and its
// parameters to their positions.
TEST_P(CantrelTables, NamesResolveAsTheLibraryDescribesThem) {
  const auto blob = BuildTypeLibBlob(CantrelTypeLibDescription());
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(LoadTypeLibFromMemory(blob.data(), blob.size(), lib.ReleaseAndGetAddressOf()), S_OK);
  const DispatchTable& table = GetParam().table();
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(table.Iid(), info.ReleaseAndGetAddressOf()), S_OK);
  for (const DispMember& m : table.Members()) {
    std::vector<std::u16string> names = {m.name};
    for (const DispParam& p : m.params)
      if (!p.name.empty()) names.push_back(p.name);
    std::vector<LPOLESTR> raw;
    for (auto& n : names) {
      for (auto& c : n) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
      raw.push_back(n.data());
    }
    std::vector<DISPID> ids(raw.size(), 777), expected = {m.dispid};
    for (size_t i = 1; i < raw.size(); ++i) expected.push_back(static_cast<DISPID>(i - 1));
    EXPECT_EQ(table.GetIDsOfNames(raw.data(), static_cast<UINT>(raw.size()), ids.data()), S_OK);
    EXPECT_EQ(ids, expected) << "table";
    MEMBERID id = 777;
    EXPECT_EQ(info->GetIDsOfNames(raw.data(), 1, &id), S_OK);
    EXPECT_EQ(id, m.dispid) << "library";
  }
}

INSTANTIATE_TEST_SUITE_P(Interfaces, CantrelTables,
                         ::testing::Values(TableRow{"Dcantrel", DcantrelTable},
                                           TableRow{"DcantrelEvents", DcantrelEventsTable},
                                           TableRow{"IDrives", IDrivesTable}, TableRow{"IDrive", IDriveTable}),
                         [](const auto& info) { return std::string(info.param.name); });

// Writes that the declarations refuse (the library shows the properties as
// writable); nothing needs to be bound for the refusal.
struct PutRow {
  const char* name;
  const DispatchTable& (*table)();
  DISPID id;
  UINT cArgs;
  HRESULT hr;
};

void PrintTo(const PutRow& row, std::ostream* os) { *os << row.name; }

class CantrelTablesPut : public ::testing::TestWithParam<PutRow> {};

TEST_P(CantrelTablesPut, IsRefusedAsDeclared) {
  CVariant args[2] = {CVariant::Short(1), CVariant::Short(2)};
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS p{args, &named, GetParam().cArgs, 1};
  EXPECT_EQ(GetParam().table().Invoke(nullptr, GetParam().id, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr),
            GetParam().hr);
}

INSTANTIATE_TEST_SUITE_P(
    Members, CantrelTablesPut,
    ::testing::Values(PutRow{"DriveIsWritable", DcantrelTable, DISPID_CANTREL_DRIVE, 1, DISP_E_MEMBERNOTFOUND},
                      PutRow{"Drives", DcantrelTable, DISPID_CANTREL_DRIVES, 1, CTL_E_SETNOTSUPPORTED},
                      PutRow{"BurnIsNoProperty", DcantrelTable, DISPID_CANTREL_BURN, 1, DISP_E_MEMBERNOTFOUND},
                      PutRow{"Count", IDrivesTable, DISPID_DRIVES_COUNT, 1, CTL_E_SETNOTSUPPORTED},
                      PutRow{"Item", IDrivesTable, DISPID_DRIVES_ITEM, 2, CTL_E_SETNOTSUPPORTED},
                      PutRow{"NewEnum", IDrivesTable, DISPID_DRIVES_NEWENUM, 1, CTL_E_SETNOTSUPPORTED},
                      PutRow{"ProductID", IDriveTable, DISPID_DRIVE_PRODUCTID, 1, CTL_E_SETNOTSUPPORTED},
                      PutRow{"VendorID", IDriveTable, DISPID_DRIVE_VENDORID, 1, CTL_E_SETNOTSUPPORTED},
                      PutRow{"Revision", IDriveTable, DISPID_DRIVE_REVISION, 1, CTL_E_SETNOTSUPPORTED}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
