// Makes disc masters. Not counted as a live object, so a held factory does
// not keep the library loaded; LockServer does.
#pragma once

#include "platform/com/ComObject.h"

class CDiscMasterClassFactory final : public ComObject<CDiscMasterClassFactory, IClassFactory> {
 public:
  CDiscMasterClassFactory() = default;

  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
  HRESULT LockServer(BOOL fLock) override;

 private:
  ~CDiscMasterClassFactory() override = default;
};
