#include "platform/olectl/COlePropertyPage.h"

#include <cstring>

#include "platform/com/Apartment.h"
#include "platform/olectl/AfxResource.h"
#include "platform/olectl/AfxToolkitPart.h"
#include "platform/olectl/CDialogTemplate.h"

namespace {

const DispatchTable& PageTable() {
  static const DispatchTable table(u"COlePropertyPage", IID_IDispatch, u"", {});
  return table;
}

LPOLESTR TaskString(const std::u16string& s) {
  auto* p = static_cast<LPOLESTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(OLECHAR)));
  if (!p) return nullptr;
  std::memcpy(p, s.data(), s.size() * sizeof(OLECHAR));
  p[s.size()] = 0;
  return p;
}

}  // namespace

COlePropertyPage::COlePropertyPage(UINT idDlg, UINT idCaption) : m_idDlg(idDlg), m_idCaption(idCaption) {}

COlePropertyPage::~COlePropertyPage() { Deactivate(); }

const DispatchTable& COlePropertyPage::GetDispatchTable() const { return PageTable(); }

void* COlePropertyPage::GetInterfaceHook(REFIID riid) {
  if (riid == IID_IPropertyPage) return static_cast<IPropertyPage*>(this);
  return CCmdTarget::GetInterfaceHook(riid);
}

HRESULT COlePropertyPage::SetPageSite(IPropertyPageSite* pPageSite) {
  m_site = ComPtr<IPropertyPageSite>(pPageSite);
  return S_OK;
}

HRESULT COlePropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL) {
  if (m_pWidget) return E_UNEXPECTED;
  std::optional<std::vector<uint8_t>> data = AfxLoadResource(GetModuleState()->m_hInstance, "DIALOG", m_idDlg);
  if (!data) return E_FAIL;
  std::optional<CDialogTemplate> tmpl = CDialogTemplate::Parse(*data);
  if (!tmpl) return E_FAIL;
  const AFX_TOOLKIT_PART* part = AfxGetToolkitPart();
  if (!part) return E_UNEXPECTED;
  m_pWidget = static_cast<QWidget*>(part->pfnCreatePage(hWndParent, *tmpl, GetModuleState()->m_hInstance, pRect));
  CDataExchange dx{FALSE, this};
  DoDataExchange(&dx);
  return S_OK;
}

HRESULT COlePropertyPage::Deactivate() {
  // A page was only ever made through the toolkit part.
  if (m_pWidget) AfxGetToolkitPart()->pfnDestroyPage(m_pWidget);
  m_pWidget = nullptr;
  return S_OK;
}

HRESULT COlePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo) {
  if (!pPageInfo) return E_POINTER;
  std::memset(pPageInfo, 0, sizeof *pPageInfo);
  pPageInfo->cb = sizeof *pPageInfo;
  HINSTANCE hInstance = GetModuleState()->m_hInstance;
  std::optional<std::u16string> title = AfxLoadString(hInstance, m_idCaption);
  pPageInfo->pszTitle = TaskString(title.value_or(u""));
  if (std::optional<std::vector<uint8_t>> data = AfxLoadResource(hInstance, "DIALOG", m_idDlg))
    if (std::optional<CDialogTemplate> tmpl = CDialogTemplate::Parse(*data))
      if (const AFX_TOOLKIT_PART* part = AfxGetToolkitPart())
        pPageInfo->size = part->pfnDialogUnitsToPixels(*tmpl, tmpl->cx, tmpl->cy);
  return pPageInfo->pszTitle ? S_OK : E_OUTOFMEMORY;
}

HRESULT COlePropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk) {
  if (cObjects > 0 && !ppUnk) return E_POINTER;
  m_objects.clear();
  for (ULONG i = 0; i < cObjects; ++i) m_objects.emplace_back(ppUnk[i]);
  return S_OK;
}

HRESULT COlePropertyPage::Show(UINT nCmdShow) {
  if (!m_pWidget) return E_UNEXPECTED;
  AfxGetToolkitPart()->pfnShowPage(m_pWidget, nCmdShow != SW_HIDE);
  return S_OK;
}

HRESULT COlePropertyPage::Move(LPCRECT pRect) {
  if (!pRect) return E_POINTER;
  if (!m_pWidget) return E_UNEXPECTED;
  AfxGetToolkitPart()->pfnMovePage(m_pWidget, pRect->left, pRect->top);
  return S_OK;
}

HRESULT COlePropertyPage::IsPageDirty() { return m_bDirty ? S_OK : S_FALSE; }

HRESULT COlePropertyPage::Apply() {
  CDataExchange dx{TRUE, this};
  DoDataExchange(&dx);
  return S_OK;
}

HRESULT COlePropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }

HRESULT COlePropertyPage::TranslateAccelerator(MSG*) { return S_FALSE; }

void COlePropertyPage::SetModifiedFlag(BOOL bModified) {
  m_bDirty = bModified;
  if (m_site) m_site->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

void COlePropertyPage::DoDataExchange(CDataExchange* pDX) { DDP_PostProcessing(pDX); }

void DDP_PostProcessing(COlePropertyPage::CDataExchange* pDX) {
  if (pDX && pDX->m_bSaveAndValidate && pDX->m_pPage) pDX->m_pPage->SetModifiedFlag(FALSE);
}
