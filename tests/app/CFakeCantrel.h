// A stand-in for the burner control, registered in-process under the
// control's class id: the test scripts its answers and its recorders, reads
// back every call the window made, and raises the control's events.
#pragma once

#include <QString>
#include <QStringList>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/olectl/COleControl.h"

struct CFakeScript {
  std::vector<std::pair<QString, QString>> drives;  // vendor, product
  HRESULT hrInitControl = S_OK;
  HRESULT hrDrives = S_OK;       // reading Drives
  int nFailingDrive = -1;        // reading this element's VendorID fails: access denied
  SHORT nAddAudioTrack = 0;
  HRESULT hrAddAudioTrack = S_OK;
  HRESULT hrDrivePut = S_OK;
  SHORT nBurn = 1;
  HRESULT hrBurn = S_OK;
  QStringList calls;                      // "InitControl", "Drive=1", "Burn(0,-1,0)", ...
};

class CFakeCantrel : public COleControl {
 public:
  static CFakeScript& Script();
  // The instance that the window made, or null.
  static CFakeCantrel* Current();

  // Registers the class in-process; returns the cookie for Revoke.
  static DWORD Register();
  static void Revoke(DWORD dwCookie);

  void FireProgress(LONG lCompletedSteps, LONG lTotalSteps);
  void FireBurnComplete();
  void FireErrorEvent(SHORT iErrorNo);
  void FireClosingDisc(LONG iEsimatedSeconds);

  HRESULT GetClassID(LPCLSID pclsid) override;

  // Automation: each records the call, then answers as scripted.
  SHORT GetDrive() const { return m_nDrive; }
  HRESULT PutDrive(SHORT nDrive);
  HRESULT GetDrives(ComPtr<IDispatch>* pDrives) const;
  HRESULT InitControl(bool* pResult);
  void DeleteAllItems();
  HRESULT AddAudioTrack(std::u16string_view strFileName, SHORT* pResult);
  HRESULT Burn(bool bSimulate, bool bEjectAfterBurn, bool bFileOverWrite, SHORT* pResult);

  CFakeCantrel();

 protected:
  ~CFakeCantrel() override;
  const DispatchTable& GetDispatchTable() const override;

 public:
  SHORT m_nDrive = 0;
};
