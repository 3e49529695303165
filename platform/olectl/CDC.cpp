#include "platform/olectl/CDC.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QString>

#include "platform/olectl/QtInterop.h"

namespace {

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QRect ToQRect(const RECT& rc) { return QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top); }

}  // namespace

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {
  QPainter* p = AfxPainterFromHdc(m_hDC);
  if (!p || !lpRect || !pBrush || !pBrush->IsValid()) return;
  if (lpRect->right <= lpRect->left || lpRect->bottom <= lpRect->top) return;
  p->fillRect(ToQRect(*lpRect), ToQColor(pBrush->GetColor()));
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
  QPainter* p = AfxPainterFromHdc(m_hDC);
  if (!p || !lpRect) return 0;
  // Text needs fonts, which only a graphical application object provides.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 0;
  QString s = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  int flags = 0;
  if (nFormat & DT_CENTER)
    flags |= Qt::AlignHCenter;
  else if (nFormat & DT_RIGHT)
    flags |= Qt::AlignRight;
  else
    flags |= Qt::AlignLeft;
  if (nFormat & DT_SINGLELINE) {
    if (nFormat & DT_VCENTER)
      flags |= Qt::AlignVCenter;
    else if (nFormat & DT_BOTTOM)
      flags |= Qt::AlignBottom;
    else
      flags |= Qt::AlignTop;
  } else {
    flags |= Qt::AlignTop | Qt::TextWordWrap;
  }
  QRect rc = ToQRect(*lpRect);
  if (nFormat & DT_SINGLELINE) s.replace(QLatin1Char('\n'), QLatin1Char(' '));
  p->save();
  if (m_nBkMode == OPAQUE) {
    QRect bounding = p->fontMetrics().boundingRect(rc, flags, s);
    p->fillRect(bounding, ToQColor(m_crBk));
  }
  p->setPen(ToQColor(m_crText));
  QRect drawn;
  p->drawText(rc, flags, s, &drawn);
  p->restore();
  return drawn.height() > 0 ? drawn.height() : p->fontMetrics().height();
}
