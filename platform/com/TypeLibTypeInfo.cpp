#include "platform/com/TypeLibTypeInfo.h"

#include <cstdlib>
#include <new>

#include "platform/com/TypeLibText.h"

namespace {

void SetBstr(BSTR* out, const std::u16string& s) {
  if (out) *out = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

INVOKEKIND InvokeKindOf(DispKind k) {
  switch (k) {
    case DispKind::PropertyGet: return INVOKE_PROPERTYGET;
    case DispKind::PropertyPut: return INVOKE_PROPERTYPUT;
    default: return INVOKE_FUNC;
  }
}

// Descriptions are handed out as one zeroed block each (the description
// first, then its parameter and type arrays) and freed as one.
void* AllocBlock(size_t size) { return std::calloc(1, size); }

}  // namespace

ComPtr<TypeLibTypeInfo> TypeLibTypeInfo::Create(TypeLibObject* lib, UINT index) {
  return Make<TypeLibTypeInfo>(lib, index);
}

const DispMember* TypeLibTypeInfo::NthMember(UINT index, bool properties) const {
  const auto& e = Entry();
  if (!e.members) return nullptr;
  UINT n = 0;
  for (const auto& m : e.members->Members()) {
    if ((m.kind == DispKind::Property) != properties) continue;
    if (n++ == index) return &m;
  }
  return nullptr;
}

void TypeLibTypeInfo::DescribeType(const DispMember& m, VARTYPE vt, TYPEDESC& td, TYPEDESC& target) const {
  td.vt = (vt == VT_EMPTY) ? static_cast<VARTYPE>(VT_VOID) : vt;
  if (vt == VT_DISPATCH && !m.userType.empty()) {
    const int ref = lib_->Data().FindDispinterface(m.userType);
    if (ref >= 0) {
      target.vt = VT_USERDEFINED;
      target.hreftype = static_cast<HREFTYPE>(ref);
      td.vt = VT_PTR;
      td.lptdesc = &target;
    }
  }
}

HRESULT TypeLibTypeInfo::GetTypeAttr(TYPEATTR** ppTypeAttr) {
  if (!ppTypeAttr) return E_INVALIDARG;
  const auto& e = Entry();
  auto* a = new (std::nothrow) TYPEATTR{};
  if (!a) return E_OUTOFMEMORY;
  a->guid = e.guid;
  a->lcid = lib_->Data().lcid;
  a->memidConstructor = DISPID_UNKNOWN;
  a->memidDestructor = DISPID_UNKNOWN;
  a->typekind = e.kind;
  a->wTypeFlags = e.typeFlags;
  a->cbAlignment = alignof(void*);
  a->tdescAlias.vt = VT_EMPTY;
  // The entries carry no version of their own.
  switch (e.kind) {
    case TKIND_DISPATCH: {
      WORD funcs = 0, vars = 0;
      if (e.members)
        for (const auto& m : e.members->Members()) ++(m.kind == DispKind::Property ? vars : funcs);
      a->cFuncs = funcs;
      a->cVars = vars;
      a->cImplTypes = 1;
      a->cbSizeVft = 7 * sizeof(void*);  // IDispatch's seven slots
      a->cbSizeInstance = sizeof(void*);
      break;
    }
    case TKIND_COCLASS:
      a->cImplTypes = static_cast<WORD>(e.implTypes.size());
      a->cbSizeInstance = sizeof(void*);
      break;
    default:
      a->cbSizeVft = 7 * sizeof(void*);
      a->cbSizeInstance = sizeof(void*);
      break;
  }
  *ppTypeAttr = a;
  return S_OK;
}

HRESULT TypeLibTypeInfo::GetTypeComp(ITypeComp** ppTComp) {
  if (ppTComp) *ppTComp = nullptr;
  return E_NOTIMPL;
}

HRESULT TypeLibTypeInfo::GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) {
  if (!ppFuncDesc) return E_INVALIDARG;
  *ppFuncDesc = nullptr;
  const DispMember* m = NthMember(index, false);
  if (!m) return TYPE_E_ELEMENTNOTFOUND;

  const size_t n = m->params.size();
  // FUNCDESC, n parameter ELEMDESCs, then n + 1 pointed-to TYPEDESCs.
  const size_t size = sizeof(FUNCDESC) + n * sizeof(ELEMDESC) + (n + 1) * sizeof(TYPEDESC);
  auto* block = static_cast<uint8_t*>(AllocBlock(size));
  if (!block) return E_OUTOFMEMORY;
  auto* fd = reinterpret_cast<FUNCDESC*>(block);
  auto* params = reinterpret_cast<ELEMDESC*>(block + sizeof(FUNCDESC));
  auto* targets = reinterpret_cast<TYPEDESC*>(block + sizeof(FUNCDESC) + n * sizeof(ELEMDESC));

  fd->memid = m->dispid;
  fd->funckind = FUNC_DISPATCH;
  fd->invkind = InvokeKindOf(m->kind);
  fd->callconv = CC_STDCALL;
  fd->cParams = static_cast<SHORT>(n);
  fd->lprgelemdescParam = n ? params : nullptr;
  fd->wFuncFlags = (m->flags & DISPF_RESTRICTED) ? FUNCFLAG_FRESTRICTED : 0;
  DescribeType(*m, m->kind == DispKind::PropertyPut ? static_cast<VARTYPE>(VT_EMPTY) : m->type, fd->elemdescFunc.tdesc,
               targets[n]);
  for (size_t i = 0; i < n; ++i) {
    params[i].tdesc.vt = m->params[i].vt;
    params[i].paramdesc.wParamFlags = PARAMFLAG_NONE;
  }
  *ppFuncDesc = fd;
  return S_OK;
}

HRESULT TypeLibTypeInfo::GetVarDesc(UINT index, VARDESC** ppVarDesc) {
  if (!ppVarDesc) return E_INVALIDARG;
  *ppVarDesc = nullptr;
  const DispMember* m = NthMember(index, true);
  if (!m) return TYPE_E_ELEMENTNOTFOUND;
  auto* block = static_cast<uint8_t*>(AllocBlock(sizeof(VARDESC) + sizeof(TYPEDESC)));
  if (!block) return E_OUTOFMEMORY;
  auto* vd = reinterpret_cast<VARDESC*>(block);
  auto* target = reinterpret_cast<TYPEDESC*>(block + sizeof(VARDESC));
  vd->memid = m->dispid;
  vd->varkind = VAR_DISPATCH;
  // Declared readable and writable, also where the object refuses writes.
  vd->wVarFlags = 0;
  DescribeType(*m, m->type, vd->elemdescVar.tdesc, *target);
  *ppVarDesc = vd;
  return S_OK;
}

HRESULT TypeLibTypeInfo::GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) {
  if (!rgBstrNames || !pcNames) return E_INVALIDARG;
  *pcNames = 0;
  const auto& e = Entry();
  if (!e.members) return TYPE_E_ELEMENTNOTFOUND;
  for (const auto& m : e.members->Members()) {
    if (m.dispid != memid) continue;
    UINT n = 0;
    if (n < cMaxNames) SetBstr(&rgBstrNames[n++], m.name);
    for (const auto& p : m.params)
      if (!p.name.empty() && n < cMaxNames) SetBstr(&rgBstrNames[n++], p.name);
    *pcNames = n;
    return S_OK;
  }
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TypeLibTypeInfo::GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) {
  if (!pRefType) return E_INVALIDARG;
  const auto& e = Entry();
  if (e.kind == TKIND_DISPATCH) {
    if (index != 0) return TYPE_E_ELEMENTNOTFOUND;
    *pRefType = TypeLibObject::kHrefIDispatch;
    return S_OK;
  }
  if (index >= e.implTypes.size()) return TYPE_E_ELEMENTNOTFOUND;
  *pRefType = e.implTypes[index].entry;
  return S_OK;
}

HRESULT TypeLibTypeInfo::GetImplTypeFlags(UINT index, INT* pImplTypeFlags) {
  if (!pImplTypeFlags) return E_INVALIDARG;
  const auto& e = Entry();
  if (e.kind == TKIND_DISPATCH) {
    if (index != 0) return TYPE_E_ELEMENTNOTFOUND;
    *pImplTypeFlags = 0;
    return S_OK;
  }
  if (index >= e.implTypes.size()) return TYPE_E_ELEMENTNOTFOUND;
  *pImplTypeFlags = e.implTypes[index].flags;
  return S_OK;
}

HRESULT TypeLibTypeInfo::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) {
  const auto& e = Entry();
  if (e.members) return e.members->GetIDsOfNames(rgszNames, cNames, pMemId);
  if (!rgszNames || !pMemId) return E_INVALIDARG;
  for (UINT i = 0; i < cNames; ++i) pMemId[i] = DISPID_UNKNOWN;
  return cNames ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT TypeLibTypeInfo::Invoke(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                                VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  if (!pvInstance) return E_INVALIDARG;
  if (Entry().kind != TKIND_DISPATCH) return E_NOTIMPL;
  // A dispinterface is called through the instance's own IDispatch.
  auto* dispatch = static_cast<IDispatch*>(pvInstance);
  return dispatch->Invoke(memid, IID_NULL, lib_->Data().lcid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
}

HRESULT TypeLibTypeInfo::GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                          DWORD* pdwHelpContext, BSTR* pBstrHelpFile) {
  const auto& e = Entry();
  const std::u16string* name = nullptr;
  const std::u16string* doc = nullptr;
  if (memid == DISPID_UNKNOWN) {  // MEMBERID_NIL: the type itself
    name = &e.name;
    doc = &e.helpString;
  } else if (e.members) {
    for (const auto& m : e.members->Members()) {
      if (m.dispid == memid) {
        name = &m.name;
        doc = &m.helpString;
        break;
      }
    }
  }
  if (!name) return TYPE_E_ELEMENTNOTFOUND;
  SetBstr(pBstrName, *name);
  SetBstr(pBstrDocString, *doc);
  if (pdwHelpContext) *pdwHelpContext = 0;
  SetBstr(pBstrHelpFile, lib_->Data().helpFile);
  return S_OK;
}

HRESULT TypeLibTypeInfo::GetDllEntry(MEMBERID, INVOKEKIND, BSTR* pBstrDllName, BSTR* pBstrName, WORD* pwOrdinal) {
  if (pBstrDllName) *pBstrDllName = nullptr;
  if (pBstrName) *pBstrName = nullptr;
  if (pwOrdinal) *pwOrdinal = 0;
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TypeLibTypeInfo::GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_INVALIDARG;
  *ppTInfo = nullptr;
  if (hRefType == TypeLibObject::kHrefIDispatch) return TypeLibObject::StdOle()->MakeTypeInfo(0, ppTInfo);
  if (hRefType >= lib_->Data().entries.size()) return TYPE_E_ELEMENTNOTFOUND;
  return lib_->MakeTypeInfo(hRefType, ppTInfo);
}

HRESULT TypeLibTypeInfo::AddressOfMember(MEMBERID, INVOKEKIND, void** ppv) {
  if (ppv) *ppv = nullptr;
  return E_NOTIMPL;
}

HRESULT TypeLibTypeInfo::CreateInstance(IUnknown*, REFIID, void** ppvObj) {
  if (ppvObj) *ppvObj = nullptr;
  return E_NOTIMPL;
}

HRESULT TypeLibTypeInfo::GetMops(MEMBERID, BSTR* pBstrMops) {
  if (pBstrMops) *pBstrMops = nullptr;
  return S_OK;
}

HRESULT TypeLibTypeInfo::GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) {
  if (ppTLib) ComPtr<ITypeLib>(lib_.Get()).CopyTo(ppTLib);
  if (pIndex) *pIndex = index_;
  return S_OK;
}

void TypeLibTypeInfo::ReleaseTypeAttr(TYPEATTR* pTypeAttr) { delete pTypeAttr; }

void TypeLibTypeInfo::ReleaseFuncDesc(FUNCDESC* pFuncDesc) { std::free(pFuncDesc); }

void TypeLibTypeInfo::ReleaseVarDesc(VARDESC* pVarDesc) { std::free(pVarDesc); }
