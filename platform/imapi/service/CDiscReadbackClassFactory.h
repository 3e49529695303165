// Makes disc readers. Not counted as a live object, so a held factory does
// not keep the library loaded; LockServer does.
#pragma once

#include <atomic>

#include "platform/com/Interfaces.h"

class CDiscReadbackClassFactory final : public IClassFactory {
 public:
  CDiscReadbackClassFactory() = default;

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
  HRESULT LockServer(BOOL fLock) override;

 private:
  ~CDiscReadbackClassFactory() = default;
  std::atomic<ULONG> m_cRef{1};
};
