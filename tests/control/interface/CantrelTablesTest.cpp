#include <gtest/gtest.h>

#include "control/interface/CantrelTables.h"

namespace {

HRESULT Answer(void*, VARIANT*, UINT, VARIANT* r) {
  if (r) {
    r->vt = VT_I2;
    r->iVal = 1;
  }
  return S_OK;
}

TEST(CantrelTables, NamesResolveWithoutCase) {
  struct Case {
    const DispatchTable& table;
    std::vector<std::u16string> names;
    HRESULT hr;
    std::vector<DISPID> ids;
  };
  const std::vector<Case> cases = {
      {DcantrelTable(), {u"bUrN"}, S_OK, {4}},
      {DcantrelTable(), {u"BURN", u"bfileoverwrite", u"BSIMULATE"}, S_OK, {4, 2, 0}},
      {DcantrelTable(), {u"aboutbox"}, S_OK, {DISPID_ABOUTBOX}},
      {DcantrelTable(), {u"drives"}, S_OK, {12}},
      {DcantrelTable(), {u"Caption"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},  // no stock members
      {DcantrelEventsTable(), {u"closingdisc", u"iEsimatedSeconds"}, S_OK, {6, 0}},
      {IDrivesTable(), {u"item", u"key"}, S_OK, {2, 0}},
      {IDrivesTable(), {u"_NEWENUM"}, S_OK, {DISPID_NEWENUM}},
      {IDriveTable(), {u"vendorid"}, S_OK, {2}},
      {IEnumDrivesTable(), {u"Next"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
  };
  for (const auto& c : cases) {
    std::vector<std::u16string> copies = c.names;
    std::vector<LPOLESTR> raw;
    for (auto& s : copies) raw.push_back(s.data());
    std::vector<DISPID> ids(raw.size(), 777);
    EXPECT_EQ(c.table.GetIDsOfNames(raw.data(), static_cast<UINT>(raw.size()), ids.data()), c.hr);
    EXPECT_EQ(ids, c.ids);
  }
}

TEST(CantrelTables, RefusedWritesAndBoundCalls) {
  // Every handler bound: what is refused is refused by the declaration.
  std::vector<DispBinding> all;
  for (const DispatchTable* t : {&DcantrelTable(), &IDrivesTable(), &IDriveTable()})
    for (const auto& m : t->Members()) all.push_back({m.dispid, m.kind, Answer, Answer});
  struct Case {
    const DispatchTable& table;
    DISPID id;
    HRESULT hr;
  };
  const std::vector<Case> puts = {
      {DcantrelTable(), DISPID_CANTREL_DRIVE, S_OK},
      {DcantrelTable(), DISPID_CANTREL_DRIVES, CTL_E_SETNOTSUPPORTED},
      {IDrivesTable(), DISPID_DRIVES_COUNT, CTL_E_SETNOTSUPPORTED},
      {IDrivesTable(), DISPID_DRIVES_NEWENUM, CTL_E_SETNOTSUPPORTED},
      {IDriveTable(), DISPID_DRIVE_PRODUCTID, CTL_E_SETNOTSUPPORTED},
      {IDriveTable(), DISPID_DRIVE_VENDORID, CTL_E_SETNOTSUPPORTED},
      {IDriveTable(), DISPID_DRIVE_REVISION, CTL_E_SETNOTSUPPORTED},
      {DcantrelTable(), DISPID_CANTREL_BURN, DISP_E_MEMBERNOTFOUND},
  };
  for (const auto& c : puts) {
    const DispatchTable bound = c.table.Bind(all);
    CVariant value = CVariant::Short(1);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS p{&value, &named, 1, 1};
    EXPECT_EQ(bound.Invoke(nullptr, c.id, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr), c.hr)
        << c.id;
  }
  // Item's put takes a key and a value and is refused.
  const DispatchTable drives = IDrivesTable().Bind(all);
  CVariant args[2] = {CVariant::Short(1), CVariant::Short(2)};
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS p{args, &named, 2, 1};
  EXPECT_EQ(drives.Invoke(nullptr, DISPID_DRIVES_ITEM, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr),
            CTL_E_SETNOTSUPPORTED);

  // Burn with three booleans reaches the bound handler; unbound it is not found.
  const DispatchTable control = DcantrelTable().Bind(all);
  CVariant flags[3] = {CVariant::Bool(false), CVariant::Bool(true), CVariant::Bool(false)};
  DISPPARAMS burn{flags, nullptr, 3, 0};
  CVariant result;
  EXPECT_EQ(control.Invoke(nullptr, DISPID_CANTREL_BURN, DISPATCH_METHOD, &burn, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.vt, VT_I2);
  EXPECT_EQ(DcantrelTable().Invoke(nullptr, DISPID_CANTREL_BURN, DISPATCH_METHOD, &burn, &result, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  // The declared tables answer no other DISPID.
  EXPECT_EQ(control.Invoke(nullptr, 1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &burn, &result, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

}  // namespace
