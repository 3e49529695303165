// What a method hands to the job thread it starts, one record per job kind.
// The job owns the record and frees it before it ends. The job never reaches
// the control itself: it posts to the control's window, which stops existing
// with the control, so a job that outlives its control only loses its
// messages.
#pragma once

#include <future>
#include <string>
#include <vector>

#include "control/drives/CDrives.h"
#include "platform/com/ComPtr.h"
#include "platform/olectl/WinUser.h"

// What every burn, erase and eject job needs; the eject job needs no more.
struct JobParams {
  virtual ~JobParams() = default;

  HWND hWndCtrl = nullptr;  // the control's window
  SHORT nDrive = 0;         // the Drive property when the job started
};

struct BurnJobParams final : JobParams {
  BOOL bSimulate = FALSE;
  BOOL bEjectAfterBurn = FALSE;
  std::vector<std::u16string> vecTracks;  // the track list when Burn started
};

struct EraseJobParams final : JobParams {
  BOOL bFullErase = FALSE;
};

// The recorder listing behind InitControl: the collection to fill (counted,
// so it outlives the control if need be) and the signal that the job is over.
struct DriveListJobParams {
  ComPtr<CDrives> pDrives;
  std::promise<void> done;
};
