#include "control/drives/CDrives.h"

#include "control/drives/CEnumDrives.h"
#include "control/interface/CantrelTables.h"
#include "platform/com/Variant.h"

namespace {

CDrives* Self(void* pObject) { return static_cast<CDrives*>(static_cast<CCmdTarget*>(pObject)); }

HRESULT DispatchResult(VARIANT* pResult, ComPtr<CDrive> pDrive) {
  pResult->vt = VT_DISPATCH;
  pResult->pdispVal = pDrive.Detach();
  return S_OK;
}

// The zero-based index argument of the Find methods; negative is out of range.
ComPtr<CDrive> AtIndexArg(void* pObject, const VARIANT* pArgs) {
  SHORT nIndex = pArgs[0].iVal;
  if (nIndex < 0) return nullptr;
  return Self(pObject)->GetAt(static_cast<size_t>(nIndex));
}

}  // namespace

ComPtr<CDrives> CDrives::Create() { return Make<CDrives>(); }

void CDrives::Add(std::u16string_view strVendorID, std::u16string_view strProductID,
                  std::u16string_view strRevision) {
  // The listing thread runs in the host's state; the drive belongs to the
  // collection's module and keeps it loaded.
  AFX_MANAGE_STATE(GetModuleState());
  ComPtr<CDrive> pDrive = CDrive::Create(strVendorID, strProductID, strRevision);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_vecDrives.push_back(std::move(pDrive));
}

size_t CDrives::GetCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_vecDrives.size();
}

ComPtr<CDrive> CDrives::GetAt(size_t nIndex) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return nIndex < m_vecDrives.size() ? m_vecDrives[nIndex] : nullptr;
}

ComPtr<CDrive> CDrives::FindByProductID(std::u16string_view strProductID) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& pDrive : m_vecDrives)
    if (pDrive->ProductID() == strProductID) return pDrive;
  return nullptr;
}

const DispatchTable& CDrives::GetDispatchTable() const {
  static const DispatchTable table = IDrivesTable().Bind({
      {DISPID_DRIVES_COUNT, DispKind::Property, &CDrives::GetCountProp},
      {DISPID_DRIVES_ITEM, DispKind::PropertyGet, &CDrives::GetItem},
      {DISPID_DRIVES_FINDPRODUCTID, DispKind::Method, &CDrives::FindProductID},
      {DISPID_DRIVES_FINDVENDORID, DispKind::Method, &CDrives::FindVendorID},
      {DISPID_DRIVES_FINDREVISION, DispKind::Method, &CDrives::FindRevision},
      {DISPID_DRIVES_NEWENUM, DispKind::PropertyGet, &CDrives::GetNewEnum},
  });
  return table;
}

HRESULT CDrives::GetCountProp(void* pObject, VARIANT*, UINT, VARIANT* pResult) {
  pResult->vt = VT_I2;
  pResult->iVal = static_cast<SHORT>(Self(pObject)->GetCount() & 0xFFFF);
  return S_OK;
}

HRESULT CDrives::GetItem(void* pObject, VARIANT* pArgs, UINT, VARIANT* pResult) {
  const VARIANT& key = pArgs[0];
  // Only a plain string names a product; a string by reference is converted
  // like any other key.
  if (key.vt == VT_BSTR) {
    std::u16string_view strKey = key.bstrVal ? std::u16string_view(key.bstrVal, SysStringLen(key.bstrVal))
                                             : std::u16string_view();
    return DispatchResult(pResult, Self(pObject)->FindByProductID(strKey));
  }
  CVariant position;
  if (FAILED(VariantChangeType(&position, &key, 0, VT_I4))) return DispatchResult(pResult, nullptr);
  LONG n = position.lVal;
  if (n < 1) return DispatchResult(pResult, nullptr);
  return DispatchResult(pResult, Self(pObject)->GetAt(static_cast<size_t>(n) - 1));
}

HRESULT CDrives::FindProductID(void* pObject, VARIANT* pArgs, UINT, VARIANT* pResult) {
  ComPtr<CDrive> pDrive = AtIndexArg(pObject, pArgs);
  return CDrive::StringResult(pResult, pDrive ? std::u16string_view(pDrive->ProductID()) : std::u16string_view());
}

HRESULT CDrives::FindVendorID(void* pObject, VARIANT* pArgs, UINT, VARIANT* pResult) {
  ComPtr<CDrive> pDrive = AtIndexArg(pObject, pArgs);
  return CDrive::StringResult(pResult, pDrive ? std::u16string_view(pDrive->VendorID()) : std::u16string_view());
}

HRESULT CDrives::FindRevision(void* pObject, VARIANT* pArgs, UINT, VARIANT* pResult) {
  ComPtr<CDrive> pDrive = AtIndexArg(pObject, pArgs);
  return CDrive::StringResult(pResult, pDrive ? std::u16string_view(pDrive->Revision()) : std::u16string_view());
}

HRESULT CDrives::GetNewEnum(void* pObject, VARIANT*, UINT, VARIANT* pResult) {
  ComPtr<IEnumVARIANT> pEnum = CEnumDrives::Create(ComPtr<CDrives>(Self(pObject)));
  if (!pEnum) return E_OUTOFMEMORY;
  pEnum->Reset();
  pResult->vt = VT_UNKNOWN;
  pResult->punkVal = pEnum.Detach();
  return S_OK;
}
