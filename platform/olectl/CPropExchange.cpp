#include "platform/olectl/CPropExchange.h"

BOOL CPropExchange::ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert) {
  // Media without a stored version: the loaded version is the default.
  dwVersionLoaded = dwVersionDefault;
  m_dwVersion = dwVersionDefault;
  return TRUE;
}

BOOL CPropExchange::CopyDefault(VARTYPE vtProp, void* pvProp, const void* pvDefault) {
  if (!pvDefault) return TRUE;
  switch (vtProp) {
    case VT_I2:
      *static_cast<SHORT*>(pvProp) = *static_cast<const SHORT*>(pvDefault);
      return TRUE;
    case VT_I4:
      *static_cast<LONG*>(pvProp) = *static_cast<const LONG*>(pvDefault);
      return TRUE;
    case VT_BOOL:
      *static_cast<BOOL*>(pvProp) = *static_cast<const BOOL*>(pvDefault);
      return TRUE;
    case VT_BSTR:
      *static_cast<std::u16string*>(pvProp) = *static_cast<const std::u16string*>(pvDefault);
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL PX_Short(CPropExchange* pPX, LPCOLESTR pszPropName, SHORT& sValue) {
  return pPX->ExchangeProp(pszPropName, VT_I2, &sValue, nullptr);
}

BOOL PX_Short(CPropExchange* pPX, LPCOLESTR pszPropName, SHORT& sValue, SHORT sDefault) {
  return pPX->ExchangeProp(pszPropName, VT_I2, &sValue, &sDefault);
}

BOOL PX_Long(CPropExchange* pPX, LPCOLESTR pszPropName, LONG& lValue) {
  return pPX->ExchangeProp(pszPropName, VT_I4, &lValue, nullptr);
}

BOOL PX_Long(CPropExchange* pPX, LPCOLESTR pszPropName, LONG& lValue, LONG lDefault) {
  return pPX->ExchangeProp(pszPropName, VT_I4, &lValue, &lDefault);
}

BOOL PX_Bool(CPropExchange* pPX, LPCOLESTR pszPropName, BOOL& bValue, BOOL bDefault) {
  return pPX->ExchangeProp(pszPropName, VT_BOOL, &bValue, &bDefault);
}

BOOL PX_String(CPropExchange* pPX, LPCOLESTR pszPropName, std::u16string& strValue,
               const std::u16string& strDefault) {
  return pPX->ExchangeProp(pszPropName, VT_BSTR, &strValue, &strDefault);
}
