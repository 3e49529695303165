// The control's jobs, each on a worker thread of its own with its own
// apartment and its own disc-mastering objects: the recorder listing behind
// InitControl, and the burn, erase and eject jobs. Each takes a JobParams
// that it frees before it ends. Burn, erase and eject post WM_JOB_DONE
// exactly once, on every path.
#pragma once

#include <string>
#include <vector>

#include "control/imapi/CDiscMaster.h"
#include "platform/olectl/CWinThread.h"

class CCantrelJobs {
 public:
  static UINT DriveListThread(LPVOID pParam);
  static UINT BurnThread(LPVOID pParam);
  static UINT EraseThread(LPVOID pParam);
  static UINT EjectThread(LPVOID pParam);

  // The error number for a staging result other than S_OK.
  static SHORT StagingErrorNumber(HRESULT hrStatus);

 private:
  // Makes the recorder at position nDrive of the service's enumeration the
  // master's own; out of range, the recorder that Open obtained stays.
  static void ChooseRecorder(CDiscMaster& master, SHORT nDrive);
  // Stages every track; 0 when all were staged, else the error number.
  static SHORT StageTracks(CDiscMaster& master, const std::vector<std::u16string>& vecTracks);
};
