#include "platform/olectl/OlePropertyFrame.h"

#include "platform/olectl/AfxToolkitPart.h"

HRESULT OleCreatePropertyFrame(HWND, UINT x, UINT y, LPCOLESTR lpszCaption, ULONG cObjects, IUnknown** ppUnk,
                               ULONG cPages, const CLSID* pPageClsID, LCID, DWORD, void*) {
  if (cObjects == 0 || !ppUnk || cPages == 0 || !pPageClsID) return E_INVALIDARG;
  const AFX_TOOLKIT_PART* part = AfxGetToolkitPart();
  return part ? part->pfnCreatePropertyFrame(x, y, lpszCaption, cObjects, ppUnk, cPages, pPageClsID) : E_UNEXPECTED;
}
