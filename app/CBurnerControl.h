// The burner control as the window uses it: every call late-bound through
// the control's IDispatch by dispatch identifier. A failed call raises
// CAutomationError.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"

class CBurnerControl {
 public:
  CBurnerControl() = default;
  explicit CBurnerControl(ComPtr<IDispatch> pDispatch) : m_pDispatch(std::move(pDispatch)) {}
  // A control that could not be created: every call raises hrCreate.
  static CBurnerControl NotCreated(HRESULT hrCreate);

  bool IsCreated() const { return static_cast<bool>(m_pDispatch); }
  IDispatch* Dispatch() const { return m_pDispatch.Get(); }

  // Result ignored by every caller.
  void InitControl();
  void DeleteAllItems();
  SHORT AddAudioTrack(const QString& strFileName);
  void SetDrive(SHORT nDrive);
  SHORT Burn(bool bSimulate, bool bEjectAfterBurn, bool bFileOverWrite);
  // Walks the Drives collection through its enumerator and reports each
  // recorder's vendor and product identifiers in enumeration order.
  void ForEachDrive(const std::function<void(const QString& strVendorID, const QString& strProductID)>& fnVisit);

  // One late-bound call; raises CAutomationError on failure.
  static CVariant Call(IDispatch* pTarget, DISPID dispid, WORD wFlags, std::vector<CVariant> args = {});
  // The value converted to vt; raises CAutomationError when it does not convert.
  static CVariant Convert(const VARIANT& value, VARTYPE vt);

 private:
  IDispatch* Target() const;

  ComPtr<IDispatch> m_pDispatch;
  HRESULT m_hrCreate = E_POINTER;
};
