#include "tools/cantrel/CCantrelHost.h"

#include <unistd.h>

#include <climits>

#include "control/interface/CantrelIds.h"
#include "platform/com/Apartment.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/ResultMacros.h"
#include "platform/com/Utf.h"
#include "tools/automate/CComponentUnload.h"
#include "tools/automate/ValueText.h"

namespace {

// A job that has posted its last message has little left to do.
constexpr int kDefaultUnloadWaitMs = 30000;

std::string Text(const CVariant& v) {
  return v.vt == VT_BSTR && v.bstrVal ? Utf16ToUtf8(std::u16string_view(v.bstrVal, SysStringLen(v.bstrVal)))
                                      : std::string();
}

}  // namespace

CCantrelHost::CCantrelHost() {
  COleControlSite::EnsureApplication();
  m_bApartment = SUCCEEDED(CoInitialize(nullptr));
}

CCantrelHost::~CCantrelHost() {
  CloseAndWait(kDefaultUnloadWaitMs);
  if (m_bApartment) CoUninitialize();
}

std::string CCantrelHost::ProgramFolder() {
  char path[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  std::string self(path, static_cast<size_t>(n));
  size_t slash = self.rfind('/');
  return slash == std::string::npos ? "." : self.substr(0, slash);
}

HRESULT CCantrelHost::Create(EventHandler handler, std::string* pWhy) {
  const std::string progId = Utf16ToUtf8(PROGID_Cantrel);
  const std::string howTo = "register it with: " + ProgramFolder() + "/regsvr " + ProgramFolder() + "/cantrel.ocx";
  CLSID clsid{};
  HRESULT hr = CLSIDFromProgID(PROGID_Cantrel, &clsid);
  if (hr == REGDB_E_READREGDB) {
    *pWhy = CoGetLastLoadError();
    return hr;
  }
  if (FAILED(hr)) {
    *pWhy = "the control " + progId + " is not registered (" + FormatHresult(hr) + "); " + howTo;
    return hr;
  }
  m_pSite = std::make_unique<COleControlSite>(TRUE);
  hr = m_pSite->CreateControl(clsid, RECT{0, 0, 200, 40});
  if (FAILED(hr)) {
    std::string detail = CoGetLastLoadError();
    *pWhy = "the control " + progId + " cannot be created (" + FormatHresult(hr) + ")" +
            (detail.empty() ? "" : ": " + detail) + "; is it registered? " + howTo;
    m_pSite.reset();
    return hr;
  }
  m_strLibrary = CComponentUnload::LibraryOf(clsid);
  hr = m_pSite->ConnectEvents(DIID__DcantrelEvents, std::move(handler));
  if (FAILED(hr)) {
    *pWhy = "cannot receive the control's events (" + FormatHresult(hr) + ")";
    return hr;
  }
  return S_OK;
}

HRESULT CCantrelHost::Call(DISPID dispid, WORD wFlags, std::vector<CVariant> args, CVariant* pResult) {
  if (!m_pSite) return E_UNEXPECTED;
  ComPtr<IDispatch> pDispatch = m_pSite->GetDispatch();
  if (!pDispatch) return E_NOINTERFACE;
  CVariant ignored;
  return DispInvoke(pDispatch.Get(), dispid, wFlags, std::move(args), pResult ? pResult : &ignored);
}

HRESULT CCantrelHost::ListDrives(std::vector<DriveInfo>* pDrives) {
  pDrives->clear();
  CVariant drives;
  RETURN_IF_FAILED(Call(DISPID_CANTREL_DRIVES, DISPATCH_PROPERTYGET, {}, &drives));
  if (drives.vt != VT_DISPATCH || !drives.pdispVal) return E_NOINTERFACE;
  // Walked the way containers walk a collection: through its enumerator.
  CVariant enumerator;
  RETURN_IF_FAILED(DispInvoke(drives.pdispVal, DISPID_NEWENUM, DISPATCH_PROPERTYGET, {}, &enumerator));
  if ((enumerator.vt != VT_UNKNOWN && enumerator.vt != VT_DISPATCH) || !enumerator.punkVal) return E_NOINTERFACE;
  ComPtr<IEnumVARIANT> pEnum;
  RETURN_IF_FAILED(enumerator.punkVal->QueryInterface(IID_IEnumVARIANT, pEnum.ReleaseAndGetVoidAddress()));
  for (;;) {
    CVariant item;
    ULONG fetched = 0;
    const HRESULT hr = pEnum->Next(1, &item, &fetched);
    RETURN_IF_FAILED(hr);
    if (hr != S_OK || fetched != 1) break;
    if (item.vt != VT_DISPATCH || !item.pdispVal) continue;
    DriveInfo info;
    CVariant value;
    if (SUCCEEDED(DispInvoke(item.pdispVal, DISPID_DRIVE_VENDORID, DISPATCH_PROPERTYGET, {}, &value)))
      info.vendor = Text(value);
    if (SUCCEEDED(DispInvoke(item.pdispVal, DISPID_DRIVE_PRODUCTID, DISPATCH_PROPERTYGET, {}, &value)))
      info.product = Text(value);
    if (SUCCEEDED(DispInvoke(item.pdispVal, DISPID_DRIVE_REVISION, DISPATCH_PROPERTYGET, {}, &value)))
      info.revision = Text(value);
    pDrives->push_back(std::move(info));
  }
  return S_OK;
}

bool CCantrelHost::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  return COleControlSite::PumpMessagesUntil(done, timeoutMs);
}

void CCantrelHost::CloseAndWait(int timeoutMs) {
  if (!m_pSite) return;
  m_pSite->DisconnectEvents();
  m_pSite->Close();
  m_pSite.reset();
  if (!m_strLibrary.empty())
    (void)CComponentUnload::WaitForUnload({m_strLibrary}, timeoutMs,
                                          [](int ms) { COleControlSite::PumpMessagesFor(ms); });
  m_strLibrary.clear();
}
