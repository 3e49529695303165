#include "control/drives/CDrives.h"

#include <new>

#include "control/drives/CEnumDrives.h"
#include "control/interface/CantrelTables.h"
#include "platform/com/Variant.h"

namespace {

// Bound when the library loads: a binding that does not fit stops it there.
const DispatchTable g_drivesTable = IDrivesTable().Bind({
    DispProperty<&CDrives::GetCountProp>(DISPID_DRIVES_COUNT),
    DispPropertyGet<&CDrives::GetItem>(DISPID_DRIVES_ITEM),
    DispMethod<&CDrives::FindProductID>(DISPID_DRIVES_FINDPRODUCTID),
    DispMethod<&CDrives::FindVendorID>(DISPID_DRIVES_FINDVENDORID),
    DispMethod<&CDrives::FindRevision>(DISPID_DRIVES_FINDREVISION),
    DispPropertyGet<&CDrives::GetNewEnum>(DISPID_DRIVES_NEWENUM),
});

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

const DispatchTable& CDrives::GetDispatchTable() const { return g_drivesTable; }

SHORT CDrives::GetCountProp() const { return static_cast<SHORT>(GetCount() & 0xFFFF); }

ComPtr<CDrive> CDrives::GetItem(const VARIANT& key) const {
  // Only a plain string names a product; a string by reference is converted
  // like any other key.
  if (key.vt == VT_BSTR) {
    return FindByProductID(key.bstrVal ? std::u16string_view(key.bstrVal, SysStringLen(key.bstrVal))
                                       : std::u16string_view());
  }
  CVariant position;
  if (FAILED(VariantChangeType(&position, &key, 0, VT_I4))) return nullptr;
  LONG n = position.lVal;
  if (n < 1) return nullptr;
  return GetAt(static_cast<size_t>(n) - 1);
}

ComPtr<CDrive> CDrives::AtIndex(SHORT nIndex) const {
  return nIndex < 0 ? nullptr : GetAt(static_cast<size_t>(nIndex));
}

std::u16string CDrives::FindProductID(SHORT nIndex) const {
  ComPtr<CDrive> pDrive = AtIndex(nIndex);
  return pDrive ? pDrive->ProductID() : std::u16string();
}

std::u16string CDrives::FindVendorID(SHORT nIndex) const {
  ComPtr<CDrive> pDrive = AtIndex(nIndex);
  return pDrive ? pDrive->VendorID() : std::u16string();
}

std::u16string CDrives::FindRevision(SHORT nIndex) const {
  ComPtr<CDrive> pDrive = AtIndex(nIndex);
  return pDrive ? pDrive->Revision() : std::u16string();
}

ComPtr<IEnumVARIANT> CDrives::GetNewEnum() {
  ComPtr<IEnumVARIANT> pEnum = CEnumDrives::Create(ComPtr<CDrives>(this));
  if (!pEnum) throw std::bad_alloc();  // answered as E_OUTOFMEMORY
  (void)pEnum->Reset();
  return pEnum;
}
