// A connection point for one outgoing dispatch interface: sinks subscribe
// with Advise (several at once), and the owner calls them with Fire. The
// connection point's reference count is its container's.
#pragma once

#include <mutex>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Interfaces.h"
#include "platform/com/Variant.h"

class PX_EXPORT CConnectionPoint : public ComContained<CConnectionPoint, IConnectionPoint> {
 public:
  // container: the object that owns this connection point (not counted; its
  // count serves for both).
  CConnectionPoint(IConnectionPointContainer* container, const IID& iid);
  ~CConnectionPoint() override;
  HRESULT GetConnectionInterface(IID* pIID) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
  // The sink is asked for the connection interface (or IDispatch); it is
  // held by one count until Unadvise or destruction.
  HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
  HRESULT Unadvise(DWORD dwCookie) override;
  HRESULT EnumConnections(IEnumConnections** ppEnum) override;

  const IID& Iid() const { return iid_; }
  // A snapshot of the current sinks, safe to call while sinks unadvise.
  std::vector<ComPtr<IDispatch>> Sinks() const;
  // Invokes dispid on every sink with the arguments in declaration order;
  // sink failures are ignored.
  void Fire(DISPID dispid, const std::vector<CVariant>& argsInOrder) const;
  // Drops every sink (when the owner is destroyed).
  void UnadviseAll();

 private:
  IConnectionPointContainer* container_;
  IID iid_;
  mutable std::mutex mutex_;
  DWORD nextCookie_ = 1;
  std::vector<std::pair<DWORD, ComPtr<IDispatch>>> sinks_;
};
