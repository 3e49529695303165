#include "control/jobs/CCantrelCtrl.h"

#include <chrono>
#include <memory>
#include <thread>

#include "control/interface/CantrelTables.h"
#include "control/jobs/CCantrelJobs.h"
#include "control/jobs/JobMessages.h"
#include "control/jobs/JobParams.h"
#include "platform/com/TypeLib.h"

namespace {

constexpr DWORD kVersion = 0x00010000;  // 1.0
constexpr DWORD kMiscStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
                              OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
constexpr UINT IDS_CANTREL = 1;
constexpr UINT IDD_ABOUTBOX_CANTREL = 1;
constexpr auto kInitControlWait = std::chrono::milliseconds(10000);
constexpr auto kBurnCompleteDelay = std::chrono::milliseconds(1000);

// Bound when the library loads: a binding that does not fit stops it there.
const DispatchTable g_cantrelTable = DcantrelTable().Bind({
    DispProperty<&CCantrelCtrl::GetDrive, &CCantrelCtrl::SetDrive>(DISPID_CANTREL_DRIVE),
    DispProperty<&CCantrelCtrl::GetDrives>(DISPID_CANTREL_DRIVES),
    DispMethod<&CCantrelCtrl::AboutBox>(DISPID_CANTREL_ABOUTBOX),
    DispMethod<&CCantrelCtrl::Erase>(DISPID_CANTREL_ERASE),
    DispMethod<&CCantrelCtrl::Burn>(DISPID_CANTREL_BURN),
    DispMethod<&CCantrelCtrl::Eject>(DISPID_CANTREL_EJECT),
    DispMethod<&CCantrelCtrl::GetDriveLetter>(DISPID_CANTREL_GETDRIVELETTER),
    DispMethod<&CCantrelCtrl::InitControl>(DISPID_CANTREL_INITCONTROL),
    DispMethod<&CCantrelCtrl::GetMediaFreeSpace>(DISPID_CANTREL_GETMEDIAFREESPACE),
    DispMethod<&CCantrelCtrl::AddAudioTrack>(DISPID_CANTREL_ADDAUDIOTRACK),
    DispMethod<&CCantrelCtrl::DeleteAudioTrack>(DISPID_CANTREL_DELETEAUDIOTRACK),
    DispMethod<&CCantrelCtrl::DeleteAllItems>(DISPID_CANTREL_DELETEALLITEMS),
});

}  // namespace

BEGIN_MESSAGE_MAP(CCantrelCtrl, COleControl)
ON_MESSAGE(WM_ERASE_COMPLETE, OnEraseComplete)
ON_MESSAGE(WM_JOB_DONE, OnJobDone)
ON_MESSAGE(WM_JOB_ERROR, OnJobError)
ON_MESSAGE(WM_BURN_COMPLETE, OnBurnComplete)
ON_MESSAGE(WM_JOB_PROGRESS, OnJobProgress)
ON_MESSAGE(WM_JOB_TRACKPROGRESS, OnJobTrackProgress)
ON_MESSAGE(WM_JOB_CLOSINGDISC, OnJobClosingDisc)
END_MESSAGE_MAP()

CCantrelCtrl::CCantrelCtrl() : m_pDrives(CDrives::Create()) {
  InitializeIIDs(&DIID__Dcantrel, &DIID__DcantrelEvents);
}

CCantrelCtrl::~CCantrelCtrl() = default;

const DispatchTable& CCantrelCtrl::GetDispatchTable() const { return g_cantrelTable; }

// ---- Methods and properties ----------------------------------------------------

void CCantrelCtrl::SetDrive(SHORT nNewValue) {
  SetModifiedFlag();
  if (!AmbientUserMode()) BoundPropertyChanged(DISPID_CANTREL_DRIVE);
  m_nDrive = nNewValue;
}

void CCantrelCtrl::AboutBox() { DoModalDialog(IDD_ABOUTBOX_CANTREL); }

SHORT CCantrelCtrl::StartJob(AFX_THREADPROC pfn, std::unique_ptr<JobParams> pParams) {
  if (m_bBusy) return 0;
  pParams->hWndCtrl = GetSafeHwnd();
  pParams->nDrive = m_nDrive;
  m_bBusy = TRUE;
  if (!AfxBeginThread(pfn, pParams.get())) {
    // No job runs, so nothing would ever end the busy state.
    m_bBusy = FALSE;
    return 0;
  }
  (void)pParams.release();  // the job owns it now
  return 1;
}

SHORT CCantrelCtrl::Burn(BOOL bSimulate, BOOL bEjectAfterBurn, BOOL bFileOverWrite) {
  if (m_bBusy) return 0;
  auto pParams = std::make_unique<BurnJobParams>();
  pParams->bSimulate = bSimulate ? TRUE : FALSE;
  pParams->bEjectAfterBurn = bEjectAfterBurn ? TRUE : FALSE;
  // The job stages its own copy: the host may change the list at once.
  pParams->vecTracks = m_trackList.Snapshot();
  return StartJob(&CCantrelJobs::BurnThread, std::move(pParams));
}

SHORT CCantrelCtrl::Erase(BOOL bFullErase) {
  if (m_bBusy) return 0;
  m_bFullErase = bFullErase ? TRUE : FALSE;
  auto pParams = std::make_unique<EraseJobParams>();
  pParams->bFullErase = m_bFullErase;
  return StartJob(&CCantrelJobs::EraseThread, std::move(pParams));
}

SHORT CCantrelCtrl::Eject() {
  if (!m_bBusy) StartJob(&CCantrelJobs::EjectThread, std::make_unique<JobParams>());
  return 0;
}

BOOL CCantrelCtrl::InitControl() {
  auto pParams = std::make_unique<DriveListJobParams>();
  pParams->pDrives = m_pDrives;
  std::future<void> done = pParams->done.get_future();
  if (!AfxBeginThread(&CCantrelJobs::DriveListThread, pParams.get())) return TRUE;
  (void)pParams.release();  // the job owns it now
  done.wait_for(kInitControlWait);
  return TRUE;
}

LONG CCantrelCtrl::GetMediaFreeSpace() { return 0; }

SHORT CCantrelCtrl::AddAudioTrack(std::u16string_view strFileName) { return m_trackList.AddAudioTrack(strFileName); }

BOOL CCantrelCtrl::DeleteAudioTrack(SHORT index) { return m_trackList.DeleteAudioTrack(index) ? TRUE : FALSE; }

void CCantrelCtrl::DeleteAllItems() { m_trackList.DeleteAllItems(); }

// ---- Messages from the jobs --------------------------------------------------------

LRESULT CCantrelCtrl::OnEraseComplete(WPARAM, LPARAM) {
  FireEvent(DISPID_EVENT_ERASECOMPLETE, {});
  return 0;
}

LRESULT CCantrelCtrl::OnJobDone(WPARAM, LPARAM) {
  m_bBusy = FALSE;
  return 0;
}

LRESULT CCantrelCtrl::OnJobError(WPARAM, LPARAM lParam) {
  auto nErrorNo = static_cast<SHORT>(static_cast<uint16_t>(static_cast<uintptr_t>(lParam) & 0xFFFF));
  FireEvent(DISPID_EVENT_ERROREVENT, {CVariant::Short(nErrorNo)});
  return 0;
}

LRESULT CCantrelCtrl::OnBurnComplete(WPARAM, LPARAM) {
  std::this_thread::sleep_for(kBurnCompleteDelay);
  FireEvent(DISPID_EVENT_BURNCOMPLETE, {});
  return 0;
}

LRESULT CCantrelCtrl::OnJobProgress(WPARAM wParam, LPARAM lParam) {
  FireEvent(DISPID_EVENT_PROGRESS, {CVariant::Long(JobLong(wParam)), CVariant::Long(JobLong(lParam))});
  return 0;
}

LRESULT CCantrelCtrl::OnJobTrackProgress(WPARAM wParam, LPARAM lParam) {
  FireEvent(DISPID_EVENT_TRACKPROGRESS, {CVariant::Long(JobLong(wParam)), CVariant::Long(JobLong(lParam))});
  return 0;
}

LRESULT CCantrelCtrl::OnJobClosingDisc(WPARAM wParam, LPARAM) {
  FireEvent(DISPID_EVENT_CLOSINGDISC, {CVariant::Long(JobLong(wParam))});
  return 0;
}

// ---- Framework overridables ----------------------------------------------------------

BOOL CCantrelCtrl::IsInvokeAllowed(DISPID) { return TRUE; }

HRESULT CCantrelCtrl::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 1;
  return S_OK;
}

HRESULT CCantrelCtrl::GetTypeLib(LCID lcid, ITypeLib** ppTypeLib) {
  return LoadRegTypeLib(LIBID_cantrelLib, CANTREL_LIB_MAJOR, CANTREL_LIB_MINOR, lcid, ppTypeLib);
}

void CCantrelCtrl::DoPropExchange(CPropExchange* pPX) {
  ExchangeVersion(pPX, kVersion);
  COleControl::DoPropExchange(pPX);
  PX_Short(pPX, u"Drive", m_nDrive, 0);
}

void CCantrelCtrl::OnResetState() { COleControl::OnResetState(); }

void CCantrelCtrl::OnDraw(CDC* pdc, const CRect& rcBounds, const CRect&) {
  if (!pdc) return;
  CBrush brush;
  brush.CreateSolidBrush(RGB(0, 0, 0));
  if (AmbientUserMode()) {
    // Practically invisible while the container runs.
    SetWindowPos(nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    pdc->SetBkMode(TRANSPARENT);
    pdc->FillRect(rcBounds, &brush);
    pdc->SetTextColor(RGB(255, 0, 0));
    CRect rc = rcBounds;
    pdc->DrawText(u"Cantrel ActiveX", -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  brush.DeleteObject();
}

HRESULT CCantrelCtrl::GetClassID(LPCLSID pclsid) {
  if (!pclsid) return E_POINTER;
  *pclsid = CLSID_Cantrel;
  return S_OK;
}

LPCLSID CCantrelCtrl::GetPropPageIDs(ULONG& cPropPages) {
  static CLSID pages[] = {CLSID_CCantrelPropPage};
  cPropPages = 1;
  return pages;
}

UINT CCantrelCtrl::GetUserTypeNameID() { return IDS_CANTREL; }

DWORD CCantrelCtrl::GetMiscStatus() { return kMiscStatus; }
