// A property bag in memory: values by name, for hosts that save controls.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/com/ComObject.h"
#include "platform/com/Variant.h"
#include "platform/olectl/OleInterfaces.h"

class PX_EXPORT CMemPropertyBag final : public ComObject<CMemPropertyBag, IPropertyBag> {
 public:
  static ComPtr<CMemPropertyBag> Create(std::map<std::u16string, CVariant> initial = {});
  HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) override;
  HRESULT Write(LPCOLESTR pszPropName, VARIANT* pVar) override;

  std::map<std::u16string, CVariant> GetValues() const;

 private:
  explicit CMemPropertyBag(std::map<std::u16string, CVariant> initial) : m_values(std::move(initial)) {}
  friend struct ::ComAccess;
  ~CMemPropertyBag() override = default;
  mutable std::mutex m_mutex;
  std::map<std::u16string, CVariant> m_values;
};
