#include "platform/olectl/CDC.h"

#include "platform/olectl/AfxToolkitPart.h"

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {
  if (!m_hDC || !lpRect || !pBrush || !pBrush->IsValid()) return;
  if (lpRect->right <= lpRect->left || lpRect->bottom <= lpRect->top) return;
  // A context exists only where the toolkit part made it.
  if (const AFX_TOOLKIT_PART* part = AfxGetToolkitPart()) part->pfnFillRect(m_hDC, *lpRect, pBrush->GetColor());
}

int CDC::SetBkMode(int nBkMode) {
  if (!m_hDC || (nBkMode != TRANSPARENT && nBkMode != OPAQUE)) return 0;
  int old = m_nBkMode;
  m_nBkMode = nBkMode;
  return old;
}

COLORREF CDC::SetTextColor(COLORREF crColor) {
  COLORREF old = m_crText;
  m_crText = crColor;
  return old;
}

COLORREF CDC::SetBkColor(COLORREF crColor) {
  COLORREF old = m_crBk;
  m_crBk = crColor;
  return old;
}

int CDC::DrawText(const OLECHAR* lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
  if (!lpszString) return 0;
  size_t n = 0;
  if (nCount < 0) {
    while (lpszString[n]) ++n;
  } else {
    n = static_cast<size_t>(nCount);
  }
  return DrawText(std::u16string_view(lpszString, n), lpRect, nFormat);
}

int CDC::DrawText(std::u16string_view text, LPRECT lpRect, UINT nFormat) {
  if (!m_hDC || !lpRect) return 0;
  const AFX_TOOLKIT_PART* part = AfxGetToolkitPart();
  return part ? part->pfnDrawText(m_hDC, text.data(), text.size(), *lpRect, nFormat, m_nBkMode == OPAQUE, m_crText, m_crBk)
              : 0;
}
