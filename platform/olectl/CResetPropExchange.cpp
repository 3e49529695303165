#include "platform/olectl/CResetPropExchange.h"

BOOL CResetPropExchange::ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert) {
  return CPropExchange::ExchangeVersion(dwVersionLoaded, dwVersionDefault, bConvert);
}

BOOL CResetPropExchange::ExchangeProp(LPCOLESTR pszPropName, VARTYPE vtProp, void* pvProp, const void* pvDefault) {
  return CopyDefault(vtProp, pvProp, pvDefault);
}
