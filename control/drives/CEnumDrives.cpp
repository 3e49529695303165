#include "control/drives/CEnumDrives.h"

#include "control/interface/CantrelTables.h"

CEnumDrives::CEnumDrives(ComPtr<CDrives> pDrives, size_t nPosition) { Start({std::move(pDrives)}, nPosition); }

ComPtr<IEnumVARIANT> CEnumDrives::Create(ComPtr<CDrives> pDrives, size_t nPosition) {
  if (!pDrives) return nullptr;
  return ComPtr<IEnumVARIANT>(Make<CEnumDrives>(std::move(pDrives), nPosition));
}

const DispatchTable& CEnumDrives::GetDispatchTable() const { return IEnumDrivesTable(); }

void* CEnumDrives::GetInterfaceHook(REFIID riid) {
  if (riid == IID_IEnumVARIANT) return static_cast<IEnumVARIANT*>(this);
  return nullptr;
}

ComPtr<IEnumVARIANT> CEnumDrives::CloneAt(size_t nPosition) const {
  // Called directly, not through Invoke: the clone must lock this module.
  AFX_MANAGE_STATE(GetModuleState());
  return Create(GetSource().pDrives, nPosition);
}
