// Property exchange over a stream: the values follow one another in exchange
// order, each in a fixed little-endian form (a string as its length in
// characters and its UTF-16 units). A stream that ends early or holds an
// impossible length fails the exchange.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/olectl/CPropExchange.h"
#include "platform/olectl/OleInterfaces.h"

class PX_EXPORT CStreamPropExchange : public CPropExchange {
 public:
  CStreamPropExchange(IStream* pStm, BOOL bLoading);

  BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert) override;
  BOOL ExchangeProp(LPCOLESTR pszPropName, VARTYPE vtProp, void* pvProp, const void* pvDefault) override;

 private:
  BOOL ReadBytes(void* pv, ULONG cb);
  BOOL WriteBytes(const void* pv, ULONG cb);

  ComPtr<IStream> m_pStm;
};
