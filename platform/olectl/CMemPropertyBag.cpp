#include "platform/olectl/CMemPropertyBag.h"

CMemPropertyBag* CMemPropertyBag::Create(std::map<std::u16string, CVariant> initial) {
  return new CMemPropertyBag(std::move(initial));
}

HRESULT CMemPropertyBag::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IPropertyBag) {
    *ppv = static_cast<IPropertyBag*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CMemPropertyBag::AddRef() { return ++m_cRef; }

ULONG CMemPropertyBag::Release() {
  ULONG n = --m_cRef;
  if (n == 0) delete this;
  return n;
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
