// One member table per dispatch interface: it answers GetIDsOfNames and
// Invoke for the objects that implement the interface, and it is the source
// from which the type library describes the interface.
#pragma once

#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"
#include "platform/com/Interfaces.h"
#include "platform/com/Variant.h"

// How a member is declared.
enum class DispKind {
  Property,     // property section: readable and writable (see DISPF_READONLY)
  Method,       // method section: a method
  PropertyGet,  // method section: getter of a (parameterised) property
  PropertyPut,  // method section: setter of a (parameterised) property
};

constexpr uint32_t DISPF_NONE = 0;
constexpr uint32_t DISPF_RESTRICTED = 0x1;  // hidden from browsers (_NewEnum)
constexpr uint32_t DISPF_READONLY = 0x2;    // declared writable; a put fails with CTL_E_SETNOTSUPPORTED

// The call of a bound member on object: the converted arguments in
// declaration order (a put's value last; a VT_VARIANT parameter receives the
// caller's variant unconverted, by-reference included). result is VT_EMPTY on
// entry (null for puts). Made only by the binding templates below.
using DispHandler = HRESULT (*)(IDispatch* object, VARIANT* args, VARIANT* result);
// Whether a handler's signature fits the declared parameter and result types.
using DispSignatureCheck = bool (*)(const std::vector<VARTYPE>& params, VARTYPE result);

struct DispParam {
  std::u16string name;
  VARTYPE vt;  // VT_VARIANT accepts anything
};

struct DispMember {
  std::u16string name;
  DISPID dispid = DISPID_UNKNOWN;
  DispKind kind = DispKind::Method;
  // Property: the property's type. Method/PropertyGet: the result type
  // (VT_EMPTY for none). PropertyPut: VT_EMPTY.
  VARTYPE type = VT_EMPTY;
  // When type is VT_DISPATCH and this names a dispinterface of the same
  // library, the library types it as a reference to that interface.
  std::u16string userType;
  std::vector<DispParam> params;
  std::u16string helpString;
  uint32_t flags = DISPF_NONE;
  // Set by DispatchTable::Bind. Method/PropertyGet/PropertyPut: the call.
  // Property: the getter. Null means the member is answered with
  // DISP_E_MEMBERNOTFOUND.
  DispHandler handler = nullptr;
  // Property only: the setter (ignored with DISPF_READONLY).
  DispHandler putHandler = nullptr;
};

// One direction of a binding. A member whose int result meets a declaration
// without a result reports its HRESULT through it: that is statusHandler.
struct DispCall {
  DispHandler handler = nullptr;
  DispHandler statusHandler = nullptr;
  DispSignatureCheck fits = nullptr;
};

// Attaches a member function to the declared member with that DISPID and
// kind; made by DispMethod, DispPropertyGet, DispPropertyPut, DispProperty.
struct DispBinding {
  DISPID dispid;
  DispKind kind;
  DispCall call;
  DispCall put;  // Property only
};

class PX_EXPORT DispatchTable {
 public:
  DispatchTable(std::u16string name, const IID& iid, std::u16string helpString, std::vector<DispMember> members);

  const std::u16string& Name() const { return name_; }
  const IID& Iid() const { return iid_; }
  const std::u16string& HelpString() const { return help_; }
  const std::vector<DispMember>& Members() const { return members_; }

  // Names compared without regard to case; the first name is a member, the
  // others its parameters. DISP_E_UNKNOWNNAME with DISPID_UNKNOWN for every
  // name not found.
  HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, DISPID* rgDispId) const;

  // DISP_E_MEMBERNOTFOUND for an unknown DISPID or unsupported flags,
  // DISP_E_BADPARAMCOUNT for a wrong count, DISP_E_TYPEMISMATCH (and
  // *puArgErr = the argument's index in rgvarg) for an argument that does not
  // convert, DISP_E_PARAMNOTFOUND for named arguments other than a put's
  // DISPID_PROPERTYPUT, CTL_E_SETNOTSUPPORTED for refused writes.
  HRESULT Invoke(IDispatch* object, DISPID dispIdMember, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                 EXCEPINFO* pExcepInfo, UINT* puArgErr) const;

  // A copy whose members take their handlers from bindings (matched by DISPID
  // and kind). Declarations (names, types, help) live in one place; each
  // implementing class binds its own members, once, when its library loads.
  // Throws std::invalid_argument for a binding that names no declared member
  // or whose signature does not fit the declaration, so that a wrong table
  // stops the program at start-up instead of failing a host's call.
  DispatchTable Bind(const std::vector<DispBinding>& bindings) const;

  // Lookup helpers (null when absent).
  const DispMember* Find(DISPID id, DispKind kind) const;
  const DispMember* FindByName(std::u16string_view name) const;

 private:
  std::u16string name_;
  IID iid_;
  std::u16string help_;
  std::vector<DispMember> members_;
};

// Calls a dispatch member late-bound from C++: arguments in declaration order
// (they are reversed for the call). Used by hosts and tests.
PX_EXPORT HRESULT DispInvoke(IDispatch* target, DISPID id, WORD wFlags, std::vector<CVariant> argsInOrder,
                             VARIANT* result, EXCEPINFO* excep = nullptr, UINT* argErr = nullptr);

namespace disp_detail {

// An argument as the member takes it, read from the variant converted to the
// declared type.
template <class A>
struct Arg {
  static_assert(sizeof(A) == 0, "a dispatch member takes SHORT, LONG/BOOL, bool, std::u16string_view or VARIANT");
};
template <>
struct Arg<SHORT> {
  static bool Fits(VARTYPE vt) { return vt == VT_I2; }
  static SHORT From(const VARIANT& v) { return v.iVal; }
};
// LONG and BOOL are one type: a long, or a boolean as TRUE/FALSE.
template <>
struct Arg<LONG> {
  static bool Fits(VARTYPE vt) { return vt == VT_I4 || vt == VT_BOOL; }
  static LONG From(const VARIANT& v) { return v.vt == VT_BOOL ? (v.boolVal ? 1 : 0) : v.lVal; }
};
template <>
struct Arg<bool> {
  static bool Fits(VARTYPE vt) { return vt == VT_BOOL; }
  static bool From(const VARIANT& v) { return v.boolVal != 0; }
};
template <>
struct Arg<std::u16string_view> {
  static bool Fits(VARTYPE vt) { return vt == VT_BSTR; }
  static std::u16string_view From(const VARIANT& v) {
    return v.bstrVal ? std::u16string_view(v.bstrVal, SysStringLen(v.bstrVal)) : std::u16string_view();
  }
};
template <>
struct Arg<VARIANT> {
  static bool Fits(VARTYPE vt) { return vt == VT_VARIANT; }
  static const VARIANT& From(const VARIANT& v) { return v; }
};

// A result as the member answers it, stored into the call's result; the
// table converts it to the declared type.
template <class R>
struct Ret {
  static constexpr bool kSupported = false;
};
template <>
struct Ret<SHORT> {
  static constexpr bool kSupported = true;
  static bool Fits(VARTYPE vt) { return vt == VT_I2; }
  static HRESULT Store(VARIANT* r, SHORT v) {
    r->vt = VT_I2;
    r->iVal = v;
    return S_OK;
  }
};
template <>
struct Ret<LONG> {
  static constexpr bool kSupported = true;
  static bool Fits(VARTYPE vt) { return vt == VT_I4 || vt == VT_BOOL; }
  static HRESULT Store(VARIANT* r, LONG v) {
    r->vt = VT_I4;
    r->lVal = v;
    return S_OK;
  }
};
template <>
struct Ret<bool> {
  static constexpr bool kSupported = true;
  static bool Fits(VARTYPE vt) { return vt == VT_BOOL; }
  static HRESULT Store(VARIANT* r, bool v) {
    r->vt = VT_BOOL;
    r->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
};
template <>
struct Ret<std::u16string> {
  static constexpr bool kSupported = true;
  static bool Fits(VARTYPE vt) { return vt == VT_BSTR; }
  static HRESULT Store(VARIANT* r, const std::u16string& v) {
    BSTR b = SysAllocStringLen(v.data(), static_cast<UINT>(v.size()));
    if (!b) return E_OUTOFMEMORY;
    r->vt = VT_BSTR;
    r->bstrVal = b;
    return S_OK;
  }
};
template <>
struct Ret<CVariant> {
  static constexpr bool kSupported = true;
  static bool Fits(VARTYPE) { return true; }
  static HRESULT Store(VARIANT* r, CVariant v) {
    *r = v.Detach();
    return S_OK;
  }
};
template <class I>
struct Ret<ComPtr<I>> {
  static constexpr bool kSupported = true;
  static constexpr bool kDispatch = std::is_convertible_v<I*, IDispatch*>;
  static bool Fits(VARTYPE vt) { return vt == VT_UNKNOWN || (vt == VT_DISPATCH && kDispatch); }
  static HRESULT Store(VARIANT* r, ComPtr<I> p) {
    if constexpr (kDispatch) {
      r->vt = VT_DISPATCH;
      r->pdispVal = p.Detach();
    } else {
      r->vt = VT_UNKNOWN;
      r->punkVal = p.Detach();
    }
    return S_OK;
  }
};

template <class F>
struct Member;
template <class C, class R, class... A>
struct Member<R (C::*)(A...)> {
  using Class = C;
  using Result = R;
  using Args = std::tuple<std::remove_cvref_t<A>...>;
};
template <class C, class R, class... A>
struct Member<R (C::*)(A...) const> : Member<R (C::*)(A...)> {};

template <class T>
struct OutPointer {
  static constexpr bool kValue = false;
  using Type = void;
};
template <class T>
struct OutPointer<T*> {
  static constexpr bool kValue = !std::is_const_v<T> && Ret<T>::kSupported;
  using Type = T;
};

template <class Tuple, bool = (std::tuple_size_v<Tuple> > 0)>
struct LastOf {
  using Type = void;
};
template <class Tuple>
struct LastOf<Tuple, true> {
  using Type = std::tuple_element_t<std::tuple_size_v<Tuple> - 1, Tuple>;
};

// The shape of a member: its inputs, and whether it answers through a last
// out-pointer (returning its HRESULT).
template <auto Fn>
struct Shape {
  using M = Member<decltype(Fn)>;
  using Class = typename M::Class;
  using Result = typename M::Result;
  using All = typename M::Args;
  using Last = typename LastOf<All>::Type;
  static constexpr bool kOut = OutPointer<Last>::kValue && std::is_same_v<Result, HRESULT>;
  using Out = typename OutPointer<Last>::Type;
  static constexpr size_t kInputs = kOut ? std::tuple_size_v<All> - 1 : std::tuple_size_v<All>;
  template <size_t I>
  using Input = std::tuple_element_t<I, All>;
  static_assert(std::is_convertible_v<Class*, IDispatch*>, "a dispatch member belongs to a dispatch object");
};

template <auto Fn, bool Status, size_t... I>
HRESULT Call(IDispatch* object, VARIANT* args, VARIANT* result, std::index_sequence<I...>) {
  using S = Shape<Fn>;
  auto* self = static_cast<typename S::Class*>(object);
  if constexpr (S::kOut) {
    typename S::Out value{};
    HRESULT hr = (self->*Fn)(Arg<typename S::template Input<I>>::From(args[I])..., &value);
    if (FAILED(hr) || !result) return hr;
    HRESULT stored = Ret<typename S::Out>::Store(result, std::move(value));
    return FAILED(stored) ? stored : hr;
  } else if constexpr (std::is_void_v<typename S::Result>) {
    (self->*Fn)(Arg<typename S::template Input<I>>::From(args[I])...);
    return S_OK;
  } else if constexpr (Status) {
    return (self->*Fn)(Arg<typename S::template Input<I>>::From(args[I])...);
  } else {
    auto value = (self->*Fn)(Arg<typename S::template Input<I>>::From(args[I])...);
    return result ? Ret<std::remove_cvref_t<decltype(value)>>::Store(result, std::move(value)) : S_OK;
  }
}

template <auto Fn, bool Status>
HRESULT Thunk(IDispatch* object, VARIANT* args, VARIANT* result) {
  return Call<Fn, Status>(object, args, result, std::make_index_sequence<Shape<Fn>::kInputs>());
}

template <auto Fn, size_t... I>
bool InputsFit(const std::vector<VARTYPE>& params, std::index_sequence<I...>) {
  using S = Shape<Fn>;
  return params.size() == S::kInputs && (Arg<typename S::template Input<I>>::Fits(params[I]) && ...);
}

template <auto Fn>
bool Fits(const std::vector<VARTYPE>& params, VARTYPE result) {
  using S = Shape<Fn>;
  if (!InputsFit<Fn>(params, std::make_index_sequence<S::kInputs>())) return false;
  if constexpr (S::kOut) {
    return Ret<typename S::Out>::Fits(result);
  } else if constexpr (std::is_void_v<typename S::Result>) {
    return result == VT_EMPTY;
  } else {
    using R = std::remove_cvref_t<typename S::Result>;
    static_assert(Ret<R>::kSupported,
                  "a dispatch member answers void, SHORT, LONG/BOOL/HRESULT, bool, std::u16string, CVariant or ComPtr");
    // An int where nothing is declared is the call's HRESULT.
    if constexpr (std::is_same_v<R, HRESULT>)
      if (result == VT_EMPTY) return true;
    return Ret<R>::Fits(result);
  }
}

template <auto Fn>
DispCall MakeCall() {
  if constexpr (std::is_null_pointer_v<decltype(Fn)>) {
    return {};
  } else {
    using R = typename Shape<Fn>::Result;
    constexpr bool kStatus = std::is_same_v<R, HRESULT> && !Shape<Fn>::kOut;
    DispCall c{&Thunk<Fn, false>, nullptr, &Fits<Fn>};
    if constexpr (kStatus) c.statusHandler = &Thunk<Fn, true>;
    return c;
  }
}

}  // namespace disp_detail

// Bindings of member functions (by member pointer) to declared members. The
// arguments are converted to the declared types and read as the function's
// parameter types; the result is the function's return value, or a last
// out-pointer when the function returns an HRESULT of its own.
template <auto Fn>
DispBinding DispMethod(DISPID id) {
  return {id, DispKind::Method, disp_detail::MakeCall<Fn>(), {}};
}
template <auto Fn>
DispBinding DispPropertyGet(DISPID id) {
  return {id, DispKind::PropertyGet, disp_detail::MakeCall<Fn>(), {}};
}
template <auto Fn>
DispBinding DispPropertyPut(DISPID id) {
  return {id, DispKind::PropertyPut, disp_detail::MakeCall<Fn>(), {}};
}
// A property: its getter and, unless it is read-only, its setter.
template <auto Get, auto Put = nullptr>
DispBinding DispProperty(DISPID id) {
  return {id, DispKind::Property, disp_detail::MakeCall<Get>(), disp_detail::MakeCall<Put>()};
}
