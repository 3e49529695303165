// The control itself, sited in run mode and called through IDispatch with
// anything in the arguments; optionally first loaded from a saved stream of
// any bytes. Jobs it starts find no disc-mastering service (the registry is
// private and empty) and end at once; after every call the control must
// leave its busy state, and when the host lets it go nothing may be left.
// Strings never hold a path separator: the working folder holds a few WAV
// files for AddAudioTrack to find, and nothing else is reachable.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

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
    DISPID_NEWENUM, DISPID_UNKNOWN, 13, 1};

void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) std::abort();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

INT_PTR CancelDialog(void*, UINT) { return 2; }  // as if the user closed it

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A private, empty registry and a folder of our own to work in.
  char dir[] = "/tmp/cantrel-ctrl-fuzz-XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
  WriteFile("registry", {});
  setenv("COMPONENT_REGISTRY", (std::string(dir) + "/registry").c_str(), 1);
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
  auto pValue = Make<CFuzzDispatch>(CVariant::String(u"a.wav"));
  {
    ComPtr<CCantrelCtrl> pCtrl = Make<CCantrelCtrl>();
    COleControlSite site(TRUE);
    RECT rc{0, 0, 100, 40};
    if (site.AttachControl(static_cast<IDispatch*>(pCtrl.Get()), rc) != S_OK) std::abort();
    if (site.ConnectEvents(DIID__DcantrelEvents, [](DISPID, const std::vector<CVariant>&) {}) != S_OK) std::abort();
    if (fdp.ConsumeIntegralInRange<int>(0, 3) == 0) {
      std::vector<uint8_t> saved = fdp.ConsumeBytes<uint8_t>(fdp.ConsumeIntegralInRange<size_t>(0, 64));
      (void)site.LoadFromStream(saved);
    }
    ComPtr<IDispatch> pDisp = site.GetDispatch();
    int nCalls = fdp.ConsumeIntegralInRange<int>(1, 10);
    for (int i = 0; i < nCalls && fdp.remaining_bytes() > 0; ++i) {
      (void)CInvokeCall(fdp, pValue.Get(), 4, true).Invoke(pDisp.Get(), kDispids);
      // Whatever was asked, a job the call started ends and ends the busy state.
      if (!COleControlSite::PumpMessagesUntil([&pCtrl] { return !pCtrl->IsBusy(); }, 20000)) std::abort();
    }
    site.Close();
  }
  if (pValue->RefCount() != 1) std::abort();  // an argument's count was kept or lost
  return 0;
}
