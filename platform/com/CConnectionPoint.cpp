#include "platform/com/CConnectionPoint.h"
#include "platform/com/ResultMacros.h"

#include <utility>

CConnectionPoint::CConnectionPoint(IConnectionPointContainer* container, const IID& iid)
    : ComContained(container), container_(container), iid_(iid) {}

CConnectionPoint::~CConnectionPoint() { UnadviseAll(); }

HRESULT CConnectionPoint::GetConnectionInterface(IID* pIID) {
  if (!pIID) return E_POINTER;
  *pIID = iid_;
  return S_OK;
}

HRESULT CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
  if (!ppCPC) return E_POINTER;
  *ppCPC = nullptr;
  if (!container_) return E_UNEXPECTED;
  return ComPtr<IConnectionPointContainer>(container_).CopyTo(ppCPC);
}

HRESULT CConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
  if (!pdwCookie) return E_POINTER;
  *pdwCookie = 0;
  if (!pUnkSink) return E_POINTER;
  ComPtr<IDispatch> sink;
  if (FAILED(pUnkSink->QueryInterface(iid_, sink.ReleaseAndGetVoidAddress())) || !sink) {
    if (FAILED(pUnkSink->QueryInterface(IID_IDispatch, sink.ReleaseAndGetVoidAddress())) || !sink)
      return CONNECT_E_CANNOTCONNECT;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  // Cookies are never handed out twice, so a stale cookie can never remove
  // somebody else's connection.
  if (nextCookie_ == 0) return CONNECT_E_ADVISELIMIT;
  const DWORD cookie = nextCookie_++;
  sinks_.emplace_back(cookie, std::move(sink));
  *pdwCookie = cookie;
  return S_OK;
}

HRESULT CConnectionPoint::Unadvise(DWORD dwCookie) {
  ComPtr<IDispatch> released;  // released after the lock: the sink may call back
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
      if (it->first == dwCookie) {
        released = std::move(it->second);
        sinks_.erase(it);
        return S_OK;
      }
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT CConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  return E_NOTIMPL;
}

std::vector<ComPtr<IDispatch>> CConnectionPoint::Sinks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<ComPtr<IDispatch>> out;
  out.reserve(sinks_.size());
  for (const auto& s : sinks_) out.push_back(s.second);
  return out;
}

void CConnectionPoint::Fire(DISPID dispid, const std::vector<CVariant>& argsInOrder) const {
  const std::vector<ComPtr<IDispatch>> sinks = Sinks();
  if (sinks.empty()) return;
  for (const auto& sink : sinks) {
    // Each sink gets its own copies: a sink may change or take the values.
    std::vector<CVariant> reversed(argsInOrder.rbegin(), argsInOrder.rend());
    std::vector<VARIANT> raw(reversed.begin(), reversed.end());
    DISPPARAMS params{};
    params.rgvarg = raw.empty() ? nullptr : raw.data();
    params.cArgs = static_cast<UINT>(raw.size());
    UINT argErr = 0;
    const HRESULT hr =
        sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, &argErr);
    IgnoreResult(hr, "a failing sink does not keep the others from their events");
  }
}

void CConnectionPoint::UnadviseAll() {
  std::vector<std::pair<DWORD, ComPtr<IDispatch>>> released;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    released.swap(sinks_);
  }
}
