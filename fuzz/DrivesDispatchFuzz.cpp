// The recorder collection, its drives and its enumerators, called the way a
// late-bound host calls them but with anything in the arguments: random
// DISPIDs, flags, argument counts, types and by-reference values, and the
// enumerator's Next/Skip/Reset/Clone with any counts. Objects that come back
// (drives from Item, enumerators from _NewEnum) join the pool of targets.
// When everything is let go, no object may be left alive.
#include <cstdlib>
#include <vector>

#include "control/drives/CDrives.h"
#include "control/interface/CantrelIds.h"
#include "fuzz/FuzzSupport.h"
#include "platform/olectl/AfxModuleState.h"

namespace {

AFX_MODULE_STATE* FuzzModule() {
  static AFX_MODULE_STATE state("drives-fuzz");
  return &state;
}

const std::vector<DISPID> kDispids = {DISPID_VALUE, DISPID_NEWENUM, DISPID_UNKNOWN, DISPID_PROPERTYPUT,
                                      DISPID_DRIVES_COUNT, DISPID_DRIVES_ITEM, DISPID_DRIVES_FINDPRODUCTID,
                                      DISPID_DRIVES_FINDVENDORID, DISPID_DRIVES_FINDREVISION, 6, -5};

std::u16string Text(FuzzedDataProvider& fdp) {
  std::string s = fdp.ConsumeRandomLengthString(16);
  return std::u16string(s.begin(), s.end());
}

void CallEnumerator(FuzzedDataProvider& fdp, IEnumVARIANT* pEnum, std::vector<ComPtr<IUnknown>>& pool) {
  const int op = fdp.ConsumeIntegralInRange<int>(0, 3);
  if (op == 0) {
    ULONG celt = fdp.ConsumeIntegralInRange<ULONG>(0, 6), fetched = 1234;
    std::vector<VARIANT> out(celt + 1);
    for (VARIANT& v : out) VariantInit(&v);
    bool bFetched = fdp.ConsumeBool();
    HRESULT hr = pEnum->Next(celt, out.data(), bFetched ? &fetched : nullptr);
    if (bFetched && ((hr == S_OK && fetched != celt) || (hr == S_FALSE && fetched >= celt))) std::abort();
    if (out[celt].vt != VT_EMPTY) std::abort();  // nothing written past the array
    for (VARIANT& v : out) {
      if (v.vt == VT_DISPATCH && v.pdispVal) pool.push_back(ComPtr<IUnknown>(v.pdispVal));
      VariantClear(&v);
    }
  } else if (op == 1) {
    (void)pEnum->Skip(fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<ULONG>(0, 8) : fdp.ConsumeIntegral<ULONG>());
  } else if (op == 2) {
    if (pEnum->Reset() != S_OK) std::abort();
  } else {
    ComPtr<IEnumVARIANT> clone;
    if (pEnum->Clone(clone.ReleaseAndGetAddressOf()) != S_OK || !clone) std::abort();
    pool.push_back(ComPtr<IUnknown>(clone.Get()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fdp(data, size);
  {
    AFX_MANAGE_STATE(FuzzModule());
    auto pValue = Make<CFuzzDispatch>(CVariant::Long(fdp.ConsumeIntegral<int8_t>()));
    std::vector<ComPtr<IUnknown>> pool;
    {
      ComPtr<CDrives> pDrives = CDrives::Create();
      int nDrives = fdp.ConsumeIntegralInRange<int>(0, 4);
      for (int i = 0; i < nDrives; ++i) {
        std::u16string v = Text(fdp), p = Text(fdp), r = Text(fdp);  // in this order
        pDrives->Add(v, p, r);
      }
      pool.push_back(ComPtr<IUnknown>(static_cast<IDispatch*>(pDrives.Get())));
    }
    int nCalls = fdp.ConsumeIntegralInRange<int>(1, 12);
    for (int i = 0; i < nCalls && fdp.remaining_bytes() > 0; ++i) {
      IUnknown* pTarget = pool[fdp.ConsumeIntegralInRange<size_t>(0, pool.size() - 1)].Get();
      ComPtr<IEnumVARIANT> pEnum;
      if (fdp.ConsumeBool() && SUCCEEDED(pTarget->QueryInterface(IID_IEnumVARIANT, pEnum.ReleaseAndGetVoidAddress())) &&
          pEnum) {
        CallEnumerator(fdp, pEnum.Get(), pool);
        continue;
      }
      ComPtr<IDispatch> pDisp;
      if (FAILED(pTarget->QueryInterface(IID_IDispatch, pDisp.ReleaseAndGetVoidAddress())) || !pDisp) std::abort();
      CInvokeCall call(fdp, pValue.Get(), 4);
      (void)call.Invoke(pDisp.Get(), kDispids);
      const VARIANT& r = call.Result();
      if ((r.vt == VT_DISPATCH || r.vt == VT_UNKNOWN) && r.punkVal) pool.push_back(ComPtr<IUnknown>(r.punkVal));
    }
    pool.clear();
    if (pValue->RefCount() != 1) std::abort();  // an argument's count was kept or lost
  }
  if (FuzzModule()->m_nObjectCount.load() != 0) std::abort();  // an object outlived its last reference
  return 0;
}
