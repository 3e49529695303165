// The container side of a control, for hosts (the firmware burner, tools,
// tests): creates a control by class identifier, sites it (ambient user mode
// run or design), places it, connects an event sink that calls back with the
// event's DISPID and arguments, draws it, saves and loads it, and closes it.
// A site belongs to the thread that made it; events and the control's window
// messages arrive on that thread while it runs its event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "platform/olectl/CRect.h"
#include "platform/olectl/OleInterfaces.h"

class PX_EXPORT COleControlSite {
 public:
  // Arguments in declaration order.
  using EventHandler = std::function<void(DISPID dispid, const std::vector<CVariant>& args)>;
  using PropertyChangedHandler = std::function<void(DISPID dispid)>;

  // bUserMode: the ambient user mode the site reports (TRUE: run mode).
  explicit COleControlSite(BOOL bUserMode = TRUE);
  // Disconnects the events, closes the control and lets it go.
  ~COleControlSite();
  COleControlSite(const COleControlSite&) = delete;
  COleControlSite& operator=(const COleControlSite&) = delete;

  // Creates the control (CoCreateInstance, CLSCTX_INPROC_SERVER), gives it
  // this site, initialises it (InitNew) and activates it in place at rcPos.
  HRESULT CreateControl(REFCLSID clsid, const RECT& rcPos);
  // The same for a control that the host made some other way.
  HRESULT AttachControl(IUnknown* pControl, const RECT& rcPos, BOOL bInitNew = TRUE);
  // Connects handler to the control's connection point for iidEvents.
  HRESULT ConnectEvents(REFIID iidEvents, EventHandler handler);
  void DisconnectEvents();
  void SetPropertyChangedHandler(PropertyChangedHandler handler);

  // Changes the ambient user mode and tells the control.
  void SetUserMode(BOOL bUserMode);
  BOOL GetUserMode() const;
  // Places the control (IOleInPlaceObject::SetObjectRects).
  HRESULT SetRect(const RECT& rcPos);
  // The control's rectangle as it last reported it (or as placed).
  CRect GetRect() const;

  // Draws the control into a cx x cy image (0xAARRGGBB pixels, row by row,
  // the background white); the control's drawing bounds are the whole image.
  HRESULT DrawToImage(int cx, int cy, std::vector<uint32_t>* pPixels);
  // Draws into a device context the host made (see qt/QtInterop.h).
  HRESULT Draw(HDC hdc, const RECT& rcBounds);

  // Persistence through the control's IPersistStreamInit / IPersistPropertyBag.
  HRESULT SaveToStream(std::vector<uint8_t>* pBytes, BOOL fClearDirty = TRUE);
  HRESULT LoadFromStream(const std::vector<uint8_t>& bytes);
  HRESULT SaveToPropertyBag(std::map<std::u16string, CVariant>* pValues, BOOL fClearDirty = TRUE);
  HRESULT LoadFromPropertyBag(const std::map<std::u16string, CVariant>& values);

  // Closes the control (IOleObject::Close) and takes the site back; the
  // site keeps no reference to the control afterwards.
  void Close();

  IUnknown* GetControlUnknown() const;
  ComPtr<IDispatch> GetDispatch() const;
  template <class T>
  ComPtr<T> Query() const {
    ComPtr<T> p;
    if (IUnknown* unk = GetControlUnknown()) (void)unk->QueryInterface(PX_IID(T), p.ReleaseAndGetVoidAddress());
    return p;
  }

  // Runs the calling thread's event loop until done() answers true or
  // timeoutMs have passed; returns done()'s last answer. Makes the process's
  // event-loop application object first if there is none.
  static bool PumpMessagesUntil(const std::function<bool()>& done, int timeoutMs);
  // Runs the event loop for msecs.
  static void PumpMessagesFor(int msecs);
  // Makes the process's event-loop application object if there is none
  // (hosts without a user interface: tools, tests): a core one, so that a
  // host showing nothing never loads the graphical toolkit. Text is drawn
  // only under a graphical one, which a host that draws makes first.
  static void EnsureApplication();

  struct Impl;

 private:
  // How often a wait looks at a condition that no posted message announces.
  static constexpr int kRecheckMs = 10;
  // Handles what arrives, sleeping until the first message or msecs.
  static void WaitForEvents(int msecs);

  std::unique_ptr<Impl> m_pImpl;
};
