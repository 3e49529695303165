#include "DriveHost.h"

#include <gtest/gtest.h>

#include "control/interface/CantrelIds.h"

namespace drivehost {

AFX_MODULE_STATE* TestModule() {
  static AFX_MODULE_STATE state("drives-test");
  return &state;
}

ComPtr<CDrives> MakeDrives(const std::vector<std::vector<std::u16string>>& drives) {
  AFX_MANAGE_STATE(TestModule());
  ComPtr<CDrives> p = CDrives::Create();
  for (const auto& d : drives) p->Add(d[0], d[1], d[2]);
  return p;
}

std::u16string Text(IDispatch* target, DISPID id, WORD flags, std::vector<CVariant> args) {
  CVariant v;
  if (DispInvoke(target, id, flags, std::move(args), &v) != S_OK || v.vt != VT_BSTR) return u"<failed>";
  return std::u16string(v.bstrVal, SysStringLen(v.bstrVal));
}

std::u16string RevisionOf(const CVariant& result) {
  if (result.vt != VT_DISPATCH) return u"<not a dispatch>";
  return result.pdispVal ? Text(result.pdispVal, DISPID_DRIVE_REVISION) : u"<null>";
}

ComPtr<IEnumVARIANT> NewEnum(IDispatch* drives) {
  CVariant v;
  EXPECT_EQ(DispInvoke(drives, DISPID_DRIVES_NEWENUM, DISPATCH_PROPERTYGET, {}, &v), S_OK);
  ComPtr<IEnumVARIANT> pEnum;
  if (v.vt == VT_UNKNOWN && v.punkVal) (void)v.punkVal->QueryInterface(IID_IEnumVARIANT, pEnum.ReleaseAndGetVoidAddress());
  return pEnum;
}

}  // namespace drivehost
