// A plain automation object for fuzzed arguments that carry an interface:
// it answers its value property (DISPID_VALUE, "Value") with a fixed variant, so that
// conversions through the value property are reached, and counts its
// references so that a harness can tell when a callee kept or lost one.
#pragma once

#include <atomic>

#include "platform/com/Interfaces.h"
#include "platform/com/Variant.h"

class CFuzzDispatch : public IDispatch {
 public:
  // One count, owned by the caller.
  explicit CFuzzDispatch(const CVariant& value);

  HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  ULONG RefCount() const { return m_cRef.load(); }
  CVariant Value() const { return m_value; }

 private:
  virtual ~CFuzzDispatch() = default;

  std::atomic<ULONG> m_cRef{1};
  CVariant m_value;
};
