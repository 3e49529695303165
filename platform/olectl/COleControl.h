// The control base: what a container sees of a control beyond its dispatch
// interface. It offers the event connection point, ambient properties from
// the client site, persistence through property exchange, drawing into a
// device context, the container protocol (client site, verbs, in-place
// rectangles, closing) and the control's window.
//
// The window exists from construction to destruction, whether or not a
// container activates the control: it is a message target on the thread
// that made the control, so that worker threads can post to it at any time
// (PostMessageW with GetSafeHwnd()). Its messages are handled through the
// class's message map on that thread while the thread runs its event loop.
// Once the control is destroyed its handle names no window and posts to it
// fail.
#pragma once

#include <memory>
#include <vector>

#include "platform/com/CConnectionPoint.h"
#include "platform/com/ComObject.h"
#include "platform/com/Variant.h"
#include "platform/olectl/CCmdTarget.h"
#include "platform/olectl/CDC.h"
#include "platform/olectl/CPropExchange.h"
#include "platform/olectl/CRect.h"
#include "platform/olectl/OleInterfaces.h"
#include "platform/olectl/WinUser.h"

class COleControl;
class CControlWindow;

using LPCLSID = CLSID*;

// ---- Message maps ----------------------------------------------------------

using AFX_PMSG = LRESULT (COleControl::*)(WPARAM, LPARAM);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // 0 ends the table
  AFX_PMSG pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                    \
 protected:                                      \
  static const AFX_MSGMAP* GetThisMessageMap();  \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                   \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                              \
    using ThisClass = theClass;                                                  \
    using TheBaseClass = baseClass;                                              \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
// memberFxn: LRESULT memberFxn(WPARAM, LPARAM)
#define ON_MESSAGE(message, memberFxn) {message, static_cast<AFX_PMSG>(&ThisClass::memberFxn)},

#define END_MESSAGE_MAP()                                                                  \
  { 0, nullptr }                                                                           \
  }                                                                                        \
  ;                                                                                        \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                      \
  }

// ---- The control base ------------------------------------------------------

class PX_EXPORT COleControl
    : public ComExtend<CCmdTarget, IConnectionPointContainer, IProvideClassInfo, IOleObject, IOleInPlaceObject,
                       IOleControl, IViewObject, IPersistStreamInit, IPersistPropertyBag, ISpecifyPropertyPages> {
 public:
  COleControl();


  // IDispatch: type information from GetTypeLib for the primary dispatch
  // interface; Invoke refuses (E_UNEXPECTED) what IsInvokeAllowed refuses.
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // IConnectionPointContainer: one connection point, for the event interface.
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

  // IProvideClassInfo: the class's description from the type library.
  HRESULT GetClassInfo(ITypeInfo** ppTI) override;

  // IOleObject.
  HRESULT SetClientSite(IOleClientSite* pClientSite) override;
  HRESULT GetClientSite(IOleClientSite** ppClientSite) override;
  HRESULT SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
  HRESULT Close(DWORD dwSaveOption) override;
  HRESULT SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) override;
  HRESULT GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
  HRESULT InitFromData(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
  HRESULT GetClipboardData(DWORD dwReserved, IDataObject** ppDataObject) override;
  HRESULT DoVerb(LONG iVerb, MSG* lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                 LPCRECT lprcPosRect) override;
  HRESULT EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) override;
  HRESULT Update() override;
  HRESULT IsUpToDate() override;
  HRESULT GetUserClassID(CLSID* pClsid) override;
  HRESULT GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
  HRESULT SetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
  HRESULT GetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
  HRESULT Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
  HRESULT Unadvise(DWORD dwConnection) override;
  HRESULT EnumAdvise(IEnumSTATDATA** ppenumAdvise) override;
  HRESULT GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) override;
  HRESULT SetColorScheme(LOGPALETTE* pLogpal) override;

  // IOleWindow / IOleInPlaceObject.
  HRESULT GetWindow(HWND* phwnd) override;
  HRESULT ContextSensitiveHelp(BOOL fEnterMode) override;
  HRESULT InPlaceDeactivate() override;
  HRESULT UIDeactivate() override;
  HRESULT SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
  HRESULT ReactivateAndUndo() override;

  // IOleControl. Override OnAmbientPropertyChange to react to a change of
  // an ambient property (the default asks for a redraw of nothing: S_OK).
  HRESULT GetControlInfo(CONTROLINFO* pCI) override;
  HRESULT OnMnemonic(MSG* pMsg) override;
  HRESULT OnAmbientPropertyChange(DISPID dispID) override;
  HRESULT FreezeEvents(BOOL bFreeze) override;

  // IViewObject: Draw calls OnDraw with a CDC on hdcDraw and the bounds.
  HRESULT Draw(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcTargetDev, HDC hdcDraw,
               LPCRECTL lprcBounds, LPCRECTL lprcWBounds, BOOL (*pfnContinue)(ULONG_PTR),
               ULONG_PTR dwContinue) override;
  HRESULT GetColorSet(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hicTargetDev,
                      LOGPALETTE** ppColorSet) override;
  HRESULT Freeze(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DWORD* pdwFreeze) override;
  HRESULT Unfreeze(DWORD dwFreeze) override;
  HRESULT SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) override;
  HRESULT GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) override;

  // IPersist (the class identifier: override in the control), and the two
  // persistence interfaces. Load and InitNew mark the control initialised;
  // a load that fails leaves the properties at their defaults.
  HRESULT GetClassID(LPCLSID pclsid) override = 0;
  HRESULT IsDirty() override;
  HRESULT Load(IStream* pStm) override;
  HRESULT Save(IStream* pStm, BOOL fClearDirty) override;
  HRESULT GetSizeMax(ULARGE_INTEGER* pCbSize) override;
  HRESULT InitNew() override;
  HRESULT Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) override;
  HRESULT Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;

  // ISpecifyPropertyPages: from GetPropPageIDs.
  HRESULT GetPages(CAUUID* pPages) override;

  // ---- Services for the derived control ----

  // Calls every connected event sink with the arguments in declaration
  // order; nothing happens while events are frozen or with no sink.
  void FireEvent(DISPID dispid, const std::vector<CVariant>& argsInOrder);
  // An ambient property from the client site's dispatch interface; VT_EMPTY
  // when there is no site or it does not answer.
  CVariant GetAmbientProperty(DISPID dispid);
  // The container's run mode: TRUE with no site or a site that does not say.
  BOOL AmbientUserMode();
  void SetModifiedFlag(BOOL bModified = TRUE);
  BOOL IsModified() const { return m_bModified; }
  // Tells the container (its property notification sink) that a bound
  // property changed.
  void BoundPropertyChanged(DISPID dispid);
  // The control's version stamp; see CPropExchange::ExchangeVersion.
  BOOL ExchangeVersion(CPropExchange* pPX, DWORD dwVersionDefault, BOOL bConvert = TRUE);
  // The control's window handle (valid for the control's whole life).
  HWND GetSafeHwnd() const { return m_hWnd; }
  // Moves/sizes the control's window in its container; hWndInsertAfter is
  // ignored (one window per site). The site is told of the new rectangle.
  BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  // The window's rectangle in container coordinates.
  CRect GetRectInContainer() const;
  BOOL IsInitialized() const { return m_bInitialized; }
  BOOL IsInPlaceActive() const { return m_bInPlaceActive; }
  const IID& GetPrimaryIID() const { return m_iidPrimary; }
  const IID& GetEventIID() const { return m_iidEvents; }

 protected:
  ~COleControl() override;

  // Called by the derived constructor: the primary dispatch interface and
  // the event interface.
  void InitializeIIDs(const IID* piidPrimary, const IID* piidEvents);

  // ---- Overridables ----
  // Default: calls are allowed once the control is initialised.
  virtual BOOL IsInvokeAllowed(DISPID dispid);
  // Default: TYPE_E_LIBNOTREGISTERED.
  virtual HRESULT GetTypeLib(LCID lcid, ITypeLib** ppTypeLib);
  // Default: the base properties (the extent).
  virtual void DoPropExchange(CPropExchange* pPX);
  // Default: DoPropExchange with every property at its default.
  virtual void OnResetState();
  // pdc may be null (then nothing is to be drawn).
  virtual void OnDraw(CDC* pdc, const CRect& rcBounds, const CRect& rcInvalid);
  // The Properties verb: a modal frame with the control's pages.
  virtual HRESULT OnProperties();
  // The property pages' class identifiers (default: none).
  virtual LPCLSID GetPropPageIDs(ULONG& cPropPages);
  // The string resource of the type name (default 0: none).
  virtual UINT GetUserTypeNameID();
  virtual DWORD GetMiscStatus();
  // Dispatches a window message through the message map; 0 when unmapped.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual const AFX_MSGMAP* GetMessageMap() const;
  static const AFX_MSGMAP* GetThisMessageMap();

  // Shows one of the control library's dialog resources modally.
  INT_PTR DoModalDialog(UINT nIDTemplate);

  void* GetInterfaceHook(REFIID riid) override;

 private:
  friend class CControlWindow;
  LRESULT DispatchWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  HRESULT LoadFrom(CPropExchange* pPX);
  void ExchangeBase(CPropExchange* pPX);

  IID m_iidPrimary = IID_NULL;
  IID m_iidEvents = IID_NULL;
  std::unique_ptr<CConnectionPoint> m_pEventCP;
  ComPtr<IOleClientSite> m_pClientSite;
  CControlWindow* m_pWindow = nullptr;
  HWND m_hWnd = nullptr;
  CRect m_rcPos;
  SIZEL m_sizeExtent = {2540, 2540};  // HIMETRIC
  LONG m_nFreezeEvents = 0;
  BOOL m_bModified = FALSE;
  BOOL m_bInitialized = FALSE;
  BOOL m_bInPlaceActive = FALSE;
};
