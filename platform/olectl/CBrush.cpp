#include "platform/olectl/CBrush.h"

BOOL CBrush::CreateSolidBrush(COLORREF crColor) {
  m_crColor = crColor;
  m_bValid = TRUE;
  return TRUE;
}

BOOL CBrush::DeleteObject() {
  if (!m_bValid) return FALSE;
  m_bValid = FALSE;
  return TRUE;
}
