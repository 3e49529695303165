#include "DriveHost.h"

#include <gtest/gtest.h>

#include "control/interface/CantrelIds.h"

namespace drivehost {

AFX_MODULE_STATE* TestModule() {
  static AFX_MODULE_STATE state("drives-test");
  return &state;
}

ComPtr<CDrives> MakeDrives(std::initializer_list<DriveIds> drives) {
  AFX_MANAGE_STATE(TestModule());
  ComPtr<CDrives> p = CDrives::Create();
  for (const auto& d : drives) p->Add(d.vendor, d.product, d.revision);
  return p;
}

HRESULT Get(IDispatch* target, DISPID id, CVariant* result, std::vector<CVariant> args) {
  result->Clear();
  return DispInvoke(target, id, DISPATCH_PROPERTYGET, std::move(args), result);
}

HRESULT Put(IDispatch* target, DISPID id, CVariant value, std::vector<CVariant> args) {
  args.push_back(std::move(value));
  return DispInvoke(target, id, DISPATCH_PROPERTYPUT, std::move(args), nullptr);
}

HRESULT Call(IDispatch* target, DISPID id, CVariant* result, std::vector<CVariant> args) {
  result->Clear();
  return DispInvoke(target, id, DISPATCH_METHOD, std::move(args), result);
}

std::u16string GetString(IDispatch* target, DISPID id) {
  CVariant v;
  EXPECT_EQ(Get(target, id, &v), S_OK);
  EXPECT_EQ(v.vt, VT_BSTR);
  return v.vt == VT_BSTR && v.bstrVal ? std::u16string(v.bstrVal, SysStringLen(v.bstrVal)) : std::u16string();
}

SHORT Count(IDispatch* drives) {
  CVariant v;
  EXPECT_EQ(Get(drives, DISPID_DRIVES_COUNT, &v), S_OK);
  EXPECT_EQ(v.vt, VT_I2);
  return v.iVal;
}

std::u16string RevisionOf(const CVariant& result) {
  if (result.vt != VT_DISPATCH) return u"<not a dispatch>";
  if (!result.pdispVal) return u"<null>";
  return GetString(result.pdispVal, DISPID_DRIVE_REVISION);
}

ComPtr<IEnumVARIANT> NewEnum(IDispatch* drives) {
  CVariant v;
  EXPECT_EQ(Get(drives, DISPID_DRIVES_NEWENUM, &v), S_OK);
  EXPECT_EQ(v.vt, VT_UNKNOWN);
  ComPtr<IEnumVARIANT> pEnum;
  if (v.vt == VT_UNKNOWN && v.punkVal) {
    EXPECT_EQ(v.punkVal->QueryInterface(IID_IEnumVARIANT, pEnum.ReleaseAndGetVoidAddress()), S_OK);
  }
  return pEnum;
}

}  // namespace drivehost
