// What the fuzz targets share: a private working folder and module, a scratch
// file for readers that take a path, an automation object for interface-typed
// arguments, variants made from fuzz input, and one IDispatch::Invoke made
// from fuzz input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/Variant.h"
#include "platform/olectl/AfxModuleState.h"

// A private, empty class registry in a new folder that becomes the working
// folder, so that nothing outside it is reachable. The folder goes when the
// run ends normally; after a crash it stays, for a look.
inline void UsePrivateFolder() {
  static char dir[] = "/tmp/cantrel-fuzz-XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
  std::ofstream("registry").flush();
  setenv("COMPONENT_REGISTRY", (std::string(dir) + "/registry").c_str(), 1);
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  });
}

// The module the objects a target makes count on.
inline AFX_MODULE_STATE* FuzzModule() {
  static AFX_MODULE_STATE state("fuzz");
  return &state;
}

// One scratch file per process; each input replaces its contents. A write
// that fails aborts, since the reader would see the wrong bytes.
class CFuzzFile {
 public:
  ~CFuzzFile() { unlink(m_strPath.c_str()); }
  void Write(const uint8_t* pbData, size_t nSize) {
    std::ofstream(m_strPath, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(pbData),
                                                                        static_cast<std::streamsize>(nSize));
    if (std::filesystem::file_size(m_strPath) != nSize) std::abort();
  }
  const std::string& Path() const { return m_strPath; }
  std::u16string Path16() const { return std::u16string(m_strPath.begin(), m_strPath.end()); }

 private:
  const std::string m_strPath = "/tmp/cantrel-fuzz-" + std::to_string(getpid());
};

// Answers its value property (DISPID_VALUE) with a fixed variant, so that
// conversions through the value property are reached; its count tells a
// harness when a callee kept or lost a reference.
class CFuzzDispatch : public ComObject<CFuzzDispatch, IDispatch> {
 public:
  explicit CFuzzDispatch(const CVariant& value) : m_value(value) {}
  HRESULT GetTypeInfoCount(UINT* p) override { return p ? (*p = 0, S_OK) : E_POINTER; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID, DISPID* ids) override {
    return Table().GetIDsOfNames(names, n, ids);
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* r, EXCEPINFO* e, UINT* a) override {
    return Table().Invoke(this, id, flags, p, r, e, a);
  }
  CVariant Value() const { return m_value; }

 private:
  ~CFuzzDispatch() override = default;
  static const DispatchTable& Table() {
    static const DispatchTable t =
        DispatchTable(u"FuzzValue", IID_IDispatch, u"",
                      {{.name = u"Value", .dispid = DISPID_VALUE, .kind = DispKind::PropertyGet, .type = VT_VARIANT}})
            .Bind({DispPropertyGet<&CFuzzDispatch::Value>(DISPID_VALUE)});
    return t;
  }
  CVariant m_value;
};

// Variants as a careless but valid caller makes them: any type, any bits,
// any UTF-16 code units or a null string, a live object or null, and values
// by reference into storage this object owns and frees (so a callee may
// replace what they point at). bLocalNames: strings hold no path separator.
class CFuzzVariants {
 public:
  CFuzzVariants(FuzzedDataProvider& fdp, IDispatch* pObject, bool bLocalNames = false)
      : m_fdp(fdp), m_pObject(pObject), m_bLocalNames(bLocalNames) {}
  ~CFuzzVariants() {
    for (VARIANT& v : m_cells) VariantClear(&v);
  }

  // A variant type, mostly one of the platform's, sometimes any bits (but
  // by-reference only with a pointer made here).
  VARTYPE MakeType() {
    static constexpr VARTYPE kTypes[] = {VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_DATE,
                                         VT_BSTR, VT_DISPATCH, VT_ERROR, VT_BOOL, VT_UNKNOWN, VT_DECIMAL, VT_I1,
                                         VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT, VT_VARIANT};
    if (m_fdp.ConsumeIntegralInRange<int>(0, 15) == 0) return m_fdp.ConsumeIntegral<VARTYPE>() & ~VT_BYREF;
    return m_fdp.PickValueInArray(kTypes);
  }

  // A new variant, owned by the caller (clear it with VariantClear).
  VARIANT Make(bool bAllowByRef = true) {
    VARTYPE vt = MakeType();
    bool bByRef = bAllowByRef && m_nDepth < 2 && (vt & ~VT_TYPEMASK) == 0 && vt != VT_EMPTY && vt != VT_NULL &&
                  vt < VT_VOID && m_fdp.ConsumeIntegralInRange<int>(0, 3) == 0;
    if (!bByRef) return MakeValue(vt == VT_VARIANT ? VARTYPE(VT_EMPTY) : vt);
    VARIANT v;
    VariantInit(&v);
    v.vt = static_cast<VARTYPE>(vt | VT_BYREF);
    VARIANT& cell = m_cells.emplace_back();
    ++m_nDepth;
    cell = vt == VT_VARIANT ? Make(true) : MakeValue(vt);
    --m_nDepth;
    v.byref = vt == VT_VARIANT ? static_cast<void*>(&cell) : &cell.llVal;
    return v;
  }

 private:
  BSTR MakeString() {
    std::u16string s;
    switch (m_fdp.ConsumeIntegralInRange<int>(0, 7)) {
      case 0: return nullptr;
      case 1:  // any code units, unpaired surrogates included
        for (size_t n = m_fdp.ConsumeIntegralInRange<size_t>(0, 64); n-- && m_fdp.remaining_bytes() >= 2;)
          s += m_fdp.ConsumeIntegral<char16_t>();
        break;
      default:
        for (unsigned char c : m_fdp.ConsumeRandomLengthString(256))
          s += m_bLocalNames && (c == '/' || c == '\\') ? u'_' : char16_t(c);
    }
    return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  }

  VARIANT MakeValue(VARTYPE vt) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    const VARTYPE base = vt & VT_TYPEMASK;
    if (vt == VT_BSTR) v.bstrVal = MakeString();
    else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) v.pdispVal = ComPtr<IDispatch>(m_fdp.ConsumeBool() ? m_pObject : nullptr).Detach();
    // Anything else that could carry a pointer carries none a callee could follow.
    else if ((vt & ~VT_TYPEMASK) == 0 && base != VT_VARIANT && base != VT_PTR && base != VT_SAFEARRAY &&
             base != VT_CARRAY && base < VT_USERDEFINED)
      v.ullVal = m_fdp.ConsumeIntegral<ULONGLONG>();
    return v;
  }

  FuzzedDataProvider& m_fdp;
  IDispatch* m_pObject;
  bool m_bLocalNames;
  int m_nDepth = 0;
  std::deque<VARIANT> m_cells;  // a deque keeps their addresses
};

// One Invoke: a DISPID from the members most of the time, any flags, up to
// nMaxArgs arguments of any type, named or not, the optional out-parameters
// given or not. Afterwards everything the caller owns is freed.
class CInvokeCall {
 public:
  CInvokeCall(FuzzedDataProvider& fdp, IDispatch* pObject, size_t nMaxArgs, bool bLocalNames = false)
      : m_fdp(fdp), m_variants(fdp, pObject, bLocalNames) {
    VariantInit(&m_result);
    size_t n = fdp.ConsumeIntegralInRange<size_t>(0, nMaxArgs);
    for (size_t i = 0; i < n; ++i) m_args.push_back(m_variants.Make());
    for (size_t i = n ? fdp.ConsumeIntegralInRange<size_t>(0, n) : 0; i > 0; --i)
      m_named.push_back(fdp.ConsumeBool() ? DISPID_PROPERTYPUT : fdp.ConsumeIntegral<DISPID>());
  }
  ~CInvokeCall() {
    VariantClear(&m_result);
    SysFreeString(m_excep.bstrSource), SysFreeString(m_excep.bstrDescription), SysFreeString(m_excep.bstrHelpFile);
    for (VARIANT& v : m_args) VariantClear(&v);
  }

  HRESULT Invoke(IDispatch* pTarget, const std::vector<DISPID>& dispids) {
    DISPID id = m_fdp.ConsumeIntegralInRange<int>(0, 7) == 0 || dispids.empty()
                    ? m_fdp.ConsumeIntegral<DISPID>()
                    : dispids[m_fdp.ConsumeIntegralInRange<size_t>(0, dispids.size() - 1)];
    static constexpr WORD kFlags[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                      DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF, 0};
    WORD wFlags = m_fdp.PickValueInArray(kFlags);
    if (wFlags == 0) wFlags = m_fdp.ConsumeIntegral<WORD>();
    bool bResult = m_fdp.ConsumeBool(), bExcep = m_fdp.ConsumeBool(), bArgErr = m_fdp.ConsumeBool();
    IID riid = m_fdp.ConsumeIntegralInRange<int>(0, 15) == 0 ? IID_IDispatch : IID_NULL;  // reserved: refused
    std::vector<VARIANT> reversed(m_args.rbegin(), m_args.rend());  // the platform's order
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), m_named.empty() ? nullptr : m_named.data(),
                      static_cast<UINT>(reversed.size()), static_cast<UINT>(m_named.size())};
    UINT uArgErr = 0;
    HRESULT hr = pTarget->Invoke(id, riid, LOCALE_USER_DEFAULT, wFlags, &params, bResult ? &m_result : nullptr,
                                 bExcep ? &m_excep : nullptr, bArgErr ? &uArgErr : nullptr);
    // The callee changes by-value arguments only in what it was handed.
    std::copy(reversed.rbegin(), reversed.rend(), m_args.begin());
    // A type mismatch names the argument at fault.
    if (hr == DISP_E_TYPEMISMATCH && bArgErr && params.cArgs > 0 && uArgErr >= params.cArgs) std::abort();
    return hr;
  }
  const VARIANT& Result() const { return m_result; }

 private:
  FuzzedDataProvider& m_fdp;
  CFuzzVariants m_variants;
  std::vector<VARIANT> m_args;
  std::vector<DISPID> m_named;
  VARIANT m_result;
  EXCEPINFO m_excep{};
};
