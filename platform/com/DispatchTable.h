// One member table per dispatch interface: it answers GetIDsOfNames and
// Invoke for the objects that implement the interface, and it is the source
// from which the type library describes the interface.
#pragma once

#include <string>
#include <vector>

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

// Converted arguments in declaration order (a put's value last); a VT_VARIANT
// parameter receives the caller's variant unconverted, by-reference included.
// result is VT_EMPTY on entry (null for puts); the handler fills it with the
// declared result type.
using DispHandler = HRESULT (*)(void* object, VARIANT* args, UINT cArgs, VARIANT* result);

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
  // Method/PropertyGet/PropertyPut: the call. Property: the getter.
  // Null means the member is answered with DISP_E_MEMBERNOTFOUND.
  DispHandler handler = nullptr;
  // Property only: the setter (ignored with DISPF_READONLY).
  DispHandler putHandler = nullptr;
};

// Attaches a handler to the declared member with that DISPID and kind.
struct DispBinding {
  DISPID dispid;
  DispKind kind;
  DispHandler handler;
  DispHandler putHandler = nullptr;
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
  HRESULT Invoke(void* object, DISPID dispIdMember, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                 EXCEPINFO* pExcepInfo, UINT* puArgErr) const;

  // A copy whose members take their handlers from bindings (matched by DISPID
  // and kind). Declarations (names, types, help) live in one place; each
  // implementing class binds its own handlers.
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
