// A small host of the Cantrel control, built against the installed headers:
//
//   cantrel-example-host                 list the recorders
//   cantrel-example-host A.wav B.wav...  burn the files on recorder 0
//
// It creates the control by ProgID from the registry, drives it late-bound
// through IDispatch and prints every event it receives.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "control/interface/CantrelIds.h"
#include "platform/com/Apartment.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/Utf.h"
#include "platform/com/Variant.h"
#include "platform/olectl/COleControlSite.h"

namespace {

std::string Text(const CVariant& v) {
  CVariant s;
  if (FAILED(VariantChangeType(&s, &v, 0, VT_BSTR)) || !s.bstrVal) return {};
  return Utf16ToUtf8(std::u16string_view(s.bstrVal, SysStringLen(s.bstrVal)));
}

long Number(const CVariant& v) {
  CVariant n;
  return SUCCEEDED(VariantChangeType(&n, &v, 0, VT_I4)) ? n.lVal : 0;
}

const char* EventName(DISPID id) {
  switch (id) {
    case DISPID_EVENT_PROGRESS: return "Progress";
    case DISPID_EVENT_BURNCOMPLETE: return "BurnComplete";
    case DISPID_EVENT_ERASECOMPLETE: return "EraseComplete";
    case DISPID_EVENT_ERROREVENT: return "ErrorEvent";
    case DISPID_EVENT_TRACKPROGRESS: return "TrackProgress";
    case DISPID_EVENT_CLOSINGDISC: return "ClosingDisc";
    default: return "?";
  }
}

// The recorders through the Drives collection's Count and Item.
void ListRecorders(IDispatch* control) {
  CVariant drives, count;
  if (FAILED(DispInvoke(control, DISPID_CANTREL_DRIVES, DISPATCH_PROPERTYGET, {}, &drives)) ||
      drives.vt != VT_DISPATCH || !drives.pdispVal ||
      FAILED(DispInvoke(drives.pdispVal, DISPID_DRIVES_COUNT, DISPATCH_PROPERTYGET, {}, &count)))
    return;
  for (long i = 1; i <= Number(count); ++i) {  // Item counts from 1
    CVariant drive, vendor, product;
    if (FAILED(DispInvoke(drives.pdispVal, DISPID_DRIVES_ITEM, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                          {CVariant::Long(i)}, &drive)) ||
        drive.vt != VT_DISPATCH || !drive.pdispVal)
      continue;
    DispInvoke(drive.pdispVal, DISPID_DRIVE_VENDORID, DISPATCH_PROPERTYGET, {}, &vendor);
    DispInvoke(drive.pdispVal, DISPID_DRIVE_PRODUCTID, DISPATCH_PROPERTYGET, {}, &product);
    std::printf("recorder %ld: %s %s\n", i - 1, Text(vendor).c_str(), Text(product).c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  COleControlSite::EnsureApplication();
  CoInitialize(nullptr);
  int status = 1;
  {
    CLSID clsid{};
    COleControlSite site(TRUE);
    bool done = false, failed = false;
    if (FAILED(CLSIDFromProgID(PROGID_Cantrel, &clsid)) || FAILED(site.CreateControl(clsid, RECT{0, 0, 200, 40}))) {
      std::fprintf(stderr, "the control is not registered: regsvr cantrel.ocx\n");
    } else if (FAILED(site.ConnectEvents(DIID__DcantrelEvents, [&](DISPID id, const std::vector<CVariant>& args) {
                 std::printf("event %s", EventName(id));
                 for (const CVariant& a : args) std::printf(" %s", Text(a).c_str());
                 std::printf("\n");
                 done = done || id == DISPID_EVENT_BURNCOMPLETE || id == DISPID_EVENT_ERROREVENT;
                 failed = failed || id == DISPID_EVENT_ERROREVENT;
               }))) {
      std::fprintf(stderr, "cannot receive the control's events\n");
    } else {
      ComPtr<IDispatch> control = site.GetDispatch();
      CVariant ignored;
      DispInvoke(control.Get(), DISPID_CANTREL_INITCONTROL, DISPATCH_METHOD, {}, &ignored);
      ListRecorders(control.Get());
      status = 0;
      if (argc > 1) {
        for (int i = 1; i < argc && status == 0; ++i) {
          const std::string path = std::filesystem::absolute(argv[i]).string();
          CVariant refused;
          if (FAILED(DispInvoke(control.Get(), DISPID_CANTREL_ADDAUDIOTRACK, DISPATCH_METHOD,
                                {CVariant::String(Utf8ToUtf16(path))}, &refused)) ||
              Number(refused) != 0) {
            std::fprintf(stderr, "%s was refused\n", argv[i]);
            status = 1;
          }
        }
        CVariant started;
        if (status == 0 &&
            (FAILED(DispInvoke(control.Get(), DISPID_CANTREL_BURN, DISPATCH_METHOD,
                               {CVariant::Bool(false), CVariant::Bool(true), CVariant::Bool(false)}, &started)) ||
             Number(started) == 0)) {
          std::fprintf(stderr, "the recorder is busy\n");
          status = 1;
        }
        if (status == 0 && !COleControlSite::PumpMessagesUntil([&] { return done; }, 300000)) {
          std::fprintf(stderr, "no answer from the control\n");
          status = 1;
        }
        if (failed) status = 1;
      }
      site.DisconnectEvents();
      site.Close();
    }
  }
  CoUninitialize();
  return status;
}
