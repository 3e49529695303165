#include "platform/com/TypeLibObject.h"

#include <algorithm>

#include "platform/com/ResultMacros.h"
#include "platform/com/TypeLibText.h"
#include "platform/com/TypeLibTypeInfo.h"

using typelib_text::NamesEqual;
using typelib_text::View;

namespace {

void SetBstr(BSTR* out, const std::u16string& s) {
  if (out) *out = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

}  // namespace

ComPtr<TypeLibObject> TypeLibObject::Create(std::shared_ptr<const TypeLibData> data) {
  return Make<TypeLibObject>(std::move(data));
}

ComPtr<TypeLibObject> TypeLibObject::StdOle() {
  static const ComPtr<TypeLibObject> lib = [] {
    auto d = std::make_shared<TypeLibData>();
    d->name = u"stdole";
    d->guid = {0x00020430, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    d->majorVersion = 2;
    d->minorVersion = 0;
    d->helpString = u"OLE Automation";
    TypeLibData::Entry e;
    e.kind = TKIND_INTERFACE;
    e.name = u"IDispatch";
    e.guid = IID_IDispatch;
    e.typeFlags = TYPEFLAG_FOLEAUTOMATION;
    d->entries.push_back(std::move(e));
    return Create(std::move(d));
  }();
  return lib;
}

HRESULT TypeLibObject::MakeTypeInfo(UINT index, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_INVALIDARG;
  *ppTInfo = nullptr;
  if (index >= data_->entries.size()) return TYPE_E_ELEMENTNOTFOUND;
  return TypeLibTypeInfo::Create(this, index).CopyTo(ppTInfo);
}

UINT TypeLibObject::GetTypeInfoCount() { return static_cast<UINT>(data_->entries.size()); }

HRESULT TypeLibObject::GetTypeInfo(UINT index, ITypeInfo** ppTInfo) { return MakeTypeInfo(index, ppTInfo); }

HRESULT TypeLibObject::GetTypeInfoType(UINT index, TYPEKIND* pTKind) {
  if (!pTKind) return E_INVALIDARG;
  if (index >= data_->entries.size()) return TYPE_E_ELEMENTNOTFOUND;
  *pTKind = data_->entries[index].kind;
  return S_OK;
}

HRESULT TypeLibObject::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) {
  if (!ppTinfo) return E_INVALIDARG;
  *ppTinfo = nullptr;
  for (size_t i = 0; i < data_->entries.size(); ++i)
    if (data_->entries[i].guid == guid) return MakeTypeInfo(static_cast<UINT>(i), ppTinfo);
  return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TypeLibObject::GetLibAttr(TLIBATTR** ppTLibAttr) {
  if (!ppTLibAttr) return E_INVALIDARG;
  auto* a = new TLIBATTR{};
  a->guid = data_->guid;
  a->lcid = data_->lcid;
  a->syskind = data_->syskind;
  a->wMajorVerNum = data_->majorVersion;
  a->wMinorVerNum = data_->minorVersion;
  a->wLibFlags = data_->libFlags;
  *ppTLibAttr = a;
  return S_OK;
}

HRESULT TypeLibObject::GetTypeComp(ITypeComp** ppTComp) {
  if (ppTComp) *ppTComp = nullptr;
  return E_NOTIMPL;
}

HRESULT TypeLibObject::GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                        BSTR* pBstrHelpFile) {
  const std::u16string* name = nullptr;
  const std::u16string* doc = nullptr;
  DWORD context = 0;
  if (index == -1) {
    name = &data_->name;
    doc = &data_->helpString;
    context = data_->helpContext;
  } else if (index >= 0 && static_cast<size_t>(index) < data_->entries.size()) {
    name = &data_->entries[static_cast<size_t>(index)].name;
    doc = &data_->entries[static_cast<size_t>(index)].helpString;
  } else {
    return TYPE_E_ELEMENTNOTFOUND;
  }
  SetBstr(pBstrName, *name);
  SetBstr(pBstrDocString, *doc);
  if (pdwHelpContext) *pdwHelpContext = context;
  SetBstr(pBstrHelpFile, data_->helpFile);
  return S_OK;
}

HRESULT TypeLibObject::IsName(LPOLESTR szNameBuf, ULONG lHashVal, BOOL* pfName) {
  if (!szNameBuf || !pfName) return E_INVALIDARG;
  *pfName = FALSE;
  const std::u16string_view wanted = View(szNameBuf);
  // On a match the buffer receives the name as the library spells it; the
  // lengths are equal, so the caller's buffer suffices.
  auto match = [&](const std::u16string& n) {
    if (n.empty() || !NamesEqual(n, wanted)) return false;
    std::copy(n.begin(), n.end(), szNameBuf);
    *pfName = TRUE;
    return true;
  };
  for (const auto& e : data_->entries) {
    if (match(e.name)) return S_OK;
    if (!e.members) continue;
    for (const auto& m : e.members->Members()) {
      if (match(m.name)) return S_OK;
      for (const auto& p : m.params)
        if (match(p.name)) return S_OK;
    }
  }
  return S_OK;
}

HRESULT TypeLibObject::FindName(LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo** ppTInfo, MEMBERID* rgMemId,
                                USHORT* pcFound) {
  if (!szNameBuf || !ppTInfo || !rgMemId || !pcFound) return E_INVALIDARG;
  const USHORT capacity = *pcFound;
  USHORT found = 0;
  const std::u16string_view wanted = View(szNameBuf);
  for (size_t i = 0; i < data_->entries.size() && found < capacity; ++i) {
    const auto& e = data_->entries[i];
    MEMBERID id = DISPID_UNKNOWN;
    bool hit = NamesEqual(e.name, wanted);
    if (!hit && e.members) {
      if (const DispMember* m = e.members->FindByName(wanted)) {
        hit = true;
        id = m->dispid;
      }
    }
    if (!hit) continue;
    RETURN_IF_FAILED(MakeTypeInfo(static_cast<UINT>(i), &ppTInfo[found]));
    rgMemId[found] = id;
    ++found;
  }
  *pcFound = found;
  return S_OK;
}

void TypeLibObject::ReleaseTLibAttr(TLIBATTR* pTLibAttr) { delete pTLibAttr; }
