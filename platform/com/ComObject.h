// The one implementation of IUnknown for the platform's objects.
//
//   class CThing final : public ComObject<CThing, IThing, IOther, CModule::ObjectLock> {...};
//   ComPtr<CThing> p = Make<CThing>(args...);
//
// The list names the interfaces QueryInterface answers (IUnknown is the
// first one's) and, optionally, module locks: plain classes whose
// constructor locks a module and whose destructor unlocks it, so a live
// object keeps its library loaded. A list entry may stand for another
// interface by declaring `using Interface = I;` (an implementation mixin).
// Interfaces known only at run time come from the derived class's
// `void* FindInterface(REFIID)` (no count added; the default finds none).
// Objects start with one count, which Make adopts; the last Release calls
// the derived class's FinalRelease (by default: delete).
#pragma once

#include <atomic>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/com/ComPtr.h"
#include "platform/com/Interfaces.h"

namespace com_detail {

template <class B>
constexpr bool kIsInterface = std::is_base_of_v<IUnknown, B>;

template <class B>
struct Exposed {
  using type = B;
};
template <class B>
  requires requires { typename B::Interface; }
struct Exposed<B> {
  using type = typename B::Interface;
};

template <class First, class... Rest>
struct FirstInterface {
  using type = std::conditional_t<kIsInterface<First>, First, typename FirstInterface<Rest...>::type>;
};
template <class Last>
struct FirstInterface<Last> {
  using type = Last;
};

// The interface riid names among self's bases, or null.
template <class Self, class... Bases>
void* FindListed(Self* self, REFIID riid) {
  using Primary = typename FirstInterface<Bases...>::type;
  static_assert(kIsInterface<Primary>, "a component object implements at least one interface");
  if (riid == IID_IUnknown) return static_cast<IUnknown*>(static_cast<Primary*>(self));
  void* p = nullptr;
  auto find = [&]<class B>() {
    if constexpr (kIsInterface<B>) {
      using I = typename Exposed<B>::type;
      if (riid == PX_IID(I)) p = static_cast<I*>(static_cast<B*>(self));
    }
    return p != nullptr;
  };
  (void)(... || find.template operator()<Bases>());
  return p;
}

}  // namespace com_detail

// Lets Make reach private constructors: a class befriends it.
struct ComAccess {
  template <class T, class... Args>
  static T* New(Args&&... args) {
    return new (std::nothrow) T(std::forward<Args>(args)...);
  }
  template <class T>
  static void* FindInterface(T* self, REFIID riid) {
    return self->FindInterface(riid);
  }
  template <class T>
  static void FinalRelease(T* self) {
    self->FinalRelease();
  }
};

template <class Derived, class... Bases>
class ComObject : public Bases... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = com_detail::FindListed<ComObject, Bases...>(this, riid);
    if (!*ppv) *ppv = ComAccess::FindInterface(static_cast<Derived*>(this), riid);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return m_cRef.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    const ULONG left = m_cRef.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) ComAccess::FinalRelease(static_cast<Derived*>(this));
    return left;
  }
  // The current count, for checks that a callee kept or dropped a reference.
  ULONG RefCount() const { return m_cRef.load(std::memory_order_relaxed); }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;

  void* FindInterface(REFIID) { return nullptr; }
  // The last count is gone. An object that does not live on the heap (a
  // test's stand-in on the stack) declares its own, empty one.
  void FinalRelease() { delete this; }

 private:
  friend struct ::ComAccess;
  std::atomic<ULONG> m_cRef{1};
};

// An object that lives inside another (a connection point in its control):
// its count is the owner's, and without an owner it is never deleted.
template <class Derived, class... Bases>
class ComContained : public Bases... {
 public:
  ComContained(const ComContained&) = delete;
  ComContained& operator=(const ComContained&) = delete;

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = com_detail::FindListed<ComContained, Bases...>(this, riid);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return m_pOwner ? m_pOwner->AddRef() : 1; }
  ULONG Release() override { return m_pOwner ? m_pOwner->Release() : 1; }

 protected:
  explicit ComContained(IUnknown* pOwner) : m_pOwner(pOwner) {}
  virtual ~ComContained() = default;
  IUnknown* Owner() const { return m_pOwner; }

 private:
  IUnknown* m_pOwner;
};

// Gives further interfaces to an object whose identity (count and
// QueryInterface) is Base's; Base's QueryInterface finds them through its
// own hook.
template <class Base, class... Extra>
class ComExtend : public Base, public Extra... {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override { return Base::QueryInterface(riid, ppv); }
  ULONG AddRef() override { return Base::AddRef(); }
  ULONG Release() override { return Base::Release(); }

 protected:
  using Base::Base;
};

// A new object, owned by the returned pointer; null when memory runs out.
template <class T, class... Args>
ComPtr<T> Make(Args&&... args) {
  return ComPtr<T>::Attach(ComAccess::New<T>(std::forward<Args>(args)...));
}
