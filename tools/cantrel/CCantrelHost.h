// The cantrel tool's container for the control: creates it by its ProgID,
// sites it in run mode, receives its events through the connection point,
// calls it late-bound through IDispatch and runs the event loop that the
// control's window needs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "platform/olectl/COleControlSite.h"

class CCantrelHost {
 public:
  struct DriveInfo {
    std::string vendor, product, revision;
  };
  using EventHandler = std::function<void(DISPID dispid, const std::vector<CVariant>& args)>;

  CCantrelHost();
  // Closes the control and waits (a bounded time) until its library has
  // ended the threads it still runs.
  ~CCantrelHost();
  CCantrelHost(const CCantrelHost&) = delete;
  CCantrelHost& operator=(const CCantrelHost&) = delete;

  // On failure *pWhy says what is wrong and how to put it right.
  HRESULT Create(EventHandler handler, std::string* pWhy);

  HRESULT Call(DISPID dispid, WORD wFlags, std::vector<CVariant> args, CVariant* pResult);
  // The recorders, after InitControl.
  HRESULT ListDrives(std::vector<DriveInfo>* pDrives);

  // Runs the event loop until done() or timeoutMs.
  static bool PumpUntil(const std::function<bool()>& done, int timeoutMs);
  // Lets the control go and waits up to timeoutMs for its threads to end.
  void CloseAndWait(int timeoutMs);

  // The folder of this program (where the control library lies when built).
  static std::string ProgramFolder();

 private:
  std::unique_ptr<COleControlSite> m_pSite;
  std::string m_strLibrary;
  bool m_bApartment = false;
};
