// A plain automation object for fuzzed arguments that carry an interface:
// it answers its value property (DISPID_VALUE, "Value") with a fixed variant, so that
// conversions through the value property are reached, and counts its
// references so that a harness can tell when a callee kept or lost one.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/Variant.h"

class CFuzzDispatch : public ComObject<CFuzzDispatch, IDispatch> {
 public:
  // One count, owned by the caller.
  explicit CFuzzDispatch(const CVariant& value);
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  CVariant Value() const { return m_value; }

 private:
  ~CFuzzDispatch() override = default;
  CVariant m_value;
};
