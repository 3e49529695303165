// Automation objects for tests: an object that records every call it receives
// and answers by member name, and an enumerator over a list of values.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"

struct RecordedCall {
  std::string member;
  WORD wFlags;
  std::vector<CVariant> args;  // in declaration order, as received (by-reference kept, objects as null)
};

class FakeObject : public ComObject<FakeObject, IDispatch> {
 public:
  // Members: Echo(x) returns x (by-reference dereferenced); Value (get/put);
  // Fail() fails with E_FAIL; Self returns this object; Nothing returns a null
  // object; Items returns the collection given to SetItems; Rename(byref s)
  // writes "renamed" through its reference.
  static ComPtr<FakeObject> Make() { return ::Make<FakeObject>(); }
  void SetItems(std::vector<CVariant> items) { m_items = std::move(items); }

  std::vector<RecordedCall> m_calls;
  CVariant m_value;
  std::vector<CVariant> m_items;
  bool m_bItemsFail = false;

  HRESULT GetTypeInfoCount(UINT* p) override { return *p = 0, S_OK; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    std::u16string n(names[0]);
    for (size_t i = 0; i < kMembers.size(); ++i)
      if (std::u16string(kMembers[i].begin(), kMembers[i].end()) == n) {
        ids[0] = static_cast<DISPID>(i + 1);
        return S_OK;
      }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS* p, VARIANT* result, EXCEPINFO*,
                 UINT*) override;

 private:
  friend struct ::ComAccess;
  FakeObject() = default;
  ~FakeObject() override = default;
  inline static const std::vector<std::string> kMembers = {"Echo", "Value", "Fail", "Self", "Nothing", "Items", "Rename"};
};

class FakeEnum : public ComObject<FakeEnum, IEnumVARIANT> {
 public:
  explicit FakeEnum(std::vector<CVariant> items) : m_items(std::move(items)) {}
  HRESULT Next(ULONG celt, VARIANT* rgVar, ULONG* fetched) override {
    ULONG n = 0;
    for (; n < celt && m_pos < m_items.size(); ++n) VariantCopy(&rgVar[n], &m_items[m_pos++]);
    if (fetched) *fetched = n;
    return n == celt ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG celt) override { return m_pos += celt, S_OK; }
  HRESULT Reset() override { return m_pos = 0, S_OK; }
  HRESULT Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

 private:
  ~FakeEnum() override = default;
  std::vector<CVariant> m_items;
  size_t m_pos = 0;
};

inline HRESULT FakeObject::Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS* p, VARIANT* result, EXCEPINFO*,
                                  UINT*) {
  if (id == DISPID_NEWENUM) {
    if (m_bItemsFail) return E_FAIL;
    if (result) {
      result->vt = VT_UNKNOWN;
      result->punkVal = ::Make<FakeEnum>(m_items).Detach();
    }
    return S_OK;
  }
  if (id < 1 || static_cast<size_t>(id) > kMembers.size()) return DISP_E_MEMBERNOTFOUND;
  RecordedCall call{kMembers[static_cast<size_t>(id) - 1], wFlags, {}};
  for (UINT i = p->cArgs; i-- > 0;) {
    CVariant copy;
    copy.vt = p->rgvarg[i].vt;
    if (copy.vt & VT_BYREF) {
      copy.byref = p->rgvarg[i].byref;
    } else if (copy.vt == VT_DISPATCH || copy.vt == VT_UNKNOWN) {
      // Only the type is kept: holding the object could hold this one itself.
      copy.punkVal = nullptr;
    } else {
      VariantCopy(&copy, &p->rgvarg[i]);
    }
    call.args.push_back(std::move(copy));
  }
  m_calls.push_back(call);
  const std::string& m = call.member;
  if (m == "Echo") {
    if (p->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    return result ? VariantCopyInd(result, &p->rgvarg[0]) : S_OK;
  }
  if (m == "Value") {
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      m_value = CVariant(p->rgvarg[0]);
      return S_OK;
    }
    return result ? VariantCopy(result, &m_value) : S_OK;
  }
  if (m == "Fail") return E_FAIL;
  if (m == "Self" || m == "Nothing" || m == "Items") {
    if (result) {
      result->vt = VT_DISPATCH;
      result->pdispVal = m == "Nothing" ? nullptr : ComPtr<IDispatch>(this).Detach();
    }
    return S_OK;
  }
  if (m == "Rename") {
    if (p->cArgs != 1 || p->rgvarg[0].vt != (VT_BYREF | VT_BSTR)) return DISP_E_TYPEMISMATCH;
    SysFreeString(*p->rgvarg[0].pbstrVal);
    *p->rgvarg[0].pbstrVal = SysAllocString(u"renamed");
    return S_OK;
  }
  return DISP_E_MEMBERNOTFOUND;
}
