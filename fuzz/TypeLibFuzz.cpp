// Type libraries in their binary form, as a component library carries them:
// a damaged one must be refused, and whatever loads must answer every
// question about itself without reading outside the blob.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/TypeLib.h"
#include "platform/com/Variant.h"

namespace {

template <class T>
void AskDocumentation(T* p, INT index) {
  CBstr n, d, f;
  DWORD ctx = 0;
  (void)p->GetDocumentation(index, n.ReleaseAndGetAddressOf(), d.ReleaseAndGetAddressOf(), &ctx, f.ReleaseAndGetAddressOf());
}

void AskMember(ITypeInfo* ti, MEMBERID memid) {
  BSTR names[8] = {};
  UINT cNames = 0;
  if (SUCCEEDED(ti->GetNames(memid, names, 8, &cNames)) && cNames > 8) std::abort();
  LPOLESTR rgsz[8];
  MEMBERID ids[8];
  for (UINT i = 0; i < cNames; ++i) rgsz[i] = names[i] ? names[i] : const_cast<LPOLESTR>(u"");
  if (cNames > 0) (void)ti->GetIDsOfNames(rgsz, cNames, ids);  // the names it reports, asked back
  for (UINT i = 0; i < 8; ++i) SysFreeString(names[i]);
  AskDocumentation(ti, memid);
}

void WalkTypeInfo(ITypeInfo* ti, int depth) {
  TYPEATTR* attr = nullptr;
  if (FAILED(ti->GetTypeAttr(&attr)) || !attr) return;
  for (UINT i = 0; i <= std::max<UINT>(attr->cFuncs, attr->cVars); ++i) {  // one past the end too
    FUNCDESC* fd = nullptr;
    VARDESC* vd = nullptr;
    if (SUCCEEDED(ti->GetFuncDesc(i, &fd)) && fd) {
      if (i >= attr->cFuncs) std::abort();
      for (SHORT p = 0; p < fd->cParams; ++p) (void)fd->lprgelemdescParam[p].tdesc.vt;
      AskMember(ti, fd->memid);
      ti->ReleaseFuncDesc(fd);
    }
    if (SUCCEEDED(ti->GetVarDesc(i, &vd)) && vd) {
      if (i >= attr->cVars) std::abort();
      AskMember(ti, vd->memid);
      ti->ReleaseVarDesc(vd);
    }
  }
  for (UINT i = 0; i < attr->cImplTypes + 1u; ++i) {
    HREFTYPE ref = 0;
    INT flags = 0;
    ComPtr<ITypeInfo> other;
    (void)ti->GetImplTypeFlags(i, &flags);
    if (SUCCEEDED(ti->GetRefTypeOfImplType(i, &ref)) &&
        SUCCEEDED(ti->GetRefTypeInfo(ref, other.ReleaseAndGetAddressOf())) && other && depth < 3)
      WalkTypeInfo(other.Get(), depth + 1);
  }
  AskMember(ti, DISPID_UNKNOWN);  // the type itself
  ComPtr<ITypeLib> lib;
  UINT index = 0;
  (void)ti->GetContainingTypeLib(lib.ReleaseAndGetAddressOf(), &index);
  ti->ReleaseTypeAttr(attr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ComPtr<ITypeLib> lib;
  HRESULT hr = LoadTypeLibFromMemory(data, size, lib.ReleaseAndGetAddressOf());
  if (FAILED(hr)) {
    if (lib) std::abort();  // a refusal hands out nothing
    return 0;
  }
  if (!lib) std::abort();
  TLIBATTR* la = nullptr;
  if (SUCCEEDED(lib->GetLibAttr(&la)) && la) lib->ReleaseTLibAttr(la);
  UINT count = lib->GetTypeInfoCount();
  for (INT i = -1; i <= static_cast<INT>(count); ++i) AskDocumentation(lib.Get(), i);
  for (UINT i = 0; i <= count; ++i) {
    TYPEKIND kind;
    (void)lib->GetTypeInfoType(i, &kind);
    ComPtr<ITypeInfo> ti;
    if (FAILED(lib->GetTypeInfo(i, ti.ReleaseAndGetAddressOf())) || !ti) {
      if (i < count) std::abort();  // every counted entry is there
      continue;
    }
    if (i == count) std::abort();
    WalkTypeInfo(ti.Get(), 0);
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(ti->GetTypeAttr(&attr)) && attr) {
      ComPtr<ITypeInfo> byGuid;
      if (FAILED(lib->GetTypeInfoOfGuid(attr->guid, byGuid.ReleaseAndGetAddressOf()))) std::abort();
      ti->ReleaseTypeAttr(attr);
    }
  }
  return 0;
}
