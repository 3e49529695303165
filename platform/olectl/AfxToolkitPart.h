// The framework's toolkit part (libpxolectlqt.so): everything that needs the
// graphical toolkit (drawing, dialogs, property pages and their frame). The
// core loads it from its own folder the first time one of these is needed,
// so that a host that shows nothing never loads the graphical libraries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/olectl/AfxResource.h"
#include "platform/olectl/WinUser.h"

class CDialogTemplate;

struct AFX_TOOLKIT_PART {
  // Drawing on a device context the toolkit part made (see qt/QtInterop.h).
  void (*pfnFillRect)(HDC hDC, const RECT& rc, COLORREF cr);
  int (*pfnDrawText)(HDC hDC, const OLECHAR* pText, size_t cchText, const RECT& rc, UINT nFormat, BOOL bOpaque,
                     COLORREF crText, COLORREF crBk);
  // Draws through pfnDraw into a white cx x cy image of 0xAARRGGBB pixels.
  HRESULT (*pfnDrawToImage)(int cx, int cy, uint32_t* pPixels, HRESULT (*pfnDraw)(void* pContext, HDC hDC),
                            void* pContext);
  INT_PTR (*pfnShowDialog)(void* hInstance, UINT nIDTemplate);
  HRESULT (*pfnCreatePropertyFrame)(UINT x, UINT y, LPCOLESTR lpszCaption, ULONG cObjects, IUnknown** ppUnk,
                                    ULONG cPages, const CLSID* pPageClsID);
  // A page's content: a child of hWndParent filled from a dialog template.
  void* (*pfnCreatePage)(HWND hWndParent, const CDialogTemplate& tmpl, HINSTANCE hInstance, LPCRECT pRect);
  void (*pfnShowPage)(void* pPage, BOOL bShow);
  void (*pfnMovePage)(void* pPage, LONG x, LONG y);
  void (*pfnDestroyPage)(void* pPage);
  SIZE (*pfnDialogUnitsToPixels)(const CDialogTemplate& tmpl, int cx, int cy);
};

// The name of the toolkit part's table.
inline constexpr char AFX_TOOLKIT_PART_ENTRY[] = "AfxToolkitPartEntryPoints";

// Loads the toolkit part on first use; nullptr (said once on stderr) when it
// cannot be loaded.
PX_EXPORT const AFX_TOOLKIT_PART* AfxGetToolkitPart();
