// Reference counting and QueryInterface for the service's objects, which
// each implement one interface. Live objects keep the library loaded.
#pragma once

#include <atomic>

#include "platform/com/Interfaces.h"
#include "platform/imapi/service/CServiceModule.h"

template <class Itf>
class TComObject : public Itf {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, PX_IID(Itf))) {
      *ppv = static_cast<Itf*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++m_cRef; }
  ULONG Release() override {
    ULONG n = --m_cRef;
    if (n == 0) delete this;
    return n;
  }

 protected:
  TComObject() { CServiceModule::ObjectCreated(); }
  virtual ~TComObject() { CServiceModule::ObjectDestroyed(); }

 private:
  std::atomic<ULONG> m_cRef{1};
};
