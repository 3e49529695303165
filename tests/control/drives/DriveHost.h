// Calls the recorder objects the way a late-bound host does: through
// IDispatch::Invoke by DISPID, with the results as variants.
#pragma once

#include <string>

#include "control/drives/CDrives.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "platform/olectl/AfxModuleState.h"

namespace drivehost {

// A module of its own, so that the tests can see the objects' locks.
AFX_MODULE_STATE* TestModule();

struct DriveIds {
  std::u16string vendor, product, revision;
};

// A collection made in the test module, filled with the given drives; the
// returned reference is the only one (the control's).
ComPtr<CDrives> MakeDrives(std::initializer_list<DriveIds> drives);

HRESULT Get(IDispatch* target, DISPID id, CVariant* result, std::vector<CVariant> args = {});
HRESULT Put(IDispatch* target, DISPID id, CVariant value, std::vector<CVariant> args = {});
HRESULT Call(IDispatch* target, DISPID id, CVariant* result, std::vector<CVariant> args = {});

// Property reads that expect success.
std::u16string GetString(IDispatch* target, DISPID id);
SHORT Count(IDispatch* drives);
// The drive's Revision, or "<null>" when result holds no dispatch reference.
std::u16string RevisionOf(const CVariant& result);
// _NewEnum as IEnumVARIANT.
ComPtr<IEnumVARIANT> NewEnum(IDispatch* drives);

}  // namespace drivehost
