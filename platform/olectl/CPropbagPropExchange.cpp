#include "platform/olectl/CPropbagPropExchange.h"

#include "platform/com/Variant.h"

namespace {
constexpr OLECHAR kVersionName[] = u"_Version";
}

CPropbagPropExchange::CPropbagPropExchange(IPropertyBag* pPropBag, IErrorLog* pErrorLog, BOOL bLoading)
    : CPropExchange(bLoading), m_pPropBag(pPropBag), m_pErrorLog(pErrorLog) {
  if (!m_pPropBag) m_bOk = FALSE;
}

BOOL CPropbagPropExchange::ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert) {
  LONG lVersion = static_cast<LONG>(dwVersionDefault);
  if (m_bLoading) {
    LONG lDefault = lVersion;
    if (!ExchangeProp(kVersionName, VT_I4, &lVersion, &lDefault)) return FALSE;
    dwVersionLoaded = static_cast<DWORD>(lVersion);
    m_dwVersion = bConvert ? dwVersionDefault : dwVersionLoaded;
    return TRUE;
  }
  // Saving: with conversion the current version is written whatever was loaded.
  DWORD dwWrite = bConvert ? dwVersionDefault : dwVersionLoaded;
  lVersion = static_cast<LONG>(dwWrite);
  m_dwVersion = dwWrite;
  return ExchangeProp(kVersionName, VT_I4, &lVersion, nullptr);
}

BOOL CPropbagPropExchange::ExchangeProp(LPCOLESTR pszPropName, VARTYPE vtProp, void* pvProp, const void* pvDefault) {
  if (!m_pPropBag || !pszPropName || !pvProp) return Fail();
  VARTYPE vtStore = vtProp;
  if (vtProp != VT_I2 && vtProp != VT_I4 && vtProp != VT_BOOL && vtProp != VT_BSTR) return Fail();
  if (m_bLoading) {
    CVariant v;
    HRESULT hr = m_pPropBag->Read(pszPropName, &v, m_pErrorLog.Get());
    if (SUCCEEDED(hr) && v.vt != vtStore) hr = VariantChangeType(&v, &v, 0, vtStore);
    if (FAILED(hr) || v.vt != vtStore) {
      // A missing or unreadable value takes the default; it is not an error
      // of the bag as a whole.
      return CopyDefault(vtProp, pvProp, pvDefault);
    }
    switch (vtProp) {
      case VT_I2:
        *static_cast<SHORT*>(pvProp) = v.iVal;
        break;
      case VT_I4:
        *static_cast<LONG*>(pvProp) = v.lVal;
        break;
      case VT_BOOL:
        *static_cast<BOOL*>(pvProp) = v.boolVal ? TRUE : FALSE;
        break;
      case VT_BSTR:
        *static_cast<std::u16string*>(pvProp) = v.bstrVal ? std::u16string(v.bstrVal, SysStringLen(v.bstrVal)) : std::u16string();
        break;
    }
    return TRUE;
  }
  CVariant v;
  switch (vtProp) {
    case VT_I2:
      v = CVariant::Short(*static_cast<SHORT*>(pvProp));
      break;
    case VT_I4:
      v = CVariant::Long(*static_cast<LONG*>(pvProp));
      break;
    case VT_BOOL:
      v = CVariant::Bool(*static_cast<BOOL*>(pvProp) != 0);
      break;
    case VT_BSTR:
      v = CVariant::String(*static_cast<std::u16string*>(pvProp));
      break;
  }
  if (FAILED(m_pPropBag->Write(pszPropName, &v))) return Fail();
  return TRUE;
}
