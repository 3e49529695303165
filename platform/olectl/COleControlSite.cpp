#include "platform/olectl/COleControlSite.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>

#include "platform/com/Apartment.h"
#include "platform/com/CEventSink.h"
#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/ResultMacros.h"
#include "platform/olectl/CMemPropertyBag.h"
#include "platform/olectl/CMemStream.h"
#include "platform/olectl/AfxToolkitPart.h"

namespace {

// The container's side of the control: client site, in-place site, ambient
// properties and property notifications. It outlives the host's site object
// as long as the control holds it, and then answers with the last values.
class CSiteObject final
    : public ComObject<CSiteObject, IOleClientSite, IOleInPlaceSite, IDispatch, IPropertyNotifySink> {
 public:
  void* FindInterface(REFIID riid) { return riid == IID_IOleWindow ? static_cast<IOleInPlaceSite*>(this) : nullptr; }
  BOOL m_bUserMode = TRUE;
  CRect m_rcPos;
  COleControlSite::PropertyChangedHandler m_onChanged;


  // IOleClientSite
  HRESULT SaveObject() override { return S_OK; }
  HRESULT GetMoniker(DWORD, DWORD, IMoniker** ppmk) override {
    if (ppmk) *ppmk = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetContainer(IOleContainer** pp) override {
    if (pp) *pp = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT ShowObject() override { return S_OK; }
  HRESULT OnShowWindow(BOOL) override { return S_OK; }
  HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleInPlaceSite
  HRESULT GetWindow(HWND* phwnd) override {
    if (phwnd) *phwnd = nullptr;
    return E_FAIL;
  }
  HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT CanInPlaceActivate() override { return S_OK; }
  HRESULT OnInPlaceActivate() override { return S_OK; }
  HRESULT OnUIActivate() override { return S_OK; }
  HRESULT GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                           LPRECT lprcClipRect, OLEINPLACEFRAMEINFO*) override {
    if (ppFrame) *ppFrame = nullptr;
    if (ppDoc) *ppDoc = nullptr;
    if (lprcPosRect) *lprcPosRect = m_rcPos;
    if (lprcClipRect) *lprcClipRect = m_rcPos;
    return S_OK;
  }
  HRESULT Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT OnInPlaceDeactivate() override { return S_OK; }
  HRESULT DiscardUndoState() override { return S_OK; }
  HRESULT DeactivateAndUndo() override { return S_OK; }
  HRESULT OnPosRectChange(LPCRECT lprcPosRect) override {
    if (!lprcPosRect) return E_POINTER;
    m_rcPos = *lprcPosRect;
    return S_OK;
  }

  // IDispatch: the ambient properties.
  HRESULT GetTypeInfoCount(UINT* pctinfo) override {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** pp) override {
    if (pp) *pp = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID, DISPID* rgDispId) override {
    for (UINT i = 0; rgDispId && i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult, EXCEPINFO*,
                 UINT*) override {
    if (!(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (dispIdMember != DISPID_AMBIENT_USERMODE) return DISP_E_MEMBERNOTFOUND;
    if (pVarResult) {
      VariantInit(pVarResult);
      pVarResult->vt = VT_BOOL;
      pVarResult->boolVal = m_bUserMode ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  }

  // IPropertyNotifySink
  HRESULT OnChanged(DISPID dispID) override {
    if (m_onChanged) m_onChanged(dispID);
    return S_OK;
  }
  HRESULT OnRequestEdit(DISPID) override { return S_OK; }

 private:
  ~CSiteObject() = default;
};

}  // namespace

struct COleControlSite::Impl {
  ComPtr<IUnknown> pControl;
  ComPtr<CSiteObject> pSite;
  ComPtr<IConnectionPoint> pEventCP;
  ComPtr<CEventSink> pSink;  // while connected
  DWORD dwCookie = 0;
};

COleControlSite::COleControlSite(BOOL bUserMode) : m_pImpl(std::make_unique<Impl>()) {
  m_pImpl->pSite = Make<CSiteObject>();
  m_pImpl->pSite->m_bUserMode = bUserMode;
}

COleControlSite::~COleControlSite() {
  Close();
  m_pImpl->pSite->m_onChanged = nullptr;
  m_pImpl->pSite = nullptr;
}

HRESULT COleControlSite::CreateControl(REFCLSID clsid, const RECT& rcPos) {
  ComPtr<IUnknown> pUnk;
  RETURN_IF_FAILED(
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, pUnk.ReleaseAndGetVoidAddress()));
  return AttachControl(pUnk.Get(), rcPos, TRUE);
}

HRESULT COleControlSite::AttachControl(IUnknown* pControl, const RECT& rcPos, BOOL bInitNew) {
  if (!pControl) return E_POINTER;
  Close();
  ComPtr<IUnknown> pUnk(pControl);
  ComPtr<IOleObject> pOle = pUnk.As<IOleObject>();
  if (!pOle) return E_NOINTERFACE;
  m_pImpl->pSite->m_rcPos = rcPos;
  RETURN_IF_FAILED(pOle->SetClientSite(static_cast<IOleClientSite*>(m_pImpl->pSite.Get())));
  if (bInitNew) {
    if (ComPtr<IPersistStreamInit> pInit = pUnk.As<IPersistStreamInit>()) {
      const HRESULT hr = pInit->InitNew();
      if (FAILED(hr)) {
        pOle->SetClientSite(nullptr);
        return hr;
      }
    }
  }
  IOleClientSite* pClientSite = m_pImpl->pSite.Get();
  const HRESULT hr = pOle->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, pClientSite, 0, nullptr, &rcPos);
  if (FAILED(hr)) {
    pOle->SetClientSite(nullptr);
    return hr;
  }
  m_pImpl->pControl = pUnk;
  return S_OK;
}

HRESULT COleControlSite::ConnectEvents(REFIID iidEvents, EventHandler handler) {
  if (!m_pImpl->pControl) return E_UNEXPECTED;
  DisconnectEvents();
  ComPtr<IConnectionPointContainer> pCPC = m_pImpl->pControl.As<IConnectionPointContainer>();
  if (!pCPC) return E_NOINTERFACE;
  ComPtr<IConnectionPoint> pCP;
  RETURN_IF_FAILED(pCPC->FindConnectionPoint(iidEvents, pCP.ReleaseAndGetAddressOf()));
  ComPtr<CEventSink> pSink = CEventSink::Create(iidEvents, std::move(handler));
  DWORD dwCookie = 0;
  RETURN_IF_FAILED(pCP->Advise(static_cast<IDispatch*>(pSink.Get()), &dwCookie));
  m_pImpl->pEventCP = pCP;
  m_pImpl->pSink = std::move(pSink);
  m_pImpl->dwCookie = dwCookie;
  return S_OK;
}

void COleControlSite::DisconnectEvents() {
  if (m_pImpl->pEventCP) {
    m_pImpl->pEventCP->Unadvise(m_pImpl->dwCookie);
    m_pImpl->pEventCP = nullptr;
  }
  if (m_pImpl->pSink) {
    m_pImpl->pSink->Detach();
    m_pImpl->pSink = nullptr;
  }
  m_pImpl->dwCookie = 0;
}

void COleControlSite::SetPropertyChangedHandler(PropertyChangedHandler handler) {
  m_pImpl->pSite->m_onChanged = std::move(handler);
}

void COleControlSite::SetUserMode(BOOL bUserMode) {
  m_pImpl->pSite->m_bUserMode = bUserMode ? TRUE : FALSE;
  if (ComPtr<IOleControl> pCtl = Query<IOleControl>()) pCtl->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
}

BOOL COleControlSite::GetUserMode() const { return m_pImpl->pSite->m_bUserMode; }

HRESULT COleControlSite::SetRect(const RECT& rcPos) {
  m_pImpl->pSite->m_rcPos = rcPos;
  ComPtr<IOleInPlaceObject> pIP = Query<IOleInPlaceObject>();
  if (!pIP) return E_NOINTERFACE;
  return pIP->SetObjectRects(&rcPos, &rcPos);
}

CRect COleControlSite::GetRect() const { return m_pImpl->pSite->m_rcPos; }

HRESULT COleControlSite::Draw(HDC hdc, const RECT& rcBounds) {
  ComPtr<IViewObject> pView = Query<IViewObject>();
  if (!pView) return E_NOINTERFACE;
  return pView->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, hdc, &rcBounds, nullptr, nullptr, 0);
}

HRESULT COleControlSite::DrawToImage(int cx, int cy, std::vector<uint32_t>* pPixels) {
  if (!pPixels) return E_POINTER;
  if (cx <= 0 || cy <= 0 || cx > 8192 || cy > 8192) return E_INVALIDARG;
  const AFX_TOOLKIT_PART* part = AfxGetToolkitPart();
  if (!part) return E_UNEXPECTED;
  std::vector<uint32_t> pixels(static_cast<size_t>(cx) * static_cast<size_t>(cy));
  struct Context {
    COleControlSite* pSite;
    RECT rc;
  } context{this, {0, 0, cx, cy}};
  RETURN_IF_FAILED(part->pfnDrawToImage(
      cx, cy, pixels.data(),
      [](void* pv, HDC hdc) {
        auto* c = static_cast<Context*>(pv);
        return c->pSite->Draw(hdc, c->rc);
      },
      &context));
  *pPixels = std::move(pixels);
  return S_OK;
}

HRESULT COleControlSite::SaveToStream(std::vector<uint8_t>* pBytes, BOOL fClearDirty) {
  if (!pBytes) return E_POINTER;
  ComPtr<IPersistStreamInit> pPersist = Query<IPersistStreamInit>();
  if (!pPersist) return E_NOINTERFACE;
  ComPtr<CMemStream> pStm = CMemStream::Create();
  RETURN_IF_FAILED(pPersist->Save(pStm.Get(), fClearDirty));
  *pBytes = pStm->GetBytes();
  return S_OK;
}

HRESULT COleControlSite::LoadFromStream(const std::vector<uint8_t>& bytes) {
  ComPtr<IPersistStreamInit> pPersist = Query<IPersistStreamInit>();
  if (!pPersist) return E_NOINTERFACE;
  ComPtr<CMemStream> pStm = CMemStream::Create(bytes);
  return pPersist->Load(pStm.Get());
}

HRESULT COleControlSite::SaveToPropertyBag(std::map<std::u16string, CVariant>* pValues, BOOL fClearDirty) {
  if (!pValues) return E_POINTER;
  ComPtr<IPersistPropertyBag> pPersist = Query<IPersistPropertyBag>();
  if (!pPersist) return E_NOINTERFACE;
  ComPtr<CMemPropertyBag> pBag = CMemPropertyBag::Create();
  RETURN_IF_FAILED(pPersist->Save(pBag.Get(), fClearDirty, TRUE));
  *pValues = pBag->GetValues();
  return S_OK;
}

HRESULT COleControlSite::LoadFromPropertyBag(const std::map<std::u16string, CVariant>& values) {
  ComPtr<IPersistPropertyBag> pPersist = Query<IPersistPropertyBag>();
  if (!pPersist) return E_NOINTERFACE;
  ComPtr<CMemPropertyBag> pBag = CMemPropertyBag::Create(values);
  return pPersist->Load(pBag.Get(), nullptr);
}

void COleControlSite::Close() {
  DisconnectEvents();
  if (!m_pImpl->pControl) return;
  ComPtr<IUnknown> pControl = std::move(m_pImpl->pControl);
  if (ComPtr<IOleObject> pOle = pControl.As<IOleObject>()) {
    pOle->Close(OLECLOSE_NOSAVE);
    pOle->SetClientSite(nullptr);
  }
}

IUnknown* COleControlSite::GetControlUnknown() const { return m_pImpl->pControl.Get(); }

ComPtr<IDispatch> COleControlSite::GetDispatch() const { return Query<IDispatch>(); }

void COleControlSite::EnsureApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "cantrel-host";
  static char* argv[] = {name, nullptr};
  new QCoreApplication(argc, argv);  // lives as long as the process
}

bool COleControlSite::PumpMessagesUntil(const std::function<bool()>& done, int timeoutMs) {
  EnsureApplication();
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    const qint64 left = timeoutMs - timer.elapsed();
    if (left <= 0) return done();
    WaitForEvents(static_cast<int>(std::min<qint64>(left, kRecheckMs)));
  }
  return true;
}

void COleControlSite::PumpMessagesFor(int msecs) {
  EnsureApplication();
  QElapsedTimer timer;
  timer.start();
  for (qint64 left = msecs; left > 0; left = msecs - timer.elapsed()) WaitForEvents(static_cast<int>(left));
}

void COleControlSite::WaitForEvents(int msecs) {
  if (!QAbstractEventDispatcher::instance()) {
    // A thread that Qt did not start has no loop to sleep in.
    QCoreApplication::processEvents();
    QThread::msleep(1);
    return;
  }
  // Sleeps until a message is posted or the timer ends the wait.
  QTimer wake;
  wake.setSingleShot(true);
  wake.start(msecs);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
