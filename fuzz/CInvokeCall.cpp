#include "fuzz/CInvokeCall.h"

#include <cstdlib>

#include "platform/com/Guid.h"

CInvokeCall::CInvokeCall(FuzzedDataProvider& fdp, IDispatch* pObject, size_t nMaxArgs, bool bLocalNames)
    : m_fdp(fdp), m_variants(fdp, pObject, bLocalNames) {
  VariantInit(&m_result);
  size_t n = fdp.ConsumeIntegralInRange<size_t>(0, nMaxArgs);
  for (size_t i = 0; i < n; ++i) m_args.push_back(m_variants.Make());
  // Named arguments: none, the property-put one, or any DISPIDs.
  size_t nNamed = n == 0 ? 0 : fdp.ConsumeIntegralInRange<size_t>(0, n);
  for (size_t i = 0; i < nNamed; ++i)
    m_named.push_back(fdp.ConsumeBool() ? DISPID_PROPERTYPUT : fdp.ConsumeIntegral<DISPID>());
}

CInvokeCall::~CInvokeCall() {
  VariantClear(&m_result);
  SysFreeString(m_excep.bstrSource);
  SysFreeString(m_excep.bstrDescription);
  SysFreeString(m_excep.bstrHelpFile);
  for (VARIANT& v : m_args) VariantClear(&v);
}

HRESULT CInvokeCall::Invoke(IDispatch* pTarget, const std::vector<DISPID>& dispids) {
  if (m_fdp.ConsumeIntegralInRange<int>(0, 7) == 0 || dispids.empty())
    m_dispid = m_fdp.ConsumeIntegral<DISPID>();
  else
    m_dispid = dispids[m_fdp.ConsumeIntegralInRange<size_t>(0, dispids.size() - 1)];
  WORD wFlags = 0;
  switch (m_fdp.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: wFlags = DISPATCH_METHOD; break;
    case 1: wFlags = DISPATCH_PROPERTYGET; break;
    case 2: wFlags = DISPATCH_METHOD | DISPATCH_PROPERTYGET; break;
    case 3: wFlags = DISPATCH_PROPERTYPUT; break;
    case 4: wFlags = DISPATCH_PROPERTYPUTREF; break;
    default: wFlags = m_fdp.ConsumeIntegral<WORD>(); break;
  }
  bool bResult = m_fdp.ConsumeBool();
  bool bExcep = m_fdp.ConsumeBool();
  bool bArgErr = m_fdp.ConsumeBool();
  IID riid = IID_NULL;
  if (m_fdp.ConsumeIntegralInRange<int>(0, 15) == 0) riid = IID_IDispatch;  // reserved, must be refused

  // The platform's convention: arguments in reverse order.
  std::vector<VARIANT> reversed(m_args.rbegin(), m_args.rend());
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), m_named.empty() ? nullptr : m_named.data(),
                    static_cast<UINT>(reversed.size()), static_cast<UINT>(m_named.size())};
  UINT uArgErr = 0;
  HRESULT hr = pTarget->Invoke(m_dispid, riid, LOCALE_USER_DEFAULT, wFlags, &params, bResult ? &m_result : nullptr,
                               bExcep ? &m_excep : nullptr, bArgErr ? &uArgErr : nullptr);
  // The callee may have changed by-value arguments only through their
  // pointees; the copies in reversed are what it saw.
  for (size_t i = 0; i < m_args.size(); ++i) m_args[i] = reversed[m_args.size() - 1 - i];
  // A type mismatch names the argument at fault.
  if (hr == DISP_E_TYPEMISMATCH && bArgErr && params.cArgs > 0 && uArgErr >= params.cArgs) std::abort();
  return hr;
}
