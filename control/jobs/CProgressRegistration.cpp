#include "control/jobs/CProgressRegistration.h"

#include "control/jobs/CProgressSink.h"

CProgressRegistration::CProgressRegistration(CDiscMaster& master, HWND hWndCtrl) : m_master(master) {
  ComPtr<CProgressSink> pSink = CProgressSink::Create(hWndCtrl);
  m_hrAdvise = m_master.ProgressAdvise(pSink.Get(), &m_nCookie);
  m_bAdvised = SUCCEEDED(m_hrAdvise);
}

CProgressRegistration::~CProgressRegistration() { End(); }

void CProgressRegistration::End() {
  if (!m_bAdvised) return;
  m_bAdvised = false;
  // Not examined: a sink the service will not give back is released with
  // the service at the end of the job all the same.
  (void)m_master.ProgressUnadvise(m_nCookie);
}
