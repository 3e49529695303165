// The persistence and container interfaces between a control and its
// container, in the platform's method orders and with its identities. Types
// that this platform does not model (monikers, data objects, advise sinks,
// target devices, messages) appear as opaque pointers; the methods that take
// them answer E_NOTIMPL.
#pragma once

#include "platform/com/Interfaces.h"
#include "platform/olectl/WinUser.h"

#define PX_OLE_IID(l, w1, w2) \
  { l, w1, w2, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } }

inline constexpr IID IID_ISequentialStream = {0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
inline constexpr IID IID_IStream = PX_OLE_IID(0x0000000C, 0, 0);
inline constexpr IID IID_IPersist = PX_OLE_IID(0x0000010C, 0, 0);
inline constexpr IID IID_IPersistStreamInit = {0x7FD52380, 0x4E07, 0x101B, {0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
inline constexpr IID IID_IPersistPropertyBag = {0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr IID IID_IPropertyBag = {0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr IID IID_IErrorLog = {0x3127CA40, 0x446E, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr IID IID_IOleObject = PX_OLE_IID(0x00000112, 0, 0);
inline constexpr IID IID_IOleClientSite = PX_OLE_IID(0x00000118, 0, 0);
inline constexpr IID IID_IOleWindow = PX_OLE_IID(0x00000114, 0, 0);
inline constexpr IID IID_IOleInPlaceObject = PX_OLE_IID(0x00000113, 0, 0);
inline constexpr IID IID_IOleInPlaceSite = PX_OLE_IID(0x00000119, 0, 0);
inline constexpr IID IID_IViewObject = PX_OLE_IID(0x0000010D, 0, 0);
inline constexpr IID IID_IOleControl = {0xB196B288, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_ISpecifyPropertyPages = {0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IPropertyNotifySink = {0x9BFBBC02, 0xEFF1, 0x101A, {0x84, 0xED, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

// Storage results.
constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001);
constexpr HRESULT STG_E_READFAULT = static_cast<HRESULT>(0x8003001E);
constexpr HRESULT STG_E_WRITEFAULT = static_cast<HRESULT>(0x8003001D);
constexpr HRESULT STG_E_INVALIDPOINTER = static_cast<HRESULT>(0x80030009);
constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070);
constexpr HRESULT OLE_E_NOCONNECTION = static_cast<HRESULT>(0x80040004);
constexpr HRESULT OLE_E_NOTRUNNING = static_cast<HRESULT>(0x80040005);
constexpr HRESULT OLE_S_USEREG = static_cast<HRESULT>(0x00040000);
constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = static_cast<HRESULT>(0x80040003);
constexpr HRESULT DV_E_DVASPECT = static_cast<HRESULT>(0x8004006B);
constexpr HRESULT OLEOBJ_S_INVALIDVERB = static_cast<HRESULT>(0x00040180);
constexpr HRESULT OLEOBJ_E_NOVERBS = static_cast<HRESULT>(0x80040180);


// Verbs.
constexpr LONG OLEIVERB_PRIMARY = 0;
constexpr LONG OLEIVERB_SHOW = -1;
constexpr LONG OLEIVERB_OPEN = -2;
constexpr LONG OLEIVERB_HIDE = -3;
constexpr LONG OLEIVERB_UIACTIVATE = -4;
constexpr LONG OLEIVERB_INPLACEACTIVATE = -5;
constexpr LONG OLEIVERB_DISCARDUNDOSTATE = -6;
constexpr LONG OLEIVERB_PROPERTIES = -7;

// IOleObject::Close options.
constexpr DWORD OLECLOSE_SAVEIFDIRTY = 0;
constexpr DWORD OLECLOSE_NOSAVE = 1;
constexpr DWORD OLECLOSE_PROMPTSAVE = 2;

// Aspects.
constexpr DWORD DVASPECT_CONTENT = 1;

// IOleObject::GetUserType forms.
constexpr DWORD USERCLASSTYPE_FULL = 1;
constexpr DWORD USERCLASSTYPE_SHORT = 2;
constexpr DWORD USERCLASSTYPE_APPNAME = 3;

// Miscellaneous status bits.
constexpr DWORD OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr DWORD OLEMISC_CANTLINKINSIDE = 0x10;
constexpr DWORD OLEMISC_INSIDEOUT = 0x80;
constexpr DWORD OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr DWORD OLEMISC_INVISIBLEATRUNTIME = 0x400;
constexpr DWORD OLEMISC_SETCLIENTSITEFIRST = 0x20000;

// Seek origins.
constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

struct IMoniker;
struct IDataObject;
struct IAdviseSink;
struct IEnumOLEVERB;
struct IEnumSTATDATA;
struct IOleContainer;
struct DVTARGETDEVICE;
struct LOGPALETTE;
struct MSG;
struct CONTROLINFO;
struct IOleInPlaceFrame;
struct IOleInPlaceUIWindow;
struct OLEINPLACEFRAMEINFO;

struct LARGE_INTEGER {
  LONGLONG QuadPart;
};
struct ULARGE_INTEGER {
  ULONGLONG QuadPart;
};
struct SIZEL {
  LONG cx;
  LONG cy;
};

// Stream statistics (trimmed to what a memory stream knows).
struct STATSTG {
  LPOLESTR pwcsName;
  DWORD type;
  ULARGE_INTEGER cbSize;
};

struct CAUUID {
  ULONG cElems;
  GUID* pElems;  // CoTaskMemAlloc'ed; the caller frees it
};

struct ISequentialStream : IUnknown {
  virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
  virtual HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;

 protected:
  ~ISequentialStream() = default;
};

struct IStream : ISequentialStream {
  virtual HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) = 0;
  virtual HRESULT SetSize(ULARGE_INTEGER libNewSize) = 0;
  virtual HRESULT CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) = 0;
  virtual HRESULT Commit(DWORD grfCommitFlags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
  virtual HRESULT UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
  virtual HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) = 0;
  virtual HRESULT Clone(IStream** ppstm) = 0;

 protected:
  ~IStream() = default;
};

struct IErrorLog : IUnknown {
  virtual HRESULT AddError(LPCOLESTR pszPropName, EXCEPINFO* pExcepInfo) = 0;

 protected:
  ~IErrorLog() = default;
};

struct IPropertyBag : IUnknown {
  // E_INVALIDARG when the bag holds no such property. A VT_EMPTY *pVar asks
  // for the stored type; otherwise the value is converted to pVar->vt.
  virtual HRESULT Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) = 0;
  virtual HRESULT Write(LPCOLESTR pszPropName, VARIANT* pVar) = 0;

 protected:
  ~IPropertyBag() = default;
};

struct IPersist : IUnknown {
  virtual HRESULT GetClassID(CLSID* pClassID) = 0;

 protected:
  ~IPersist() = default;
};

struct IPersistStreamInit : IPersist {
  virtual HRESULT IsDirty() = 0;
  virtual HRESULT Load(IStream* pStm) = 0;
  virtual HRESULT Save(IStream* pStm, BOOL fClearDirty) = 0;
  virtual HRESULT GetSizeMax(ULARGE_INTEGER* pCbSize) = 0;
  virtual HRESULT InitNew() = 0;

 protected:
  ~IPersistStreamInit() = default;
};

struct IPersistPropertyBag : IPersist {
  virtual HRESULT InitNew() = 0;
  virtual HRESULT Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) = 0;
  virtual HRESULT Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) = 0;

 protected:
  ~IPersistPropertyBag() = default;
};

struct IOleClientSite : IUnknown {
  virtual HRESULT SaveObject() = 0;
  virtual HRESULT GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) = 0;
  virtual HRESULT GetContainer(IOleContainer** ppContainer) = 0;
  virtual HRESULT ShowObject() = 0;
  virtual HRESULT OnShowWindow(BOOL fShow) = 0;
  virtual HRESULT RequestNewObjectLayout() = 0;

 protected:
  ~IOleClientSite() = default;
};

struct IOleObject : IUnknown {
  virtual HRESULT SetClientSite(IOleClientSite* pClientSite) = 0;
  virtual HRESULT GetClientSite(IOleClientSite** ppClientSite) = 0;
  virtual HRESULT SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) = 0;
  virtual HRESULT Close(DWORD dwSaveOption) = 0;
  virtual HRESULT SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) = 0;
  virtual HRESULT GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) = 0;
  virtual HRESULT InitFromData(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) = 0;
  virtual HRESULT GetClipboardData(DWORD dwReserved, IDataObject** ppDataObject) = 0;
  // lprcPosRect: the control's place in the container (may be null).
  virtual HRESULT DoVerb(LONG iVerb, MSG* lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                         LPCRECT lprcPosRect) = 0;
  virtual HRESULT EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) = 0;
  virtual HRESULT Update() = 0;
  virtual HRESULT IsUpToDate() = 0;
  virtual HRESULT GetUserClassID(CLSID* pClsid) = 0;
  // *pszUserType: CoTaskMemAlloc'ed, freed by the caller.
  virtual HRESULT GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) = 0;
  virtual HRESULT SetExtent(DWORD dwDrawAspect, SIZEL* psizel) = 0;
  virtual HRESULT GetExtent(DWORD dwDrawAspect, SIZEL* psizel) = 0;
  virtual HRESULT Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) = 0;
  virtual HRESULT Unadvise(DWORD dwConnection) = 0;
  virtual HRESULT EnumAdvise(IEnumSTATDATA** ppenumAdvise) = 0;
  virtual HRESULT GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) = 0;
  virtual HRESULT SetColorScheme(LOGPALETTE* pLogpal) = 0;

 protected:
  ~IOleObject() = default;
};

struct IOleWindow : IUnknown {
  virtual HRESULT GetWindow(HWND* phwnd) = 0;
  virtual HRESULT ContextSensitiveHelp(BOOL fEnterMode) = 0;

 protected:
  ~IOleWindow() = default;
};

struct IOleInPlaceObject : IOleWindow {
  virtual HRESULT InPlaceDeactivate() = 0;
  virtual HRESULT UIDeactivate() = 0;
  virtual HRESULT SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) = 0;
  virtual HRESULT ReactivateAndUndo() = 0;

 protected:
  ~IOleInPlaceObject() = default;
};

struct IOleInPlaceSite : IOleWindow {
  virtual HRESULT CanInPlaceActivate() = 0;
  virtual HRESULT OnInPlaceActivate() = 0;
  virtual HRESULT OnUIActivate() = 0;
  virtual HRESULT GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                   LPRECT lprcClipRect, OLEINPLACEFRAMEINFO* lpFrameInfo) = 0;
  virtual HRESULT Scroll(SIZE scrollExtant) = 0;
  virtual HRESULT OnUIDeactivate(BOOL fUndoable) = 0;
  virtual HRESULT OnInPlaceDeactivate() = 0;
  virtual HRESULT DiscardUndoState() = 0;
  virtual HRESULT DeactivateAndUndo() = 0;
  // The control moved or resized its window (container coordinates).
  virtual HRESULT OnPosRectChange(LPCRECT lprcPosRect) = 0;

 protected:
  ~IOleInPlaceSite() = default;
};

struct IViewObject : IUnknown {
  virtual HRESULT Draw(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcTargetDev,
                       HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds, BOOL (*pfnContinue)(ULONG_PTR),
                       ULONG_PTR dwContinue) = 0;
  virtual HRESULT GetColorSet(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd,
                              HDC hicTargetDev, LOGPALETTE** ppColorSet) = 0;
  virtual HRESULT Freeze(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DWORD* pdwFreeze) = 0;
  virtual HRESULT Unfreeze(DWORD dwFreeze) = 0;
  virtual HRESULT SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) = 0;
  virtual HRESULT GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) = 0;

 protected:
  ~IViewObject() = default;
};

struct IOleControl : IUnknown {
  virtual HRESULT GetControlInfo(CONTROLINFO* pCI) = 0;
  virtual HRESULT OnMnemonic(MSG* pMsg) = 0;
  // The container tells the control that an ambient property changed
  // (DISPID_UNKNOWN: several or unknown ones).
  virtual HRESULT OnAmbientPropertyChange(DISPID dispID) = 0;
  virtual HRESULT FreezeEvents(BOOL bFreeze) = 0;

 protected:
  ~IOleControl() = default;
};

struct ISpecifyPropertyPages : IUnknown {
  virtual HRESULT GetPages(CAUUID* pPages) = 0;

 protected:
  ~ISpecifyPropertyPages() = default;
};

struct IPropertyNotifySink : IUnknown {
  virtual HRESULT OnChanged(DISPID dispID) = 0;
  virtual HRESULT OnRequestEdit(DISPID dispID) = 0;

 protected:
  ~IPropertyNotifySink() = default;
};

PX_DECLARE_IID(ISequentialStream, IID_ISequentialStream);
PX_DECLARE_IID(IStream, IID_IStream);
PX_DECLARE_IID(IPersist, IID_IPersist);
PX_DECLARE_IID(IPersistStreamInit, IID_IPersistStreamInit);
PX_DECLARE_IID(IPersistPropertyBag, IID_IPersistPropertyBag);
PX_DECLARE_IID(IPropertyBag, IID_IPropertyBag);
PX_DECLARE_IID(IErrorLog, IID_IErrorLog);
PX_DECLARE_IID(IOleObject, IID_IOleObject);
PX_DECLARE_IID(IOleClientSite, IID_IOleClientSite);
PX_DECLARE_IID(IOleWindow, IID_IOleWindow);
PX_DECLARE_IID(IOleInPlaceObject, IID_IOleInPlaceObject);
PX_DECLARE_IID(IOleInPlaceSite, IID_IOleInPlaceSite);
PX_DECLARE_IID(IViewObject, IID_IViewObject);
PX_DECLARE_IID(IOleControl, IID_IOleControl);
PX_DECLARE_IID(ISpecifyPropertyPages, IID_ISpecifyPropertyPages);
PX_DECLARE_IID(IPropertyNotifySink, IID_IPropertyNotifySink);

// A growable stream in memory with one count for the caller (hGlobal must be
// null: this platform has no global memory handles).
extern "C" PX_EXPORT HRESULT CreateStreamOnHGlobal(void* hGlobal, BOOL fDeleteOnRelease, IStream** ppstm);
