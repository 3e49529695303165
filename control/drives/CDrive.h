// One recorder's identity as the disc-mastering service names it: vendor,
// product and revision. Set when the collection adds the drive, never changed.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/ComPtr.h"
#include "platform/olectl/CCmdTarget.h"

class CDrive : public CCmdTarget {
 public:
  static ComPtr<CDrive> Create(std::u16string_view strVendorID, std::u16string_view strProductID,
                               std::u16string_view strRevision);

  const std::u16string& ProductID() const { return m_strProductID; }
  const std::u16string& VendorID() const { return m_strVendorID; }
  const std::u16string& Revision() const { return m_strRevision; }

 protected:
  const DispatchTable& GetDispatchTable() const override;

 private:
  friend struct ::ComAccess;
  CDrive(std::u16string_view strVendorID, std::u16string_view strProductID, std::u16string_view strRevision);
  ~CDrive() override = default;

  const std::u16string m_strProductID;
  const std::u16string m_strVendorID;
  const std::u16string m_strRevision;
};
