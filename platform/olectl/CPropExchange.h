// Property exchange: one DoPropExchange routine of a control saves, loads and
// resets its persistent properties, whatever the medium. The PX_ functions
// exchange one property each; on load a property the medium lacks takes its
// default.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"

class PX_EXPORT CPropExchange {
 public:
  virtual ~CPropExchange() = default;

  BOOL IsLoading() const { return m_bLoading; }
  // The version found on load (or the default), the one written on save.
  DWORD GetVersion() const { return m_dwVersion; }

  // Exchanges the control's version stamp. On load, dwVersionLoaded gets the
  // stored version (dwVersionDefault when none is stored); with bConvert the
  // exchange then works on dwVersionDefault, so that a later save writes the
  // current version whatever was loaded.
  virtual BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert);
  // vtProp: VT_I2, VT_I4, VT_BOOL (a BOOL), VT_BSTR (a std::u16string).
  // Returns FALSE when the medium failed; a property missing on load takes
  // pvDefault (when given) and counts as success.
  virtual BOOL ExchangeProp(LPCOLESTR pszPropName, VARTYPE vtProp, void* pvProp, const void* pvDefault) = 0;

  // FALSE once any exchange failed (damaged or short medium).
  BOOL IsOk() const { return m_bOk; }

 protected:
  explicit CPropExchange(BOOL bLoading) : m_bLoading(bLoading) {}
  static BOOL CopyDefault(VARTYPE vtProp, void* pvProp, const void* pvDefault);
  BOOL Fail() {
    m_bOk = FALSE;
    return FALSE;
  }

  BOOL m_bLoading;
  DWORD m_dwVersion = 0;
  BOOL m_bOk = TRUE;
};

PX_EXPORT BOOL PX_Short(CPropExchange* pPX, LPCOLESTR pszPropName, SHORT& sValue);
PX_EXPORT BOOL PX_Short(CPropExchange* pPX, LPCOLESTR pszPropName, SHORT& sValue, SHORT sDefault);
PX_EXPORT BOOL PX_Long(CPropExchange* pPX, LPCOLESTR pszPropName, LONG& lValue);
PX_EXPORT BOOL PX_Long(CPropExchange* pPX, LPCOLESTR pszPropName, LONG& lValue, LONG lDefault);
PX_EXPORT BOOL PX_Bool(CPropExchange* pPX, LPCOLESTR pszPropName, BOOL& bValue, BOOL bDefault);
PX_EXPORT BOOL PX_String(CPropExchange* pPX, LPCOLESTR pszPropName, std::u16string& strValue,
                         const std::u16string& strDefault);
