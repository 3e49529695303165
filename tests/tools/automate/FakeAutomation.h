// Automation objects for tests: an enumerator over a list of values, and an
// object that records every call it receives, answers by member name and
// raises the events Tick(n) and Done() of its class's default source
// interface.
#pragma once

#include <string>
#include <vector>

#include "platform/com/CConnectionPoint.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Enumerator.h"
#include "platform/com/TypeLib.h"
#include "platform/com/Variant.h"

struct RecordedCall {
  WORD wFlags;
  std::vector<VARTYPE> types;  // of the arguments, in declaration order
};

inline constexpr GUID kFakeLib = {0xFA4E0001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID kFakeEvents = {0xFA4E0002, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID kFakeClass = {0xFA4E0003, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The enumerator's items, copied out one by one.
struct VariantItems {
  std::vector<CVariant> items;
  size_t Count() const { return items.size(); }
  void CopyAt(size_t i, VARIANT& out) const { VariantCopy(&out, &items[i]); }
};

class FakeObject final
    : public ComObject<FakeObject, IDispatch, IProvideClassInfo, IConnectionPointContainer> {
 public:
  // Members: Echo(x) returns x (by-reference dereferenced); Value (get/put);
  // Fail() fails with E_FAIL; Self returns this object; Nothing returns a null
  // object; Items returns this collection; Rename(byref s)
  // writes through its reference; Raise(n) raises Tick(n).
  enum Member : DISPID { kEcho = 1, kValue, kFail, kSelf, kNothing, kItems, kRename, kRaise };
  static ComPtr<FakeObject> Make() { return ::Make<FakeObject>(); }
  void Raise(LONG n) { m_point.Fire(1, {CVariant::Long(n)}); }
  size_t Sinks() const { return m_point.Sinks().size(); }
  ULONG References() const { return RefCount(); }

  std::vector<RecordedCall> m_calls;
  CVariant m_value;
  std::vector<CVariant> m_items;
  bool m_bItemsFail = false;

  HRESULT GetTypeInfoCount(UINT* p) override { return *p = 0, S_OK; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    static const std::u16string kNames[] = {u"Echo",    u"Value", u"Fail",   u"Self",
                                            u"Nothing", u"Items", u"Rename", u"Raise"};
    for (DISPID i = 0; i < kRaise; ++i)
      if (kNames[i] == names[0]) return ids[0] = i + 1, S_OK;
    return ids[0] = DISPID_UNKNOWN, DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS* p, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id == DISPID_NEWENUM) {
      if (m_bItemsFail) return E_FAIL;
      if (result) result->vt = VT_UNKNOWN,
                   result->punkVal = ::Make<Enumerator<IEnumVARIANT, VARIANT, VariantItems>>(VariantItems{m_items}).Detach();
      return S_OK;
    }
    RecordedCall& call = m_calls.emplace_back(RecordedCall{wFlags, {}});
    for (UINT i = p->cArgs; i-- > 0;) call.types.push_back(p->rgvarg[i].vt);
    const bool put = wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    switch (id) {
      case kEcho:
        return p->cArgs != 1 ? DISP_E_BADPARAMCOUNT : result ? VariantCopyInd(result, &p->rgvarg[0]) : S_OK;
      case kValue:
        if (put) return m_value = CVariant(p->rgvarg[0]), S_OK;
        return result ? VariantCopy(result, &m_value) : S_OK;
      case kFail:
        return E_FAIL;
      case kSelf:
      case kItems:
      case kNothing:
        if (result) result->vt = VT_DISPATCH, result->pdispVal = id == kNothing ? nullptr : (AddRef(), this);
        return S_OK;
      case kRename:
        if (p->cArgs != 1 || p->rgvarg[0].vt != (VT_BYREF | VT_BSTR)) return DISP_E_TYPEMISMATCH;
        SysFreeString(*p->rgvarg[0].pbstrVal);
        *p->rgvarg[0].pbstrVal = SysAllocString(u"renamed");
        return S_OK;
      case kRaise:
        return Raise(p->cArgs ? p->rgvarg[0].lVal : 0), S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT GetClassInfo(ITypeInfo** ppTI) override {
    static const DispatchTable events(u"FakeEvents", kFakeEvents, u"",
                                      {{u"Tick", 1, DispKind::Method, VT_EMPTY, {}, {{u"n", VT_I4}}},
                                       {u"Done", 2, DispKind::Method}});
    static const std::vector<uint8_t> blob = BuildTypeLibBlob(
        {.name = u"fakeLib", .guid = kFakeLib,
         .entries = {{.name = u"FakeEvents", .guid = kFakeEvents, .members = &events},
                     {.kind = TKIND_COCLASS, .name = u"Fake", .guid = kFakeClass,
                      .implTypes = {{u"FakeEvents", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}}}});
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadTypeLibFromMemory(blob.data(), blob.size(), lib.ReleaseAndGetAddressOf());
    return FAILED(hr) ? hr : lib->GetTypeInfoOfGuid(kFakeClass, ppTI);
  }
  HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** pp) override {
    *pp = riid == kFakeEvents ? &m_point : nullptr;
    return *pp ? (m_point.AddRef(), S_OK) : CONNECT_E_NOCONNECTION;
  }

 private:
  CConnectionPoint m_point{this, kFakeEvents};
};
