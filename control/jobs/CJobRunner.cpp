#include "control/jobs/CJobRunner.h"

#include "control/jobs/JobMessages.h"

CJobRunner::CJobRunner(std::unique_ptr<JobParams> pParams) : m_pParams(std::move(pParams)) {
  // Not examined: a service that did not open answers E_FAIL from then on,
  // and each job reports that where the step that needs the service fails.
  (void)m_master.Open();
  ChooseRecorder(m_pParams->nDrive);
}

CJobRunner::~CJobRunner() { EndJob(); }

void CJobRunner::Post(UINT message, LPARAM lParam) const {
  (void)PostMessageW(m_pParams->hWndCtrl, message, 0, lParam);
}

void CJobRunner::PostError(SHORT nErrorNo) const { Post(WM_JOB_ERROR, nErrorNo); }

void CJobRunner::EndJob() {
  if (m_bEnded) return;
  m_bEnded = true;
  Post(WM_JOB_DONE);
}

CProgressRegistration CJobRunner::RegisterProgress() { return CProgressRegistration(m_master, m_pParams->hWndCtrl); }

void CJobRunner::ChooseRecorder(SHORT nDrive) {
  CRecorder recorder;
  int nPosition = 0;
  for (HRESULT hr = m_master.GetFirstRecorder(recorder); hr == S_OK;
       hr = m_master.GetNextRecorder(recorder), ++nPosition) {
    if (nPosition == nDrive) {
      m_master.ReleaseRecorder();
      // Not examined: the master works on the chosen recorder either way,
      // and a recorder the service refuses fails when the job opens it.
      (void)m_master.SetActiveRecorder(recorder);
      return;
    }
  }
}
