// The ordered collection of recorders that the control's Drives property
// hands out. The recorder listing appends on its own thread while the host
// may already read, so the list is guarded by a lock of its own; entries are
// only ever appended, so a position stays valid once reached.
#pragma once

#include <mutex>
#include <string_view>
#include <vector>

#include "control/drives/CDrive.h"
#include "platform/com/ComPtr.h"
#include "platform/olectl/CCmdTarget.h"

class CDrives : public CCmdTarget {
 public:
  static ComPtr<CDrives> Create();

  // Appends a drive; any thread.
  void Add(std::u16string_view strVendorID, std::u16string_view strProductID, std::u16string_view strRevision);

  size_t GetCount() const;
  // The drive at a zero-based position, or null.
  ComPtr<CDrive> GetAt(size_t nIndex) const;
  // The first drive whose product identifier equals strProductID exactly.
  ComPtr<CDrive> FindByProductID(std::u16string_view strProductID) const;

  // ---- Automation ----
  SHORT GetCountProp() const;
  // Key: a plain string names a product identifier; anything else that
  // converts to a number is a position counted from 1. Null when none.
  ComPtr<CDrive> GetItem(const VARIANT& key) const;
  // By zero-based index; an empty string when out of range.
  std::u16string FindProductID(SHORT nIndex) const;
  std::u16string FindVendorID(SHORT nIndex) const;
  std::u16string FindRevision(SHORT nIndex) const;
  ComPtr<IEnumVARIANT> GetNewEnum();

 protected:
  const DispatchTable& GetDispatchTable() const override;

 private:
  friend struct ::ComAccess;
  CDrives() = default;
  ~CDrives() override = default;

  // The drive at a zero-based index argument; negative is out of range.
  ComPtr<CDrive> AtIndex(SHORT nIndex) const;

  mutable std::mutex m_mutex;
  std::vector<ComPtr<CDrive>> m_vecDrives;
};
