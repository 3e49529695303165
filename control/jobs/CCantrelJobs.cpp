#include "control/jobs/CCantrelJobs.h"

#include <memory>

#include "control/jobs/CProgressSink.h"
#include "control/jobs/ErrorNumbers.h"
#include "control/jobs/JobMessages.h"
#include "control/jobs/JobParams.h"
#include "control/tracks/CWavReader.h"
#include "platform/com/Apartment.h"
#include "platform/com/Bstr.h"

namespace {

// The job's apartment: entered first, left last, after every wrapper is gone.
class CJobApartment {
 public:
  CJobApartment() : m_hr(CoInitialize(nullptr)) {}
  ~CJobApartment() {
    if (SUCCEEDED(m_hr)) CoUninitialize();
  }
  CJobApartment(const CJobApartment&) = delete;
  CJobApartment& operator=(const CJobApartment&) = delete;

 private:
  HRESULT m_hr;
};

void Post(const JobParams& params, UINT message, LPARAM lParam = 0) {
  // A control that is gone has no window: the message is dropped.
  PostMessageW(params.hWndCtrl, message, 0, lParam);
}

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

void CCantrelJobs::ChooseRecorder(CDiscMaster& master, SHORT nDrive) {
  CRecorder recorder;
  int nPosition = 0;
  for (HRESULT hr = master.GetFirstRecorder(recorder); hr == S_OK; hr = master.GetNextRecorder(recorder), ++nPosition) {
    if (nPosition == nDrive) {
      master.ReleaseRecorder();
      master.SetActiveRecorder(recorder);
      return;
    }
  }
}

SHORT CCantrelJobs::StageTracks(CDiscMaster& master, const std::vector<std::u16string>& vecTracks) {
  std::unique_ptr<BYTE[]> pBlock(new BYTE[CWavReader::kBlockSize]);
  for (const std::u16string& strPath : vecTracks) {
    CWavReader reader;
    // A file that vanished or lost its audio since it was added must not
    // leave a disc without that track reported as burnt.
    if (!reader.Open(strPath) || reader.LastError() != CWavReader::Error::None) return CANTREL_ERR_TRACKFILE;
    HRESULT hr = master.CreateAudioTrack(static_cast<LONG>(reader.BlockCount()));
    if (hr != S_OK) return StagingErrorNumber(hr);
    while (reader.NextBlock(pBlock.get())) {
      hr = master.AddAudioTrackBlocks(pBlock.get(), static_cast<LONG>(CWavReader::kBlockSize));
      if (hr != S_OK) {
        master.CloseAudioTrack();
        return StagingErrorNumber(hr);
      }
    }
    if (!reader.Complete()) {
      master.CloseAudioTrack();
      return CANTREL_ERR_TRACKFILE;
    }
    hr = master.CloseAudioTrack();
    if (hr != S_OK) return StagingErrorNumber(hr);
  }
  return 0;
}

UINT CCantrelJobs::DriveListThread(LPVOID pParam) {
  std::unique_ptr<JobParams> pParams(static_cast<JobParams*>(pParam));
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
          recorder.GetDisplayNames(bstrVendor.ReleaseAndGetAddressOf(), bstrProduct.ReleaseAndGetAddressOf(),
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

namespace {

// Another program holds the recorder: worth telling apart from a bad disc.
bool IsRecorderInUse(HRESULT hr) {
  return hr == IMAPI_E_DEVICE_NOTACCESSIBLE || hr == IMAPI_E_DEVICE_STILL_IN_USE;
}

// Registers a new sink bound to the control's window; from then on the
// service alone keeps it (a refused registration frees it at once).
HRESULT AdviseProgressSink(CDiscMaster& master, const JobParams& params, UINT_PTR* pnCookie) {
  ComPtr<CProgressSink> pSink = CProgressSink::Create(params.hWndCtrl);
  return master.ProgressAdvise(pSink.Get(), pnCookie);
}

}  // namespace

UINT CCantrelJobs::BurnThread(LPVOID pParam) {
  std::unique_ptr<JobParams> pParams(static_cast<JobParams*>(pParam));
  if (!pParams) return 0;
  const JobParams& params = *pParams;
  CJobApartment apartment;
  {
    CDiscMaster master;
    master.Open();
    ChooseRecorder(master, params.nDrive);

    const HRESULT hrOpen = master.OpenExclusive();
    LONG lMediaType = 0, lMediaFlags = 0;
    master.QueryMediaType(&lMediaType, &lMediaFlags);
    master.CloseExclusive();

    if (IsRecorderInUse(hrOpen)) {
      Post(params, WM_JOB_ERROR, CANTREL_ERR_INUSE);
      Post(params, WM_JOB_DONE);
    } else if (!(lMediaFlags & MEDIA_BLANK)) {
      Post(params, WM_JOB_ERROR, CANTREL_ERR_NOTBLANK);
      Post(params, WM_JOB_DONE);
    } else if (params.vecTracks.empty()) {
      // Nothing to burn is not a burnt disc.
      Post(params, WM_JOB_ERROR, CANTREL_ERR_STAGING);
      Post(params, WM_JOB_DONE);
    } else {
      master.SetActiveFormat(IID_IRedbookDiscMaster);

      UINT_PTR nCookie = 0;
      HRESULT hrStatus = AdviseProgressSink(master, params, &nCookie);
      const bool bAdvised = SUCCEEDED(hrStatus);

      SHORT nError = hrStatus == S_OK ? StageTracks(master, params.vecTracks) : StagingErrorNumber(hrStatus);
      if (nError == 0) {
        HRESULT hrRecord = master.RecordDisc(params.bSimulate != 0, params.bEjectAfterBurn != 0);
        if (FAILED(hrRecord)) nError = IsRecorderInUse(hrRecord) ? CANTREL_ERR_INUSE : CANTREL_ERR_RECORD;
      }
      if (nError == 0) {
        Post(params, WM_JOB_DONE);
        if (bAdvised) master.ProgressUnadvise(nCookie);
        Post(params, WM_BURN_COMPLETE);
      } else {
        Post(params, WM_JOB_ERROR, nError);
        Post(params, WM_JOB_DONE);
        if (bAdvised) master.ProgressUnadvise(nCookie);
      }
    }
    master.Close();
  }
  return 0;
}

UINT CCantrelJobs::EraseThread(LPVOID pParam) {
  std::unique_ptr<JobParams> pParams(static_cast<JobParams*>(pParam));
  if (!pParams) return 0;
  const JobParams& params = *pParams;
  {
    CJobApartment apartment;
    CDiscMaster master;
    master.Open();
    ChooseRecorder(master, params.nDrive);

    UINT_PTR nCookie = 0;
    HRESULT hrAdvise = AdviseProgressSink(master, params, &nCookie);

    // A recorder that cannot be opened is an erase that failed: without an
    // event the host could not tell a finished job from a running one.
    HRESULT hrErase = master.OpenExclusive();
    if (SUCCEEDED(hrErase)) {
      hrErase = master.Erase(params.bFullErase != 0);
      master.CloseExclusive();
    }
    if (IsRecorderInUse(hrErase))
      Post(params, WM_JOB_ERROR, CANTREL_ERR_INUSE);
    else if (FAILED(hrErase))
      Post(params, WM_JOB_ERROR, CANTREL_ERR_ERASE);
    else
      Post(params, WM_ERASE_COMPLETE);
    if (SUCCEEDED(hrAdvise)) master.ProgressUnadvise(nCookie);
  }
  Post(params, WM_JOB_DONE);
  return 0;
}

UINT CCantrelJobs::EjectThread(LPVOID pParam) {
  std::unique_ptr<JobParams> pParams(static_cast<JobParams*>(pParam));
  if (!pParams) return 0;
  const JobParams& params = *pParams;
  CJobApartment apartment;
  {
    CDiscMaster master;
    master.Open();
    ChooseRecorder(master, params.nDrive);
    if (SUCCEEDED(master.OpenExclusive())) {
      master.Eject();
      master.CloseExclusive();
    }
    Post(params, WM_JOB_DONE);
  }
  return 0;
}
