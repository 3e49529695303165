#include "control/drives/CDrive.h"

#include "control/interface/CantrelTables.h"
#include "platform/com/Bstr.h"

namespace {

CDrive* Self(void* pObject) { return static_cast<CDrive*>(static_cast<CCmdTarget*>(pObject)); }

}  // namespace

CDrive::CDrive(std::u16string_view strVendorID, std::u16string_view strProductID, std::u16string_view strRevision)
    : m_strProductID(strProductID), m_strVendorID(strVendorID), m_strRevision(strRevision) {}

HRESULT CDrive::StringResult(VARIANT* pResult, std::u16string_view str) {
  BSTR bstr = SysAllocStringLen(str.data(), static_cast<UINT>(str.size()));
  if (!bstr) return E_OUTOFMEMORY;
  pResult->vt = VT_BSTR;
  pResult->bstrVal = bstr;
  return S_OK;
}

ComPtr<CDrive> CDrive::Create(std::u16string_view strVendorID, std::u16string_view strProductID,
                              std::u16string_view strRevision) {
  return Make<CDrive>(strVendorID, strProductID, strRevision);
}

const DispatchTable& CDrive::GetDispatchTable() const {
  static const DispatchTable table = IDriveTable().Bind({
      {DISPID_DRIVE_PRODUCTID, DispKind::Property, &CDrive::GetProductID},
      {DISPID_DRIVE_VENDORID, DispKind::Property, &CDrive::GetVendorID},
      {DISPID_DRIVE_REVISION, DispKind::Property, &CDrive::GetRevision},
  });
  return table;
}

HRESULT CDrive::GetProductID(void* pObject, VARIANT*, UINT, VARIANT* pResult) {
  return StringResult(pResult, Self(pObject)->m_strProductID);
}

HRESULT CDrive::GetVendorID(void* pObject, VARIANT*, UINT, VARIANT* pResult) {
  return StringResult(pResult, Self(pObject)->m_strVendorID);
}

HRESULT CDrive::GetRevision(void* pObject, VARIANT*, UINT, VARIANT* pResult) {
  return StringResult(pResult, Self(pObject)->m_strRevision);
}
