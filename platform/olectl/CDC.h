// A device context: the surface a control draws on. It wraps a platform
// drawing handle (HDC) that the host makes over an image or a window (see
// qt/QtInterop.h); control code draws through it without seeing the toolkit.
#pragma once

#include <string_view>

#include "platform/olectl/CBrush.h"
#include "platform/olectl/CRect.h"
#include "platform/olectl/WinUser.h"

class PX_EXPORT CDC {
 public:
  CDC() = default;
  explicit CDC(HDC hDC) : m_hDC(hDC) {}

  void Attach(HDC hDC) { m_hDC = hDC; }
  HDC Detach() {
    HDC h = m_hDC;
    m_hDC = nullptr;
    return h;
  }
  HDC GetSafeHdc() const { return m_hDC; }

  // Fills with the brush's colour (nothing for a deleted brush or an empty rectangle).
  void FillRect(LPCRECT lpRect, CBrush* pBrush);
  // TRANSPARENT or OPAQUE; returns the previous mode (0 without a context).
  int SetBkMode(int nBkMode);
  COLORREF SetTextColor(COLORREF crColor);
  COLORREF SetBkColor(COLORREF crColor);
  // Draws text in the rectangle in the text colour; DT_CENTER, DT_RIGHT,
  // DT_VCENTER, DT_BOTTOM and DT_SINGLELINE are honoured. nCount -1 means up
  // to the terminating zero. Returns the text's height, 0 on failure.
  int DrawText(const OLECHAR* lpszString, int nCount, LPRECT lpRect, UINT nFormat);
  int DrawText(std::u16string_view text, LPRECT lpRect, UINT nFormat);

 private:
  HDC m_hDC = nullptr;
  int m_nBkMode = OPAQUE;
  COLORREF m_crText = 0;
  COLORREF m_crBk = RGB(255, 255, 255);
};
