// Property exchange over a property bag: each value is stored under its name.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/olectl/CPropExchange.h"
#include "platform/olectl/OleInterfaces.h"

class PX_EXPORT CPropbagPropExchange : public CPropExchange {
 public:
  CPropbagPropExchange(IPropertyBag* pPropBag, IErrorLog* pErrorLog, BOOL bLoading);

  BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert) override;
  BOOL ExchangeProp(LPCOLESTR pszPropName, VARTYPE vtProp, void* pvProp, const void* pvDefault) override;

 private:
  ComPtr<IPropertyBag> m_pPropBag;
  ComPtr<IErrorLog> m_pErrorLog;
};
