#include "control/drives/CDrive.h"

#include "control/interface/CantrelTables.h"

namespace {

// Bound when the library loads: a binding that does not fit stops it there.
const DispatchTable g_driveTable = IDriveTable().Bind({
    DispProperty<&CDrive::ProductID>(DISPID_DRIVE_PRODUCTID),
    DispProperty<&CDrive::VendorID>(DISPID_DRIVE_VENDORID),
    DispProperty<&CDrive::Revision>(DISPID_DRIVE_REVISION),
});

}  // namespace

CDrive::CDrive(std::u16string_view strVendorID, std::u16string_view strProductID, std::u16string_view strRevision)
    : m_strProductID(strProductID), m_strVendorID(strVendorID), m_strRevision(strRevision) {}

ComPtr<CDrive> CDrive::Create(std::u16string_view strVendorID, std::u16string_view strProductID,
                              std::u16string_view strRevision) {
  return Make<CDrive>(strVendorID, strProductID, strRevision);
}

const DispatchTable& CDrive::GetDispatchTable() const { return g_driveTable; }
