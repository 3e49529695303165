#include "app/CBurnerControl.h"

#include "app/CAutomationError.h"
#include "control/interface/CantrelIds.h"
#include "platform/com/DispatchTable.h"

namespace {

QString FromBstr(BSTR b) {
  if (!b) return {};
  return QString::fromUtf16(b, static_cast<qsizetype>(SysStringLen(b)));
}

// A recorder index is 16-bit, so no list of recorders is longer than this; a
// collection that enumerates on and on is not trusted further.
constexpr int kMaxDrives = 32767;

}  // namespace

CBurnerControl CBurnerControl::NotCreated(HRESULT hrCreate) {
  CBurnerControl control;
  control.m_hrCreate = hrCreate;
  return control;
}

IDispatch* CBurnerControl::Target() const {
  if (!m_pDispatch)
    throw CAutomationError(m_hrCreate, QStringLiteral("The CD burner control could not be created: ") +
                                           CAutomationError::DescribeResult(m_hrCreate));
  return m_pDispatch.Get();
}

CVariant CBurnerControl::Call(IDispatch* pTarget, DISPID dispid, WORD wFlags, std::vector<CVariant> args) {
  if (!pTarget) throw CAutomationError(E_POINTER);
  CVariant result;
  EXCEPINFO excep{};
  UINT nArgErr = 0;
  HRESULT hr = DispInvoke(pTarget, dispid, wFlags, std::move(args), &result, &excep, &nArgErr);
  QString strDescription;
  if (hr == DISP_E_EXCEPTION) {
    if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
    strDescription = FromBstr(excep.bstrDescription);
    if (excep.scode) hr = excep.scode;
  }
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  if (FAILED(hr)) throw CAutomationError(hr, strDescription);
  return result;
}

CVariant CBurnerControl::Convert(const VARIANT& value, VARTYPE vt) {
  CVariant converted;
  const HRESULT hr = VariantChangeType(&converted, &value, 0, vt);
  if (FAILED(hr)) throw CAutomationError(hr);
  return converted;
}

void CBurnerControl::InitControl() { Call(Target(), DISPID_CANTREL_INITCONTROL, DISPATCH_METHOD); }

void CBurnerControl::DeleteAllItems() { Call(Target(), DISPID_CANTREL_DELETEALLITEMS, DISPATCH_METHOD); }

SHORT CBurnerControl::AddAudioTrack(const QString& strFileName) {
  const std::u16string path(reinterpret_cast<const char16_t*>(strFileName.utf16()),
                            static_cast<size_t>(strFileName.size()));
  CVariant result = Call(Target(), DISPID_CANTREL_ADDAUDIOTRACK, DISPATCH_METHOD, {CVariant::String(path)});
  return Convert(result, VT_I2).iVal;
}

void CBurnerControl::SetDrive(SHORT nDrive) {
  Call(Target(), DISPID_CANTREL_DRIVE, DISPATCH_PROPERTYPUT, {CVariant::Short(nDrive)});
}

SHORT CBurnerControl::Burn(bool bSimulate, bool bEjectAfterBurn, bool bFileOverWrite) {
  CVariant result = Call(Target(), DISPID_CANTREL_BURN, DISPATCH_METHOD,
                         {CVariant::Bool(bSimulate), CVariant::Bool(bEjectAfterBurn), CVariant::Bool(bFileOverWrite)});
  return Convert(result, VT_I2).iVal;
}

void CBurnerControl::ForEachDrive(
    const std::function<void(const QString& strVendorID, const QString& strProductID)>& fnVisit) {
  CVariant drives = Convert(Call(Target(), DISPID_CANTREL_DRIVES, DISPATCH_PROPERTYGET), VT_DISPATCH);
  if (!drives.pdispVal) throw CAutomationError(E_POINTER, QStringLiteral("Object variable not set."));
  CVariant enumerator = Call(drives.pdispVal, DISPID_NEWENUM, DISPATCH_PROPERTYGET | DISPATCH_METHOD);
  IUnknown* pUnknown = nullptr;
  if (enumerator.vt == VT_UNKNOWN) pUnknown = enumerator.punkVal;
  else if (enumerator.vt == VT_DISPATCH) pUnknown = enumerator.pdispVal;
  if (!pUnknown) throw CAutomationError(E_NOINTERFACE);
  ComPtr<IEnumVARIANT> pEnum;
  HRESULT hr = pUnknown->QueryInterface(IID_IEnumVARIANT, pEnum.ReleaseAndGetVoidAddress());
  if (FAILED(hr) || !pEnum) throw CAutomationError(FAILED(hr) ? hr : E_NOINTERFACE);

  for (int nCount = 0; nCount < kMaxDrives; ++nCount) {
    CVariant element;
    ULONG nFetched = 0;
    hr = pEnum->Next(1, &element, &nFetched);
    if (FAILED(hr)) throw CAutomationError(hr);
    if (hr != S_OK || nFetched == 0) return;
    CVariant drive = Convert(element, VT_DISPATCH);
    if (!drive.pdispVal) throw CAutomationError(E_POINTER, QStringLiteral("Object variable not set."));
    const CVariant vendor = Convert(Call(drive.pdispVal, DISPID_DRIVE_VENDORID, DISPATCH_PROPERTYGET), VT_BSTR);
    const CVariant product = Convert(Call(drive.pdispVal, DISPID_DRIVE_PRODUCTID, DISPATCH_PROPERTYGET), VT_BSTR);
    fnVisit(FromBstr(vendor.bstrVal), FromBstr(product.bstrVal));
  }
}
