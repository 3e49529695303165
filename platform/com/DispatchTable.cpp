#include "platform/com/DispatchTable.h"

#include <stdexcept>
#include <utility>

#include "platform/com/TypeLibText.h"
#include "platform/com/Utf.h"

using typelib_text::NamesEqual;
using typelib_text::View;

namespace {

bool IsPut(WORD wFlags) { return (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

// The variants handed to a handler: converted copies that this call owns,
// or the caller's own variant for a VT_VARIANT parameter.
class ArgumentList {
 public:
  explicit ArgumentList(size_t n) : values_(n), owned_(n, false) {
    for (auto& v : values_) VariantInit(&v);
  }
  ~ArgumentList() {
    for (size_t i = 0; i < values_.size(); ++i)
      if (owned_[i]) VariantClear(&values_[i]);
  }
  ArgumentList(const ArgumentList&) = delete;
  ArgumentList& operator=(const ArgumentList&) = delete;

  // Shallow copy: the caller keeps ownership.
  void Borrow(size_t i, const VARIANT& v) { values_[i] = v; }
  HRESULT Convert(size_t i, const VARIANT& src, VARTYPE vt) {
    owned_[i] = true;
    return VariantChangeType(&values_[i], &src, 0, vt);
  }
  VARIANT* Data() { return values_.empty() ? nullptr : values_.data(); }

 private:
  std::vector<VARIANT> values_;
  std::vector<bool> owned_;
};

}  // namespace

DispatchTable::DispatchTable(std::u16string name, const IID& iid, std::u16string helpString,
                             std::vector<DispMember> members)
    : name_(std::move(name)), iid_(iid), help_(std::move(helpString)), members_(std::move(members)) {}

const DispMember* DispatchTable::Find(DISPID id, DispKind kind) const {
  for (const auto& m : members_)
    if (m.dispid == id && m.kind == kind) return &m;
  return nullptr;
}

const DispMember* DispatchTable::FindByName(std::u16string_view name) const {
  for (const auto& m : members_)
    if (NamesEqual(m.name, name)) return &m;
  return nullptr;
}

HRESULT DispatchTable::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, DISPID* rgDispId) const {
  if (cNames == 0) return S_OK;
  if (!rgszNames || !rgDispId) return E_INVALIDARG;
  for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;

  HRESULT hr = S_OK;
  const DispMember* member = FindByName(View(rgszNames[0]));
  if (!member) return DISP_E_UNKNOWNNAME;
  rgDispId[0] = member->dispid;

  for (UINT i = 1; i < cNames; ++i) {
    const std::u16string_view wanted = View(rgszNames[i]);
    bool found = false;
    // A name may be declared by several members (a property's get and put);
    // look through each of them for the parameter.
    for (const auto& m : members_) {
      if (m.dispid != member->dispid || !NamesEqual(m.name, member->name)) continue;
      for (size_t p = 0; p < m.params.size() && !found; ++p) {
        if (!m.params[p].name.empty() && NamesEqual(m.params[p].name, wanted)) {
          rgDispId[i] = static_cast<DISPID>(p);
          found = true;
        }
      }
      if (found) break;
    }
    if (!found) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT DispatchTable::Invoke(IDispatch* object, DISPID dispIdMember, WORD wFlags, DISPPARAMS* pDispParams,
                              VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) const {
  if (!pDispParams) return E_INVALIDARG;
  if (pDispParams->cArgs > 0 && !pDispParams->rgvarg) return E_INVALIDARG;
  if (pDispParams->cNamedArgs > pDispParams->cArgs) return E_INVALIDARG;
  if (pDispParams->cNamedArgs > 0 && !pDispParams->rgdispidNamedArgs) return E_INVALIDARG;

  const bool put = IsPut(wFlags);
  const DispMember* member = nullptr;
  DispHandler handler = nullptr;
  VARTYPE resultType = VT_EMPTY;

  if (put) {
    // A put never mixes with a get or a call.
    if (wFlags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    bool refused = false;
    for (const auto& m : members_) {
      if (m.dispid != dispIdMember) continue;
      if (m.kind == DispKind::Property || m.kind == DispKind::PropertyPut) {
        member = &m;
        refused = (m.flags & DISPF_READONLY) != 0;
        handler = m.kind == DispKind::Property ? m.putHandler : m.handler;
        break;
      }
      // A get-only property that is declared as refusing writes.
      if (m.kind == DispKind::PropertyGet && (m.flags & DISPF_READONLY)) refused = true;
    }
    if (refused) return CTL_E_SETNOTSUPPORTED;
    if (!member) return DISP_E_MEMBERNOTFOUND;
    if (pDispParams->cNamedArgs > 1) return DISP_E_NONAMEDARGS;
    if (pDispParams->cNamedArgs == 1 && pDispParams->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTFOUND;
  } else {
    for (const auto& m : members_) {
      if (m.dispid != dispIdMember) continue;
      const bool asMethod = (wFlags & DISPATCH_METHOD) && m.kind == DispKind::Method;
      const bool asGet = (wFlags & DISPATCH_PROPERTYGET) &&
                         (m.kind == DispKind::Property || m.kind == DispKind::PropertyGet);
      if (asMethod || asGet) {
        member = &m;
        handler = m.handler;
        resultType = m.type;
        break;
      }
    }
    if (!member) return DISP_E_MEMBERNOTFOUND;
    if (pDispParams->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
  }
  if (!handler) return DISP_E_MEMBERNOTFOUND;

  // Declared parameter types in declaration order; a property's put takes
  // the value alone.
  std::vector<VARTYPE> types;
  if (member->kind == DispKind::Property) {
    if (put) types.push_back(member->type);
  } else {
    for (const auto& p : member->params) types.push_back(p.vt);
  }
  const UINT n = static_cast<UINT>(types.size());
  if (pDispParams->cArgs != n) return DISP_E_BADPARAMCOUNT;

  ArgumentList args(n);
  for (UINT i = 0; i < n; ++i) {
    const UINT index = n - 1 - i;  // rgvarg holds the arguments last to first
    const VARIANT& src = pDispParams->rgvarg[index];
    if (types[i] == VT_VARIANT) {
      args.Borrow(i, src);
      continue;
    }
    if (FAILED(args.Convert(i, src, types[i]))) {
      if (puArgErr) *puArgErr = index;
      return DISP_E_TYPEMISMATCH;
    }
  }

  if (put) return handler(object, args.Data(), nullptr);

  CVariant result;
  HRESULT hr = handler(object, args.Data(), &result);
  if (FAILED(hr)) return hr;
  if (!pVarResult) return hr;
  if ((resultType == VT_DISPATCH || resultType == VT_UNKNOWN) && result.vt == VT_EMPTY) {
    // A handler that answers nothing for an object result answers a null reference.
    result.vt = resultType;
    result.punkVal = nullptr;
  } else if (resultType != VT_EMPTY && resultType != VT_VOID && resultType != VT_VARIANT && result.vt != resultType) {
    HRESULT hrConv = VariantChangeType(&result, &result, 0, resultType);
    if (FAILED(hrConv)) return DISP_E_TYPEMISMATCH;
  }
  *pVarResult = result.Detach();
  return hr;
}

DispatchTable DispatchTable::Bind(const std::vector<DispBinding>& bindings) const {
  DispatchTable copy = *this;
  for (const auto& b : bindings) {
    DispMember* member = nullptr;
    for (auto& m : copy.members_) {
      if (m.dispid == b.dispid && m.kind == b.kind) {
        member = &m;
        break;
      }
    }
    const std::string where = Utf16ToUtf8(name_) + ": DISPID " + std::to_string(b.dispid);
    if (!member) throw std::invalid_argument(where + " is bound but not declared with that kind");

    auto attach = [&](const DispCall& call, const std::vector<VARTYPE>& params, VARTYPE result) -> DispHandler {
      if (!call.handler) return nullptr;
      if (!call.fits(params, result))
        throw std::invalid_argument(where + " (" + Utf16ToUtf8(member->name) +
                                    ") is bound to a function that does not fit its declaration");
      return result == VT_EMPTY && call.statusHandler ? call.statusHandler : call.handler;
    };
    if (member->kind == DispKind::Property) {
      member->handler = attach(b.call, {}, member->type);
      member->putHandler = attach(b.put, {member->type}, VT_EMPTY);
    } else {
      std::vector<VARTYPE> params;
      for (const auto& p : member->params) params.push_back(p.vt);
      member->handler = attach(b.call, params, member->kind == DispKind::PropertyPut ? VARTYPE{VT_EMPTY} : member->type);
    }
  }
  return copy;
}

HRESULT DispInvoke(IDispatch* target, DISPID id, WORD wFlags, std::vector<CVariant> argsInOrder, VARIANT* result,
                   EXCEPINFO* excep, UINT* argErr) {
  if (!target) return E_POINTER;
  std::vector<VARIANT> reversed;
  reversed.reserve(argsInOrder.size());
  for (auto it = argsInOrder.rbegin(); it != argsInOrder.rend(); ++it) reversed.push_back(*it);  // shallow

  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  if (IsPut(wFlags)) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  if (result) VariantClear(result);
  UINT localArgErr = 0;
  return target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &params, result, excep,
                        argErr ? argErr : &localArgErr);
}
