// The enumerator that _NewEnum hands out for a for-each walk over the
// collection. It holds a reference on its collection, so it stays usable
// after the host has released everything else; it sees drives added after
// it was made.
#pragma once

#include "control/drives/CDrives.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Enumerator.h"
#include "platform/olectl/CCmdTarget.h"

class CEnumDrives;

// The live collection as the enumerator's source.
struct CEnumDrivesSource {
  static constexpr HRESULT kNullArray = E_INVALIDARG;
  ComPtr<CDrives> pDrives;
  size_t Count() const { return pDrives->GetCount(); }
  void CopyAt(size_t i, VARIANT& out) const {
    out.vt = VT_DISPATCH;
    out.pdispVal = ComPtr<IDispatch>(pDrives->GetAt(i)).Detach();
  }
};

class CEnumDrives : public ComExtend<CCmdTarget, EnumeratorCore<IEnumVARIANT, VARIANT, CEnumDrivesSource>> {
 public:
  // A new enumerator at the given position; null when it cannot be made.
  static ComPtr<IEnumVARIANT> Create(ComPtr<CDrives> pDrives, size_t nPosition = 0);

 protected:
  const DispatchTable& GetDispatchTable() const override;
  void* GetInterfaceHook(REFIID riid) override;

 private:
  friend struct ::ComAccess;
  CEnumDrives(ComPtr<CDrives> pDrives, size_t nPosition);
  ~CEnumDrives() override = default;

  ComPtr<IEnumVARIANT> CloneAt(size_t nPosition) const override;
};
