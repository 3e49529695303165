// Calls the recorder objects the way a late-bound host does: through
// IDispatch::Invoke by DISPID, with the results as variants.
#pragma once

#include <string>
#include <vector>

#include "control/drives/CDrives.h"
#include "platform/com/ComPtr.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/Variant.h"
#include "platform/olectl/AfxModuleState.h"

namespace drivehost {

// A module of its own, so that the tests can see the objects' locks.
AFX_MODULE_STATE* TestModule();

// A collection made in the test module holding drives (vendor, product,
// revision); the returned reference is the only one (the control's).
ComPtr<CDrives> MakeDrives(const std::vector<std::vector<std::u16string>>& drives);

// A string property or method result; "<failed>" when the call fails.
std::u16string Text(IDispatch* target, DISPID id, WORD flags = DISPATCH_PROPERTYGET, std::vector<CVariant> args = {});
// The drive's Revision, or "<null>" when result holds no dispatch reference.
std::u16string RevisionOf(const CVariant& result);
// _NewEnum as IEnumVARIANT.
ComPtr<IEnumVARIANT> NewEnum(IDispatch* drives);

}  // namespace drivehost
