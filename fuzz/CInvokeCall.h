// One IDispatch::Invoke made from fuzz input: a DISPID near the members or
// any, any flags, any number of arguments of any type, named arguments or
// not, and the optional out-parameters given or not. Afterwards everything
// the caller owns is freed, as a late-bound host would.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "fuzz/CFuzzVariants.h"

class CInvokeCall {
 public:
  // nMaxArgs bounds the argument count; pObject is what interface-typed
  // arguments carry.
  CInvokeCall(FuzzedDataProvider& fdp, IDispatch* pObject, size_t nMaxArgs, bool bLocalNames = false);
  ~CInvokeCall();
  CInvokeCall(const CInvokeCall&) = delete;
  CInvokeCall& operator=(const CInvokeCall&) = delete;

  // DISPIDs picked from dispids most of the time, otherwise any.
  HRESULT Invoke(IDispatch* pTarget, const std::vector<DISPID>& dispids);
  DISPID Dispid() const { return m_dispid; }
  // The result (VT_EMPTY when none was asked for or given).
  const VARIANT& Result() const { return m_result; }

 private:
  FuzzedDataProvider& m_fdp;
  CFuzzVariants m_variants;
  std::vector<VARIANT> m_args;
  std::vector<DISPID> m_named;
  DISPID m_dispid = 0;
  VARIANT m_result;
  EXCEPINFO m_excep{};
};
