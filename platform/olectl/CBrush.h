// A solid brush for filling rectangles through CDC.
#pragma once

#include "platform/olectl/WinUser.h"

class PX_EXPORT CBrush {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }

  BOOL CreateSolidBrush(COLORREF crColor);
  // Gives the brush up; a deleted brush fills nothing.
  BOOL DeleteObject();
  BOOL IsValid() const { return m_bValid; }
  COLORREF GetColor() const { return m_crColor; }

 private:
  COLORREF m_crColor = 0;
  BOOL m_bValid = FALSE;
};
