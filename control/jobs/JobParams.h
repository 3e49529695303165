// What a method hands to the job thread it starts. The job owns the record
// and frees it before it ends. The job never reaches the control itself:
// it posts to the control's window, which stops existing with the control,
// so a job that outlives its control only loses its messages.
#pragma once

#include <future>
#include <string>
#include <vector>

#include "control/drives/CDrives.h"
#include "platform/com/ComPtr.h"
#include "platform/olectl/WinUser.h"

struct JobParams {
  HWND hWndCtrl = nullptr;  // the control's window
  SHORT nDrive = 0;         // the Drive property when the job started
  // Burn.
  BOOL bSimulate = FALSE;
  BOOL bEjectAfterBurn = FALSE;
  std::vector<std::u16string> vecTracks;  // the track list when Burn started
  // Erase.
  BOOL bFullErase = FALSE;
  // Drive list: the collection to fill (counted, so it outlives the control
  // if need be) and the signal that the job is over.
  ComPtr<CDrives> pDrives;
  std::promise<void> done;
};
