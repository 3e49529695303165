// The progress sink that a burn or erase job registers with the
// disc-mastering service. Block, track and closing-disc notifications are
// posted to the control's window, which raises Progress, TrackProgress and
// ClosingDisc on the control's thread, in the order the service reported
// them. Block progress is posted at most once per kBlockInterval, the last
// one always: a recorder faster than a drive would flood the window. Every
// notification answers E_NOTIMPL; the sink never asks to cancel.
#pragma once

#include <chrono>

#include "platform/com/ComObject.h"
#include "platform/imapi/Imapi.h"
#include "platform/olectl/WinUser.h"

class CProgressSink final : public ComObject<CProgressSink, IDiscMasterProgressEvents> {
 public:
  static constexpr std::chrono::milliseconds kBlockInterval{50};

  // hWndCtrl null: notifications raise nothing.
  static ComPtr<CProgressSink> Create(HWND hWndCtrl);
  HRESULT QueryCancel(boolean* pbCancel) override;
  HRESULT NotifyPnPActivity() override;
  HRESULT NotifyAddProgress(LONG nCompletedSteps, LONG nTotalSteps) override;
  HRESULT NotifyBlockProgress(LONG nCompleted, LONG nTotal) override;
  HRESULT NotifyTrackProgress(LONG nCurrentTrack, LONG nTotalTracks) override;
  HRESULT NotifyPreparingBurn(LONG nEstimatedSeconds) override;
  HRESULT NotifyClosingDisc(LONG nEstimatedSeconds) override;
  HRESULT NotifyBurnComplete(HRESULT status) override;
  HRESULT NotifyEraseComplete(HRESULT status) override;

  // Sinks alive in the process (for leak checks).
  static LONG GetLiveCount();

 private:
  friend struct ::ComAccess;
  explicit CProgressSink(HWND hWndCtrl);
  ~CProgressSink() override;
  HWND m_hWndCtrl;
  // Only the job's thread notifies.
  bool m_bBlocksPosted = false;
  std::chrono::steady_clock::time_point m_lastBlocksPost;
};
