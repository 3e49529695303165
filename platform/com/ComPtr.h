// Owning reference to an interface: one count per holder, released on reset
// or destruction. With ComObject the only place that calls AddRef/Release.
#pragma once

#include <type_traits>
#include <utility>

#include "platform/com/Interfaces.h"

template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Takes an additional count on p; a pointer that already carries the
  // caller's count goes through Attach instead.
  explicit ComPtr(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) noexcept : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  // From a pointer to a derived class or interface.
  template <class U>
    requires std::is_convertible_v<U*, T*>
  ComPtr(const ComPtr<U>& o) noexcept : ComPtr(static_cast<T*>(o.Get())) {}
  template <class U>
    requires std::is_convertible_v<U*, T*>
  ComPtr(ComPtr<U>&& o) noexcept : p_(o.Detach()) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(const ComPtr& o) noexcept {
    if (this != &o) ComPtr(o).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) ComPtr(std::move(o)).Swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }

  // Adopts a count that the caller already owns (a fresh object, an
  // out-parameter result).
  static ComPtr Attach(T* p) noexcept {
    ComPtr r;
    r.p_ = p;
    return r;
  }
  // Hands the count to the caller.
  [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }

  void Reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  void Swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // Releases what is held and gives the address for an out-parameter.
  T** ReleaseAndGetAddressOf() noexcept {
    Reset();
    return &p_;
  }
  void** ReleaseAndGetVoidAddress() noexcept { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

  // Copies out a counted reference (for out-parameters of implementations).
  template <class U>
    requires std::is_convertible_v<T*, U*>
  HRESULT CopyTo(U** out) const noexcept {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

  template <class U>
  HRESULT As(ComPtr<U>* out) const noexcept {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(PX_IID(U), out->ReleaseAndGetVoidAddress());
  }
  template <class U>
  ComPtr<U> As() const noexcept {
    ComPtr<U> r;
    if (p_) (void)p_->QueryInterface(PX_IID(U), r.ReleaseAndGetVoidAddress());
    return r;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};
