#include "control/jobs/CCantrelJobs.h"

#include <memory>

#include "control/jobs/CJobApartment.h"
#include "control/jobs/CJobRunner.h"
#include "control/jobs/ErrorNumbers.h"
#include "control/jobs/JobMessages.h"
#include "control/jobs/JobParams.h"
#include "control/tracks/CWavReader.h"
#include "platform/com/Bstr.h"

namespace {

// Another program holds the recorder: worth telling apart from a bad disc.
// A recorder this user may not open (NOTACCESSIBLE) is not busy: it is no
// usable recorder, and waiting would not help.
bool IsRecorderInUse(HRESULT hr) { return hr == IMAPI_E_DEVICE_STILL_IN_USE; }

}  // namespace

SHORT CCantrelJobs::StagingErrorNumber(HRESULT hrStatus) {
  switch (hrStatus) {
    case E_INVALIDARG:
      return CANTREL_ERR_INVALIDARG;
    case IMAPI_E_NOTOPENED:
      return CANTREL_ERR_NOTOPENED;
    case IMAPI_E_TRACKNOTOPEN:
      return CANTREL_ERR_TRACKNOTOPEN;
    case IMAPI_E_DISCFULL:
      return CANTREL_ERR_DISCFULL;
    default:
      return CANTREL_ERR_STAGING;
  }
}

SHORT CCantrelJobs::StageTracks(CDiscMaster& master, const std::vector<std::u16string>& vecTracks) {
  // Large pieces: the service writes each one with a single system call.
  std::unique_ptr<BYTE[]> pBlocks(new BYTE[kStageBlocks * CWavReader::kBlockSize]);
  for (const std::u16string& strPath : vecTracks) {
    CWavReader reader;
    // A file that vanished or lost its audio since it was added must not
    // leave a disc without that track reported as burnt.
    if (!reader.Open(strPath) || reader.LastError() != CWavReader::Error::None) return CANTREL_ERR_TRACKFILE;
    HRESULT hr = master.CreateAudioTrack(static_cast<LONG>(reader.BlockCount()));
    if (hr != S_OK) return StagingErrorNumber(hr);
    SHORT nError = 0;
    for (DWORD nBlocks; nError == 0 && (nBlocks = reader.NextBlocks(pBlocks.get(), kStageBlocks)) > 0;) {
      hr = master.AddAudioTrackBlocks(pBlocks.get(), static_cast<LONG>(nBlocks * CWavReader::kBlockSize));
      if (hr != S_OK) nError = StagingErrorNumber(hr);
    }
    if (nError == 0 && !reader.Complete()) nError = CANTREL_ERR_TRACKFILE;
    if (nError != 0) {
      // Not examined: the failure already met is the one reported.
      (void)master.CloseAudioTrack();
      return nError;
    }
    hr = master.CloseAudioTrack();
    if (hr != S_OK) return StagingErrorNumber(hr);
  }
  return 0;
}

UINT CCantrelJobs::DriveListThread(LPVOID pParam) {
  std::unique_ptr<DriveListJobParams> pParams(static_cast<DriveListJobParams*>(pParam));
  if (!pParams) return 0;
  if (pParams->pDrives) {
    CJobApartment apartment;
    CDiscMaster master;
    if (master.Open() == S_OK) {
      IID iidFormat = IID_NULL;
      if (FAILED(master.GetActiveFormat(&iidFormat))) {
        master.ReleaseRecorder();
      } else {
        CRecorder recorder;
        for (HRESULT hr = master.GetFirstRecorder(recorder); hr == S_OK; hr = master.GetNextRecorder(recorder)) {
          CBstr bstrVendor, bstrProduct, bstrRevision;
          // Not examined: a recorder that cannot name itself is listed with
          // empty names, so that positions still match the jobs' Drive.
          (void)recorder.GetDisplayNames(bstrVendor.ReleaseAndGetAddressOf(), bstrProduct.ReleaseAndGetAddressOf(),
                                         bstrRevision.ReleaseAndGetAddressOf());
          pParams->pDrives->Add(bstrVendor.View(), bstrProduct.View(), bstrRevision.View());
        }
      }
      master.Close();
    }
  }
  // The collection reference goes before the waiter is released.
  pParams->pDrives = nullptr;
  pParams->done.set_value();
  return 0;
}

UINT CCantrelJobs::Run(LPVOID pParam, void (*pfnJob)(CJobRunner& job)) {
  if (!pParam) return 0;
  CJobRunner job(std::unique_ptr<JobParams>(static_cast<JobParams*>(pParam)));
  pfnJob(job);
  return 0;
}

UINT CCantrelJobs::BurnThread(LPVOID pParam) { return Run(pParam, &Burn); }
UINT CCantrelJobs::EraseThread(LPVOID pParam) { return Run(pParam, &Erase); }
UINT CCantrelJobs::EjectThread(LPVOID pParam) { return Run(pParam, &Eject); }

SHORT CCantrelJobs::CheckBurn(CJobRunner& job) {
  CDiscMaster& master = job.Master();
  const HRESULT hrOpen = master.OpenExclusive();
  LONG lMediaType = 0, lMediaFlags = 0;
  // Not examined: a recorder that did not open or answer leaves the flags
  // at 0, which is a disc that is not blank.
  (void)master.QueryMediaType(&lMediaType, &lMediaFlags);
  // Not examined: nothing was written, and the recording opens the recorder anew.
  (void)master.CloseExclusive();
  if (IsRecorderInUse(hrOpen)) return CANTREL_ERR_INUSE;
  if (!(lMediaFlags & MEDIA_BLANK)) return CANTREL_ERR_NOTBLANK;
  // Nothing to burn is not a burnt disc.
  if (job.Params<BurnJobParams>().vecTracks.empty()) return CANTREL_ERR_STAGING;
  return 0;
}

void CCantrelJobs::Burn(CJobRunner& job) {
  const BurnJobParams& params = job.Params<BurnJobParams>();
  CDiscMaster& master = job.Master();
  if (SHORT nError = CheckBurn(job)) {
    job.PostError(nError);
  } else {
    // Not examined: without the audio format the first track is refused,
    // and that is reported.
    (void)master.SetActiveFormat(IID_IRedbookDiscMaster);
    CProgressRegistration progress = job.RegisterProgress();
    nError = progress.Result() == S_OK ? StageTracks(master, params.vecTracks) : StagingErrorNumber(progress.Result());
    if (nError == 0) {
      HRESULT hrRecord = master.RecordDisc(params.bSimulate != 0, params.bEjectAfterBurn != 0);
      if (FAILED(hrRecord)) nError = IsRecorderInUse(hrRecord) ? CANTREL_ERR_INUSE : CANTREL_ERR_RECORD;
    }
    if (nError != 0) {
      job.PostError(nError);
    } else {
      // Not busy at BurnComplete, so its handler may burn again; the sink goes before it, so nothing follows it.
      job.EndJob();
      progress.End();
      job.Post(WM_BURN_COMPLETE);
    }
  }
  master.Close();
}

void CCantrelJobs::Erase(CJobRunner& job) {
  CDiscMaster& master = job.Master();
  // Its result only decides whether the sink is given back: an erase that
  // cannot report progress still erases.
  CProgressRegistration progress = job.RegisterProgress();
  // A recorder that cannot be opened is an erase that failed: without an
  // event the host could not tell a finished job from a running one.
  HRESULT hrErase = master.OpenExclusive();
  if (SUCCEEDED(hrErase)) {
    hrErase = master.Erase(job.Params<EraseJobParams>().bFullErase != 0);
    // Not examined: the erase has already given its result.
    (void)master.CloseExclusive();
  }
  if (IsRecorderInUse(hrErase))
    job.PostError(CANTREL_ERR_INUSE);
  else if (FAILED(hrErase))
    job.PostError(CANTREL_ERR_ERASE);
  else
    job.Post(WM_ERASE_COMPLETE);
}

void CCantrelJobs::Eject(CJobRunner& job) {
  CDiscMaster& master = job.Master();
  if (SUCCEEDED(master.OpenExclusive())) {
    // Not examined: an eject reports nothing, whether the tray opened or not.
    (void)master.Eject();
    (void)master.CloseExclusive();
  }
}
