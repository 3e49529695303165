#include "platform/olectl/CMemPropertyBag.h"

ComPtr<CMemPropertyBag> CMemPropertyBag::Create(std::map<std::u16string, CVariant> initial) {
  return Make<CMemPropertyBag>(std::move(initial));
}

HRESULT CMemPropertyBag::Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) {
  if (!pszPropName || !pVar) return E_POINTER;
  std::lock_guard lock(m_mutex);
  auto it = m_values.find(std::u16string(pszPropName));
  if (it == m_values.end()) return E_INVALIDARG;
  // The caller's variant carries only the wanted type.
  VARTYPE want = pVar->vt;
  VariantInit(pVar);
  if (want == VT_EMPTY) return VariantCopy(pVar, &it->second);
  return VariantChangeType(pVar, &it->second, 0, want);
}

HRESULT CMemPropertyBag::Write(LPCOLESTR pszPropName, VARIANT* pVar) {
  if (!pszPropName || !pVar) return E_POINTER;
  std::lock_guard lock(m_mutex);
  m_values[std::u16string(pszPropName)] = CVariant(*pVar);
  return S_OK;
}

std::map<std::u16string, CVariant> CMemPropertyBag::GetValues() const {
  std::lock_guard lock(m_mutex);
  return m_values;
}
