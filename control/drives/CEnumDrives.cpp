#include "control/drives/CEnumDrives.h"

#include <new>

#include "control/interface/CantrelTables.h"
#include "platform/com/Variant.h"

CEnumDrives::CEnumDrives(ComPtr<CDrives> pDrives, size_t nPosition)
    : m_pDrives(std::move(pDrives)), m_nPosition(nPosition) {}

ComPtr<IEnumVARIANT> CEnumDrives::Create(ComPtr<CDrives> pDrives, size_t nPosition) {
  if (!pDrives) return nullptr;
  CEnumDrives* pEnum = new (std::nothrow) CEnumDrives(std::move(pDrives), nPosition);
  return ComPtr<IEnumVARIANT>::Attach(pEnum);
}

const DispatchTable& CEnumDrives::GetDispatchTable() const { return IEnumDrivesTable(); }

void* CEnumDrives::GetInterfaceHook(REFIID riid) {
  if (riid == IID_IEnumVARIANT) return static_cast<IEnumVARIANT*>(this);
  return nullptr;
}

HRESULT CEnumDrives::Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) {
  if (!pCeltFetched && celt > 1) return E_INVALIDARG;
  if (!rgVar && celt > 0) return E_INVALIDARG;
  if (pCeltFetched) *pCeltFetched = 0;
  for (ULONG i = 0; i < celt; ++i) VariantInit(&rgVar[i]);
  ULONG nFilled = 0;
  while (nFilled < celt) {
    ComPtr<CDrive> pDrive = m_pDrives->GetAt(m_nPosition);
    if (!pDrive) break;
    ++m_nPosition;
    rgVar[nFilled].vt = VT_DISPATCH;
    rgVar[nFilled].pdispVal = pDrive.Detach();
    ++nFilled;
    if (pCeltFetched) ++*pCeltFetched;
  }
  return nFilled == celt ? S_OK : S_FALSE;
}

HRESULT CEnumDrives::Skip(ULONG celt) {
  size_t nCount = m_pDrives->GetCount();
  size_t nLeft = m_nPosition < nCount ? nCount - m_nPosition : 0;
  if (celt > nLeft) {
    m_nPosition += nLeft;
    return S_FALSE;
  }
  m_nPosition += celt;
  return S_OK;
}

HRESULT CEnumDrives::Reset() {
  m_nPosition = 0;
  return S_OK;
}

HRESULT CEnumDrives::Clone(IEnumVARIANT** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  // Called directly, not through Invoke: the clone must lock this module.
  AFX_MANAGE_STATE(GetModuleState());
  ComPtr<IEnumVARIANT> pClone = Create(m_pDrives, m_nPosition);
  if (!pClone) return E_OUTOFMEMORY;
  *ppEnum = pClone.Detach();
  return S_OK;
}
