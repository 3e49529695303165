// A progress sink bound to the control's window, registered with the
// service for as long as this object lives or until End. From registration
// on the service alone keeps the sink; a refused registration frees it at
// once.
#pragma once

#include "control/imapi/CDiscMaster.h"
#include "platform/olectl/WinUser.h"

class CProgressRegistration {
 public:
  CProgressRegistration(CDiscMaster& master, HWND hWndCtrl);
  ~CProgressRegistration();
  CProgressRegistration(const CProgressRegistration&) = delete;
  CProgressRegistration& operator=(const CProgressRegistration&) = delete;

  // What ProgressAdvise answered.
  HRESULT Result() const { return m_hrAdvise; }
  // Unregisters the sink now; later calls do nothing.
  void End();

 private:
  CDiscMaster& m_master;
  UINT_PTR m_nCookie = 0;
  HRESULT m_hrAdvise;
  bool m_bAdvised;
};
