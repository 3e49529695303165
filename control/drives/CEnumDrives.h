// The enumerator that _NewEnum hands out for a for-each walk over the
// collection. It holds a reference on its collection, so it stays usable
// after the host has released everything else.
#pragma once

#include "control/drives/CDrives.h"
#include "platform/com/ComPtr.h"
#include "platform/olectl/CCmdTarget.h"

class CEnumDrives : public CCmdTarget, public IEnumVARIANT {
 public:
  // A new enumerator at the given position; null when it cannot be made.
  static ComPtr<IEnumVARIANT> Create(ComPtr<CDrives> pDrives, size_t nPosition = 0);

  // IUnknown, shared by both bases.
  HRESULT QueryInterface(REFIID riid, void** ppv) override { return CCmdTarget::QueryInterface(riid, ppv); }
  ULONG AddRef() override { return CCmdTarget::AddRef(); }
  ULONG Release() override { return CCmdTarget::Release(); }

  // IEnumVARIANT.
  HRESULT Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override;
  HRESULT Skip(ULONG celt) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumVARIANT** ppEnum) override;

 protected:
  const DispatchTable& GetDispatchTable() const override;
  void* GetInterfaceHook(REFIID riid) override;

 private:
  CEnumDrives(ComPtr<CDrives> pDrives, size_t nPosition);
  ~CEnumDrives() override = default;

  const ComPtr<CDrives> m_pDrives;
  size_t m_nPosition;
};
