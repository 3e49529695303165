// Makes disc readers. Not counted as a live object, so a held factory does
// not keep the library loaded; LockServer does.
#pragma once

#include "platform/com/ComObject.h"

class CDiscReadbackClassFactory final : public ComObject<CDiscReadbackClassFactory, IClassFactory> {
 public:
  CDiscReadbackClassFactory() = default;

  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
  HRESULT LockServer(BOOL fLock) override;

 private:
  ~CDiscReadbackClassFactory() override = default;
};
