// The base of a property page built on a dialog template (page content) and
// a caption string (tab title), both resources of the page's library. A page
// counts on its library like any automation object.
#pragma once

#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/olectl/CCmdTarget.h"
#include "platform/olectl/OlePropertyFrame.h"

class QWidget;

class PX_EXPORT COlePropertyPage : public ComExtend<CCmdTarget, IPropertyPage> {
 public:
  // What a page's data exchange is asked to do.
  struct CDataExchange {
    BOOL m_bSaveAndValidate;
    COlePropertyPage* m_pPage;
  };

  COlePropertyPage(UINT idDlg, UINT idCaption);

  // IPropertyPage.
  HRESULT SetPageSite(IPropertyPageSite* pPageSite) override;
  HRESULT Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) override;
  HRESULT Deactivate() override;
  HRESULT GetPageInfo(PROPPAGEINFO* pPageInfo) override;
  HRESULT SetObjects(ULONG cObjects, IUnknown** ppUnk) override;
  HRESULT Show(UINT nCmdShow) override;
  HRESULT Move(LPCRECT pRect) override;
  HRESULT IsPageDirty() override;
  HRESULT Apply() override;
  HRESULT Help(LPCOLESTR pszHelpDir) override;
  HRESULT TranslateAccelerator(MSG* pMsg) override;

  void SetModifiedFlag(BOOL bModified = TRUE);
  BOOL IsModified() const { return m_bDirty; }
  // The objects the page edits (counted by the page).
  const std::vector<ComPtr<IUnknown>>& GetObjects() const { return m_objects; }
  // The page's content while active, else nullptr.
  QWidget* GetPageWidget() const { return m_pWidget; }
  UINT GetTemplateID() const { return m_idDlg; }
  UINT GetCaptionID() const { return m_idCaption; }

 protected:
  ~COlePropertyPage() override;
  const DispatchTable& GetDispatchTable() const override;
  void* GetInterfaceHook(REFIID riid) override;
  // Moves values between the page's controls and the objects.
  virtual void DoDataExchange(CDataExchange* pDX);

 private:
  UINT m_idDlg;
  UINT m_idCaption;
  BOOL m_bDirty = FALSE;
  ComPtr<IPropertyPageSite> m_site;
  std::vector<ComPtr<IUnknown>> m_objects;
  QWidget* m_pWidget = nullptr;
};

// Completes a page's data exchange: once values are saved, the page is no
// longer modified.
PX_EXPORT void DDP_PostProcessing(COlePropertyPage::CDataExchange* pDX);
