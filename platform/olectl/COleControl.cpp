#include "platform/olectl/COleControl.h"

#include <cstring>

#include "platform/com/Apartment.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/Enumerator.h"
#include "platform/com/ResultMacros.h"
#include "platform/olectl/AfxDialogHook.h"
#include "platform/olectl/AfxResource.h"
#include "platform/olectl/CControlWindow.h"
#include "platform/olectl/CMemStream.h"
#include "platform/olectl/CPropbagPropExchange.h"
#include "platform/olectl/CResetPropExchange.h"
#include "platform/olectl/CStreamPropExchange.h"
#include "platform/olectl/OlePropertyFrame.h"

COleControl::COleControl() {
  m_pWindow = new CControlWindow(this);
  m_hWnd = m_pWindow->GetHwnd();
}

COleControl::~COleControl() {
  if (m_pEventCP) m_pEventCP->UnadviseAll();
  m_pWindow->Destroy();
  m_pWindow = nullptr;
  m_hWnd = nullptr;
}

void COleControl::InitializeIIDs(const IID* piidPrimary, const IID* piidEvents) {
  if (piidPrimary) m_iidPrimary = *piidPrimary;
  if (piidEvents) {
    m_iidEvents = *piidEvents;
    m_pEventCP = std::make_unique<CConnectionPoint>(static_cast<IConnectionPointContainer*>(this), m_iidEvents);
  }
}

// ---- IUnknown / IDispatch --------------------------------------------------

void* COleControl::GetInterfaceHook(REFIID riid) {
  if (riid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
  if (riid == IID_IProvideClassInfo) return static_cast<IProvideClassInfo*>(this);
  if (riid == IID_IOleObject) return static_cast<IOleObject*>(this);
  if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject) return static_cast<IOleInPlaceObject*>(this);
  if (riid == IID_IOleControl) return static_cast<IOleControl*>(this);
  if (riid == IID_IViewObject) return static_cast<IViewObject*>(this);
  if (riid == IID_IPersist || riid == IID_IPersistStreamInit) return static_cast<IPersistStreamInit*>(this);
  if (riid == IID_IPersistPropertyBag) return static_cast<IPersistPropertyBag*>(this);
  if (riid == IID_ISpecifyPropertyPages) return static_cast<ISpecifyPropertyPages*>(this);
  if (m_iidPrimary != IID_NULL && riid == m_iidPrimary) return static_cast<IDispatch*>(this);
  return CCmdTarget::GetInterfaceHook(riid);
}

HRESULT COleControl::GetTypeInfoCount(UINT* pctinfo) { return CCmdTarget::GetTypeInfoCount(pctinfo); }

HRESULT COleControl::GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_POINTER;
  *ppTInfo = nullptr;
  if (iTInfo != 0) return DISP_E_BADINDEX;
  ComPtr<ITypeLib> pLib;
  RETURN_IF_FAILED(GetTypeLib(lcid, pLib.ReleaseAndGetAddressOf()));
  if (!pLib) return TYPE_E_LIBNOTREGISTERED;
  return pLib->GetTypeInfoOfGuid(m_iidPrimary, ppTInfo);
}

HRESULT COleControl::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                            VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  if (!IsInvokeAllowed(dispIdMember)) return E_UNEXPECTED;
  // A handler may make the host let the control go; it stays alive until the call is over.
  ComPtr<IDispatch> self(static_cast<IDispatch*>(this));
  return CCmdTarget::Invoke(dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
}

// ---- Connection points -----------------------------------------------------

namespace {
// Connection points are not counted as objects of the module: they live in the control.
using CEnumConnectionPoints =
    Enumerator<IEnumConnectionPoints, IConnectionPoint*, EnumSnapshot<ComPtr<IConnectionPoint>>>;
}  // namespace

HRESULT COleControl::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  if (!ppEnum) return E_POINTER;
  std::vector<ComPtr<IConnectionPoint>> points;
  if (m_pEventCP) points.emplace_back(m_pEventCP.get());
  return Make<CEnumConnectionPoints>(std::move(points)).CopyTo(ppEnum);
}

HRESULT COleControl::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  if (!ppCP) return E_POINTER;
  *ppCP = nullptr;
  if (!m_pEventCP || riid != m_iidEvents) return CONNECT_E_NOCONNECTION;
  return ComPtr<IConnectionPoint>(m_pEventCP.get()).CopyTo(ppCP);
}

void COleControl::FireEvent(DISPID dispid, const std::vector<CVariant>& argsInOrder) {
  if (m_nFreezeEvents > 0 || !m_pEventCP) return;
  ComPtr<IDispatch> self(static_cast<IDispatch*>(this));
  m_pEventCP->Fire(dispid, argsInOrder);
}

// ---- IProvideClassInfo -----------------------------------------------------

HRESULT COleControl::GetClassInfo(ITypeInfo** ppTI) {
  if (!ppTI) return E_POINTER;
  *ppTI = nullptr;
  CLSID clsid;
  RETURN_IF_FAILED(GetClassID(&clsid));
  ComPtr<ITypeLib> pLib;
  RETURN_IF_FAILED(GetTypeLib(LOCALE_USER_DEFAULT, pLib.ReleaseAndGetAddressOf()));
  if (!pLib) return TYPE_E_LIBNOTREGISTERED;
  return pLib->GetTypeInfoOfGuid(clsid, ppTI);
}

// ---- Ambient properties and container notifications --------------------------

CVariant COleControl::GetAmbientProperty(DISPID dispid) {
  CVariant result;
  if (!m_pClientSite) return result;
  ComPtr<IDispatch> pAmbient = m_pClientSite.As<IDispatch>();
  if (!pAmbient) return result;
  if (FAILED(DispInvoke(pAmbient.Get(), dispid, DISPATCH_PROPERTYGET, {}, &result))) result.Clear();
  return result;
}

BOOL COleControl::AmbientUserMode() {
  CVariant v = GetAmbientProperty(DISPID_AMBIENT_USERMODE);
  if (v.vt == VT_EMPTY) return TRUE;
  if (FAILED(VariantChangeType(&v, &v, 0, VT_BOOL))) return TRUE;
  return v.boolVal ? TRUE : FALSE;
}

void COleControl::SetModifiedFlag(BOOL bModified) { m_bModified = bModified ? TRUE : FALSE; }

void COleControl::BoundPropertyChanged(DISPID dispid) {
  if (!m_pClientSite) return;
  if (ComPtr<IPropertyNotifySink> pSink = m_pClientSite.As<IPropertyNotifySink>()) pSink->OnChanged(dispid);
}

BOOL COleControl::ExchangeVersion(CPropExchange* pPX, DWORD dwVersionDefault, BOOL bConvert) {
  if (!pPX) return FALSE;
  DWORD dwLoaded = dwVersionDefault;
  return pPX->ExchangeVersion(dwLoaded, dwVersionDefault, bConvert);
}

// ---- The window --------------------------------------------------------------

BOOL COleControl::SetWindowPos(HWND, int x, int y, int cx, int cy, UINT nFlags) {
  CRect rc = m_rcPos;
  if (!(nFlags & SWP_NOMOVE)) {
    LONG w = rc.Width(), h = rc.Height();
    rc.SetRect(x, y, x + w, y + h);
  }
  if (!(nFlags & SWP_NOSIZE)) {
    if (cx < 0 || cy < 0) return FALSE;
    rc.right = rc.left + cx;
    rc.bottom = rc.top + cy;
  }
  if (rc == m_rcPos) return TRUE;
  m_rcPos = rc;
  if (m_pClientSite) {
    if (ComPtr<IOleInPlaceSite> pSite = m_pClientSite.As<IOleInPlaceSite>()) pSite->OnPosRectChange(&m_rcPos);
  }
  return TRUE;
}

CRect COleControl::GetRectInContainer() const { return m_rcPos; }

LRESULT COleControl::DispatchWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  ComPtr<IDispatch> self(static_cast<IDispatch*>(this));
  return WindowProc(message, wParam, lParam);
}

const AFX_MSGMAP* COleControl::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}

const AFX_MSGMAP* COleControl::GetMessageMap() const { return GetThisMessageMap(); }

LRESULT COleControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e && e->pfn; ++e) {
      if (e->nMessage == message) return (this->*(e->pfn))(wParam, lParam);
    }
  }
  return 0;
}

INT_PTR COleControl::DoModalDialog(UINT nIDTemplate) {
  AFX_MODULE_STATE* pState = GetModuleState();
  return AfxShowDialogResource(pState ? pState->m_hInstance : nullptr, nIDTemplate);
}

// ---- Overridables --------------------------------------------------------------

BOOL COleControl::IsInvokeAllowed(DISPID) { return m_bInitialized; }

HRESULT COleControl::GetTypeLib(LCID, ITypeLib** ppTypeLib) {
  if (ppTypeLib) *ppTypeLib = nullptr;
  return TYPE_E_LIBNOTREGISTERED;
}

void COleControl::ExchangeBase(CPropExchange* pPX) {
  LONG cx = m_sizeExtent.cx, cy = m_sizeExtent.cy;
  PX_Long(pPX, u"_ExtentX", cx, 2540);
  PX_Long(pPX, u"_ExtentY", cy, 2540);
  if (pPX->IsLoading() && cx >= 0 && cy >= 0) {
    m_sizeExtent.cx = cx;
    m_sizeExtent.cy = cy;
  }
}

void COleControl::DoPropExchange(CPropExchange* pPX) { ExchangeBase(pPX); }

void COleControl::OnResetState() {
  CResetPropExchange px;
  DoPropExchange(&px);
}

void COleControl::OnDraw(CDC*, const CRect&, const CRect&) {}

LPCLSID COleControl::GetPropPageIDs(ULONG& cPropPages) {
  cPropPages = 0;
  return nullptr;
}

UINT COleControl::GetUserTypeNameID() { return 0; }

DWORD COleControl::GetMiscStatus() { return 0; }

// ---- IOleObject ------------------------------------------------------------------

HRESULT COleControl::SetClientSite(IOleClientSite* pClientSite) {
  m_pClientSite = ComPtr<IOleClientSite>(pClientSite);
  return S_OK;
}

HRESULT COleControl::GetClientSite(IOleClientSite** ppClientSite) {
  if (!ppClientSite) return E_POINTER;
  return m_pClientSite.CopyTo(ppClientSite);
}

HRESULT COleControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT COleControl::Close(DWORD dwSaveOption) {
  ComPtr<IDispatch> self(static_cast<IDispatch*>(this));
  if (dwSaveOption == OLECLOSE_SAVEIFDIRTY && m_bModified && m_pClientSite) m_pClientSite->SaveObject();
  InPlaceDeactivate();
  return S_OK;
}

HRESULT COleControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
HRESULT COleControl::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
  if (ppmk) *ppmk = nullptr;
  return E_NOTIMPL;
}
HRESULT COleControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }
HRESULT COleControl::GetClipboardData(DWORD, IDataObject** ppDataObject) {
  if (ppDataObject) *ppDataObject = nullptr;
  return E_NOTIMPL;
}

HRESULT COleControl::DoVerb(LONG iVerb, MSG*, IOleClientSite* pActiveSite, LONG, HWND, LPCRECT lprcPosRect) {
  switch (iVerb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_OPEN:
    case OLEIVERB_UIACTIVATE:
    case OLEIVERB_INPLACEACTIVATE:
      if (pActiveSite && !m_pClientSite) m_pClientSite = ComPtr<IOleClientSite>(pActiveSite);
      if (lprcPosRect) m_rcPos = *lprcPosRect;
      m_bInPlaceActive = TRUE;
      return S_OK;
    case OLEIVERB_HIDE:
      m_bInPlaceActive = FALSE;
      return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
      return S_OK;
    case OLEIVERB_PROPERTIES:
      return OnProperties();
    default:
      return iVerb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
  }
}

HRESULT COleControl::OnProperties() {
  ULONG cPages = 0;
  LPCLSID pPages = GetPropPageIDs(cPages);
  if (cPages == 0 || !pPages) return S_OK;
  ComPtr<IDispatch> self(static_cast<IDispatch*>(this));
  std::u16string caption = AfxLoadString(GetModuleState()->m_hInstance, GetUserTypeNameID()).value_or(u"Control");
  IUnknown* objects[] = {self.Get()};
  return OleCreatePropertyFrame(nullptr, 0, 0, caption.c_str(), 1, objects, cPages, pPages, 0, 0, nullptr);
}

HRESULT COleControl::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) {
  if (ppEnumOleVerb) *ppEnumOleVerb = nullptr;
  return OLEOBJ_E_NOVERBS;
}
HRESULT COleControl::Update() { return S_OK; }
HRESULT COleControl::IsUpToDate() { return S_OK; }
HRESULT COleControl::GetUserClassID(CLSID* pClsid) {
  if (!pClsid) return E_POINTER;
  return GetClassID(pClsid);
}
HRESULT COleControl::GetUserType(DWORD, LPOLESTR* pszUserType) {
  if (pszUserType) *pszUserType = nullptr;
  // The registered type name is the one containers show.
  return OLE_S_USEREG;
}

HRESULT COleControl::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
  if (!psizel) return E_POINTER;
  if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (psizel->cx < 0 || psizel->cy < 0) return E_INVALIDARG;
  m_sizeExtent = *psizel;
  return S_OK;
}

HRESULT COleControl::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
  if (!psizel) return E_POINTER;
  if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *psizel = m_sizeExtent;
  return S_OK;
}

HRESULT COleControl::Advise(IAdviseSink*, DWORD* pdwConnection) {
  if (pdwConnection) *pdwConnection = 0;
  return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT COleControl::Unadvise(DWORD) { return OLE_E_NOCONNECTION; }
HRESULT COleControl::EnumAdvise(IEnumSTATDATA** pp) {
  if (pp) *pp = nullptr;
  return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT COleControl::GetMiscStatus(DWORD, DWORD* pdwStatus) {
  if (!pdwStatus) return E_POINTER;
  *pdwStatus = GetMiscStatus();
  return S_OK;
}
HRESULT COleControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- IOleInPlaceObject -------------------------------------------------------------

HRESULT COleControl::GetWindow(HWND* phwnd) {
  if (!phwnd) return E_POINTER;
  *phwnd = m_hWnd;
  return S_OK;
}
HRESULT COleControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
HRESULT COleControl::InPlaceDeactivate() {
  m_bInPlaceActive = FALSE;
  return S_OK;
}
HRESULT COleControl::UIDeactivate() { return S_OK; }
HRESULT COleControl::SetObjectRects(LPCRECT lprcPosRect, LPCRECT) {
  if (!lprcPosRect) return E_POINTER;
  m_rcPos = *lprcPosRect;
  return S_OK;
}
HRESULT COleControl::ReactivateAndUndo() { return E_NOTIMPL; }

// ---- IOleControl -------------------------------------------------------------------

HRESULT COleControl::GetControlInfo(CONTROLINFO*) { return E_NOTIMPL; }
HRESULT COleControl::OnMnemonic(MSG*) { return E_NOTIMPL; }
HRESULT COleControl::OnAmbientPropertyChange(DISPID) { return S_OK; }
HRESULT COleControl::FreezeEvents(BOOL bFreeze) {
  if (bFreeze)
    ++m_nFreezeEvents;
  else if (m_nFreezeEvents > 0)
    --m_nFreezeEvents;
  return S_OK;
}

// ---- IViewObject -------------------------------------------------------------------

HRESULT COleControl::Draw(DWORD dwDrawAspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdcDraw, LPCRECTL lprcBounds,
                          LPCRECTL, BOOL (*)(ULONG_PTR), ULONG_PTR) {
  if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!lprcBounds) return E_INVALIDARG;
  CRect rc(*lprcBounds);
  if (!hdcDraw) {
    OnDraw(nullptr, rc, rc);
    return S_OK;
  }
  CDC dc(hdcDraw);
  OnDraw(&dc, rc, rc);
  return S_OK;
}
HRESULT COleControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** pp) {
  if (pp) *pp = nullptr;
  return S_FALSE;
}
HRESULT COleControl::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
HRESULT COleControl::Unfreeze(DWORD) { return E_NOTIMPL; }
HRESULT COleControl::SetAdvise(DWORD, DWORD, IAdviseSink*) { return E_NOTIMPL; }
HRESULT COleControl::GetAdvise(DWORD*, DWORD*, IAdviseSink** pp) {
  if (pp) *pp = nullptr;
  return E_NOTIMPL;
}

// ---- Persistence -------------------------------------------------------------------

HRESULT COleControl::IsDirty() { return m_bModified ? S_OK : S_FALSE; }

HRESULT COleControl::LoadFrom(CPropExchange* pPX) {
  DoPropExchange(pPX);
  m_bInitialized = TRUE;
  if (!pPX->IsOk()) {
    // Nothing half-loaded stays: a damaged medium leaves the defaults.
    OnResetState();
    m_bModified = FALSE;
    return STG_E_READFAULT;
  }
  m_bModified = FALSE;
  return S_OK;
}

HRESULT COleControl::Load(IStream* pStm) {
  if (!pStm) return E_POINTER;
  CStreamPropExchange px(pStm, TRUE);
  return LoadFrom(&px);
}

HRESULT COleControl::Save(IStream* pStm, BOOL fClearDirty) {
  if (!pStm) return E_POINTER;
  CStreamPropExchange px(pStm, FALSE);
  DoPropExchange(&px);
  if (!px.IsOk()) return STG_E_WRITEFAULT;
  if (fClearDirty) m_bModified = FALSE;
  return S_OK;
}

HRESULT COleControl::GetSizeMax(ULARGE_INTEGER* pCbSize) {
  if (!pCbSize) return E_POINTER;
  ComPtr<IStream> pStm;
  RETURN_IF_FAILED(CreateStreamOnHGlobal(nullptr, TRUE, pStm.ReleaseAndGetAddressOf()));
  CStreamPropExchange px(pStm.Get(), FALSE);
  DoPropExchange(&px);
  if (!px.IsOk()) return STG_E_WRITEFAULT;
  STATSTG st{};
  RETURN_IF_FAILED(pStm->Stat(&st, 0));
  pCbSize->QuadPart = st.cbSize.QuadPart;
  return S_OK;
}

HRESULT COleControl::InitNew() {
  OnResetState();
  m_bInitialized = TRUE;
  m_bModified = FALSE;
  return S_OK;
}

HRESULT COleControl::Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) {
  if (!pPropBag) return E_POINTER;
  CPropbagPropExchange px(pPropBag, pErrorLog, TRUE);
  return LoadFrom(&px);
}

HRESULT COleControl::Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL) {
  if (!pPropBag) return E_POINTER;
  CPropbagPropExchange px(pPropBag, nullptr, FALSE);
  DoPropExchange(&px);
  if (!px.IsOk()) return E_FAIL;
  if (fClearDirty) m_bModified = FALSE;
  return S_OK;
}

HRESULT COleControl::GetPages(CAUUID* pPages) {
  if (!pPages) return E_POINTER;
  ULONG c = 0;
  LPCLSID ids = GetPropPageIDs(c);
  pPages->cElems = 0;
  pPages->pElems = nullptr;
  if (!c || !ids) return S_OK;
  auto* p = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * c));
  if (!p) return E_OUTOFMEMORY;
  std::memcpy(p, ids, sizeof(GUID) * c);
  pPages->cElems = c;
  pPages->pElems = p;
  return S_OK;
}
