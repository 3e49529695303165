// The control, sited in run mode and optionally first loaded from a saved
// stream of any bytes, and a recorder collection with drives of any names,
// called the way a late-bound host calls them but with anything in the
// arguments: random DISPIDs, flags, argument counts, types and by-reference
// values, and the enumerators' Next/Skip/Reset/Clone with any counts. Objects
// that come back (drives, collections, enumerators) join the pool of
// targets. Jobs the control starts find no disc-mastering service (the
// registry is private and empty) and end at once; after every call the
// control must leave its busy state, and when the host lets go no object
// may be left alive and no argument's count changed. Strings never hold a
// path separator: the working folder holds a few WAV files for
// AddAudioTrack to find, and nothing else is reachable.
#include <cstdlib>
#include <string>
#include <vector>

#include "control/drives/CDrives.h"
#include "control/interface/CantrelIds.h"
#include "control/jobs/CCantrelCtrl.h"
#include "fuzz/FuzzSupport.h"
#include "platform/com/Apartment.h"
#include "platform/olectl/AfxDialogHook.h"
#include "platform/olectl/COleControlSite.h"
#include "tests/control/tracks/WavBytes.h"

namespace {

const std::vector<DISPID> kDispids = {
    DISPID_CANTREL_DRIVE, DISPID_CANTREL_DRIVES, DISPID_CANTREL_ABOUTBOX, DISPID_CANTREL_ERASE, DISPID_CANTREL_BURN,
    DISPID_CANTREL_EJECT, DISPID_CANTREL_GETDRIVELETTER, DISPID_CANTREL_INITCONTROL, DISPID_CANTREL_GETMEDIAFREESPACE,
    DISPID_CANTREL_ADDAUDIOTRACK, DISPID_CANTREL_DELETEAUDIOTRACK, DISPID_CANTREL_DELETEALLITEMS, DISPID_VALUE,
    DISPID_NEWENUM, DISPID_UNKNOWN, DISPID_PROPERTYPUT, DISPID_DRIVES_COUNT, DISPID_DRIVES_ITEM,
    DISPID_DRIVES_FINDPRODUCTID, DISPID_DRIVES_FINDVENDORID, DISPID_DRIVES_FINDREVISION, 13, 1, 6, -5};

void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

INT_PTR CancelDialog(void*, UINT) { return 2; }  // as if the user closed it

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

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  UsePrivateFolder();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  using namespace wavbytes;
  WriteFile("a.wav", WavFile(FmtBlock(), Pattern(4 * 2352 + 100)));
  WriteFile("b.wav", WavFile(FmtBlock(), {}));
  WriteFile("m.wav", WavFile(FmtBlock(1), Pattern(100)));
  WriteFile("r.wav", WavFile(FmtBlock(2, 48000), Pattern(100)));
  WriteFile("f.wav", WavFile(FmtBlock(2, 44100, 32, 3), Pattern(100)));
  WriteFile("x.wav", {'R', 'I', 'F', 'F'});
  COleControlSite::EnsureApplication();
  CoInitialize(nullptr);
  AfxSetShowDialogHook(&CancelDialog);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fdp(data, size);
  // The value property of an object argument: a file name or a small index.
  auto pValue = Make<CFuzzDispatch>(fdp.ConsumeBool() ? CVariant::String(u"a.wav")
                                                      : CVariant::Long(fdp.ConsumeIntegral<int8_t>()));
  {
    AFX_MANAGE_STATE(FuzzModule());
    ComPtr<CCantrelCtrl> pCtrl = Make<CCantrelCtrl>();
    COleControlSite site(TRUE);
    RECT rc{0, 0, 100, 40};
    if (site.AttachControl(static_cast<IDispatch*>(pCtrl.Get()), rc) != S_OK) std::abort();
    if (site.ConnectEvents(DIID__DcantrelEvents, [](DISPID, const std::vector<CVariant>&) {}) != S_OK) std::abort();
    if (fdp.ConsumeIntegralInRange<int>(0, 3) == 0) {
      std::vector<uint8_t> saved = fdp.ConsumeBytes<uint8_t>(fdp.ConsumeIntegralInRange<size_t>(0, 64));
      (void)site.LoadFromStream(saved);
    }
    std::vector<ComPtr<IUnknown>> pool = {ComPtr<IUnknown>(site.GetDispatch().Get())};
    {
      ComPtr<CDrives> pDrives = CDrives::Create();
      for (int i = fdp.ConsumeIntegralInRange<int>(0, 4); i > 0; --i) {
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
      CInvokeCall call(fdp, pValue.Get(), 4, true);
      (void)call.Invoke(pDisp.Get(), kDispids);
      const VARIANT& r = call.Result();
      if ((r.vt == VT_DISPATCH || r.vt == VT_UNKNOWN) && r.punkVal) pool.push_back(ComPtr<IUnknown>(r.punkVal));
      // Whatever was asked, a job the call started ends and ends the busy state.
      if (!COleControlSite::PumpMessagesUntil([&pCtrl] { return !pCtrl->IsBusy(); }, 20000)) std::abort();
    }
    pool.clear();
    site.Close();
  }
  if (pValue->RefCount() != 1) std::abort();  // an argument's count was kept or lost
  // A job's thread holds the module until it has ended, a moment after the job.
  if (!COleControlSite::PumpMessagesUntil([] { return FuzzModule()->m_nObjectCount.load() == 0; }, 20000))
    std::abort();  // an object outlived its last reference
  return 0;
}
