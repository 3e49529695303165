// A property bag in memory: values by name, for hosts that save controls.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "platform/com/Variant.h"
#include "platform/olectl/OleInterfaces.h"

class PX_EXPORT CMemPropertyBag final : public IPropertyBag {
 public:
  // One count, owned by the caller.
  static CMemPropertyBag* Create(std::map<std::u16string, CVariant> initial = {});

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) override;
  HRESULT Write(LPCOLESTR pszPropName, VARIANT* pVar) override;

  std::map<std::u16string, CVariant> GetValues() const;

 private:
  explicit CMemPropertyBag(std::map<std::u16string, CVariant> initial) : m_values(std::move(initial)) {}
  ~CMemPropertyBag() = default;

  std::atomic<ULONG> m_cRef{1};
  mutable std::mutex m_mutex;
  std::map<std::u16string, CVariant> m_values;
};
