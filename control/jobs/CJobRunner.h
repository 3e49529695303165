// The frame of a burn, erase or eject job on its worker thread. It owns the
// job's parameter record and apartment, opens the service and makes the
// recorder at the record's Drive position the active one, and posts the
// end-of-job message exactly once, whichever way the job ends: at EndJob,
// or else when the runner goes. Its service objects go before its apartment.
#pragma once

#include <memory>

#include "control/imapi/CDiscMaster.h"
#include "control/jobs/CJobApartment.h"
#include "control/jobs/CProgressRegistration.h"
#include "control/jobs/JobParams.h"

class CJobRunner {
 public:
  explicit CJobRunner(std::unique_ptr<JobParams> pParams);
  ~CJobRunner();
  CJobRunner(const CJobRunner&) = delete;
  CJobRunner& operator=(const CJobRunner&) = delete;

  // The record as the kind of job that it was made for.
  template <class TParams>
  const TParams& Params() const {
    return static_cast<const TParams&>(*m_pParams);
  }
  CDiscMaster& Master() { return m_master; }

  // Posts to the control's window; a control that is gone loses the message.
  void Post(UINT message, LPARAM lParam = 0) const;
  void PostError(SHORT nErrorNo) const;
  // Ends the busy state now; nothing is posted for it later.
  void EndJob();
  CProgressRegistration RegisterProgress();

 private:
  // Makes the recorder at position nDrive of the service's enumeration the
  // master's own; out of range, the recorder that Open obtained stays.
  void ChooseRecorder(SHORT nDrive);

  std::unique_ptr<JobParams> m_pParams;
  CJobApartment m_apartment;
  CDiscMaster m_master;
  bool m_bEnded = false;
};
