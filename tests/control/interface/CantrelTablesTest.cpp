#include <gtest/gtest.h>

#include <string>

#include "control/interface/CantrelTables.h"

namespace {

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
