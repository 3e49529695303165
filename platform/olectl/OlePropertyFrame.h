// Property pages and the modal frame that shows them, with the platform's
// interfaces, method orders and identities. A page's parent window here is
// the frame's page area: Activate receives it as the HWND.
#pragma once

#include "platform/com/Interfaces.h"
#include "platform/olectl/WinUser.h"

inline constexpr IID IID_IPropertyPage = {0xB196B28D, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IPropertyPageSite = {0xB196B290, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

struct MSG;

struct PROPPAGEINFO {
  ULONG cb;
  LPOLESTR pszTitle;  // CoTaskMemAlloc'ed, freed by the caller
  SIZE size;          // pixels
  LPOLESTR pszDocString;
  LPOLESTR pszHelpFile;
  DWORD dwHelpContext;
};

struct IPropertyPageSite : IUnknown {
  virtual HRESULT OnStatusChange(DWORD dwFlags) = 0;
  virtual HRESULT GetLocaleID(LCID* pLocaleID) = 0;
  virtual HRESULT GetPageContainer(IUnknown** ppUnk) = 0;
  virtual HRESULT TranslateAccelerator(MSG* pMsg) = 0;

 protected:
  ~IPropertyPageSite() = default;
};

struct IPropertyPage : IUnknown {
  virtual HRESULT SetPageSite(IPropertyPageSite* pPageSite) = 0;
  virtual HRESULT Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) = 0;
  virtual HRESULT Deactivate() = 0;
  virtual HRESULT GetPageInfo(PROPPAGEINFO* pPageInfo) = 0;
  virtual HRESULT SetObjects(ULONG cObjects, IUnknown** ppUnk) = 0;
  virtual HRESULT Show(UINT nCmdShow) = 0;
  virtual HRESULT Move(LPCRECT pRect) = 0;
  virtual HRESULT IsPageDirty() = 0;
  virtual HRESULT Apply() = 0;
  virtual HRESULT Help(LPCOLESTR pszHelpDir) = 0;
  virtual HRESULT TranslateAccelerator(MSG* pMsg) = 0;

 protected:
  ~IPropertyPage() = default;
};
PX_DECLARE_IID(IPropertyPage, IID_IPropertyPage);
PX_DECLARE_IID(IPropertyPageSite, IID_IPropertyPageSite);

constexpr DWORD PROPPAGESTATUS_DIRTY = 0x1;
constexpr DWORD PROPPAGESTATUS_VALIDATE = 0x2;
constexpr UINT SW_HIDE = 0;
constexpr UINT SW_SHOW = 5;

// Shows a modal frame titled "<lpszCaption> Properties" with one tab per
// page class (made through CoCreateInstance), OK, Cancel and Apply. OK and
// Apply apply every page to the objects. E_INVALIDARG without a page or
// object; the first failure to make a page is returned; S_OK otherwise.
// Needs a running QApplication on the calling thread.
extern "C" PX_EXPORT HRESULT OleCreatePropertyFrame(HWND hwndOwner, UINT x, UINT y, LPCOLESTR lpszCaption,
                                                    ULONG cObjects, IUnknown** ppUnk, ULONG cPages,
                                                    const CLSID* pPageClsID, LCID lcid, DWORD dwReserved,
                                                    void* pvReserved);
