// The control's jobs, each on a worker thread of its own with its own
// apartment and its own disc-mastering objects: the recorder listing behind
// InitControl, and the burn, erase and eject jobs. Each takes the parameter
// record of its kind and frees it before it ends. Burn, erase and eject run
// in a CJobRunner, which posts WM_JOB_DONE exactly once, on every path.
#pragma once

#include <string>
#include <vector>

#include "control/imapi/CDiscMaster.h"
#include "platform/olectl/CWinThread.h"

class CJobRunner;

class CCantrelJobs {
 public:
  static UINT DriveListThread(LPVOID pParam);
  static UINT BurnThread(LPVOID pParam);
  static UINT EraseThread(LPVOID pParam);
  static UINT EjectThread(LPVOID pParam);

  // Blocks handed to the service per call when staging (about 300 KB).
  static constexpr DWORD kStageBlocks = 128;

  // The error number for a staging result other than S_OK.
  static SHORT StagingErrorNumber(HRESULT hrStatus);

 private:
  // Runs pfnJob in a runner that takes over pParam, a JobParams of the job's kind.
  static UINT Run(LPVOID pParam, void (*pfnJob)(CJobRunner& job));
  static void Burn(CJobRunner& job);
  static void Erase(CJobRunner& job);
  static void Eject(CJobRunner& job);
  // 0 when the recorder holds a blank disc and there is something to burn,
  // else the error number; nothing is staged before.
  static SHORT CheckBurn(CJobRunner& job);
  // Stages every track; 0 when all were staged, else the error number.
  static SHORT StageTracks(CDiscMaster& master, const std::vector<std::u16string>& vecTracks);
};
