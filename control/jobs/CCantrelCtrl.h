// The audio-CD burning control. Its methods run on the thread that owns it
// and return at once (InitControl waits at most 10 seconds for the recorder
// listing); burns, erases and ejects run as jobs on worker threads, one at a
// time, and report back through the control's window as events.
#pragma once

#include <memory>

#include "control/drives/CDrives.h"
#include "control/tracks/CTrackList.h"
#include "platform/com/ComPtr.h"
#include "platform/olectl/COleControl.h"
#include "platform/olectl/CWinThread.h"

struct JobParams;

class CCantrelCtrl : public COleControl {
 public:
  // One count, owned by the caller.
  CCantrelCtrl();

  // ---- Automation ----
  SHORT GetDrive() const { return m_nDrive; }
  void SetDrive(SHORT nNewValue);
  ComPtr<CDrives> GetDrives() const { return m_pDrives; }
  void AboutBox();
  SHORT Erase(BOOL bFullErase);
  SHORT Burn(BOOL bSimulate, BOOL bEjectAfterBurn, BOOL bFileOverWrite);
  SHORT Eject();
  // Always an empty string.
  std::u16string GetDriveLetter() const { return {}; }
  BOOL InitControl();
  LONG GetMediaFreeSpace();
  SHORT AddAudioTrack(std::u16string_view strFileName);
  BOOL DeleteAudioTrack(SHORT index);
  void DeleteAllItems();

  BOOL IsBusy() const { return m_bBusy; }

  // ---- Framework overridables ----
  BOOL IsInvokeAllowed(DISPID dispid) override;
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeLib(LCID lcid, ITypeLib** ppTypeLib) override;
  void DoPropExchange(CPropExchange* pPX) override;
  void OnResetState() override;
  void OnDraw(CDC* pdc, const CRect& rcBounds, const CRect& rcInvalid) override;
  HRESULT GetClassID(LPCLSID pclsid) override;
  LPCLSID GetPropPageIDs(ULONG& cPropPages) override;
  UINT GetUserTypeNameID() override;
  using COleControl::GetMiscStatus;
  DWORD GetMiscStatus() override;

 protected:
  ~CCantrelCtrl() override;
  const DispatchTable& GetDispatchTable() const override;

  // Messages from the jobs.
  LRESULT OnEraseComplete(WPARAM wParam, LPARAM lParam);
  LRESULT OnJobDone(WPARAM wParam, LPARAM lParam);
  LRESULT OnJobError(WPARAM wParam, LPARAM lParam);
  LRESULT OnBurnComplete(WPARAM wParam, LPARAM lParam);
  LRESULT OnJobProgress(WPARAM wParam, LPARAM lParam);
  LRESULT OnJobTrackProgress(WPARAM wParam, LPARAM lParam);
  LRESULT OnJobClosingDisc(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

 private:
  // Starts a burn, erase or eject job on pfn; 0 when busy or no thread.
  SHORT StartJob(AFX_THREADPROC pfn, std::unique_ptr<JobParams> pParams);

  ComPtr<CDrives> m_pDrives;
  CTrackList m_trackList;
  SHORT m_nDrive = 0;
  BOOL m_bBusy = FALSE;
  BOOL m_bFullErase = FALSE;
};
