// A host's end of an object's event connection: a dispatch interface that
// answers to the object's source interface and hands every call to a
// handler, with the arguments in declaration order.
#pragma once

#include <functional>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/Variant.h"

class PX_EXPORT CEventSink final : public ComObject<CEventSink, IDispatch> {
 public:
  using Handler = std::function<void(DISPID dispid, const std::vector<CVariant>& args)>;

  static ComPtr<CEventSink> Create(const IID& iidEvents, Handler handler);
  // No more calls reach the handler (the connection may outlive the host).
  void Detach();
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

 private:
  friend struct ::ComAccess;
  CEventSink(const IID& iidEvents, Handler handler) : m_iidEvents(iidEvents), m_handler(std::move(handler)) {}
  ~CEventSink() override = default;
  // The events' own interface id, known only at run time.
  void* FindInterface(REFIID riid) { return riid == m_iidEvents ? static_cast<IDispatch*>(this) : nullptr; }
  IID m_iidEvents;
  Handler m_handler;
};
