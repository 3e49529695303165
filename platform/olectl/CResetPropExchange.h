// Property exchange that sets every property to its default (a control's
// reset state).
#pragma once

#include "platform/olectl/CPropExchange.h"

class PX_EXPORT CResetPropExchange : public CPropExchange {
 public:
  CResetPropExchange() : CPropExchange(TRUE) {}

  BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert) override;
  BOOL ExchangeProp(LPCOLESTR pszPropName, VARTYPE vtProp, void* pvProp, const void* pvDefault) override;
};
