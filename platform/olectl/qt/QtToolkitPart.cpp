// The toolkit part's entry points: what the core asks of the graphical
// toolkit, done here with it.
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QWidget>
#include <algorithm>

#include "platform/com/ResultMacros.h"
#include "platform/olectl/AfxToolkitPart.h"
#include "platform/olectl/qt/CDialog.h"
#include "platform/olectl/qt/QtInterop.h"
#include "platform/olectl/qt/QtPropertyFrame.h"

namespace {

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QRect ToQRect(const RECT& rc) { return QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top); }

void FillRect(HDC hDC, const RECT& rc, COLORREF cr) { AfxPainterFromHdc(hDC)->fillRect(ToQRect(rc), ToQColor(cr)); }

int DrawText(HDC hDC, const OLECHAR* pText, size_t cchText, const RECT& rcText, UINT nFormat, BOOL bOpaque,
             COLORREF crText, COLORREF crBk) {
  QPainter* p = AfxPainterFromHdc(hDC);
  // Text needs fonts, which only a graphical application object provides.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 0;
  QString s = QString::fromUtf16(pText, static_cast<qsizetype>(cchText));
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
  QRect rc = ToQRect(rcText);
  if (nFormat & DT_SINGLELINE) s.replace(QLatin1Char('\n'), QLatin1Char(' '));
  p->save();
  if (bOpaque) {
    QRect bounding = p->fontMetrics().boundingRect(rc, flags, s);
    p->fillRect(bounding, ToQColor(crBk));
  }
  p->setPen(ToQColor(crText));
  QRect drawn;
  p->drawText(rc, flags, s, &drawn);
  p->restore();
  return drawn.height() > 0 ? drawn.height() : p->fontMetrics().height();
}

HRESULT DrawToImage(int cx, int cy, uint32_t* pPixels, HRESULT (*pfnDraw)(void*, HDC), void* pContext) {
  QImage image(cx, cy, QImage::Format_ARGB32);
  image.fill(Qt::white);
  HRESULT hr;
  {
    QPainter painter(&image);
    hr = pfnDraw(pContext, AfxHdcFromPainter(&painter));
  }
  RETURN_IF_FAILED(hr);
  for (int y = 0; y < cy; ++y) {
    const auto* line = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
    std::copy(line, line + cx, pPixels + static_cast<ptrdiff_t>(y) * cx);
  }
  return S_OK;
}

INT_PTR ShowDialog(void* hInstance, UINT nIDTemplate) { return CDialog(nIDTemplate, hInstance).DoModal(); }

void* CreatePage(HWND hWndParent, const CDialogTemplate& tmpl, HINSTANCE hInstance, LPCRECT pRect) {
  auto* page = new QWidget(reinterpret_cast<QWidget*>(hWndParent));
  page->setObjectName(QStringLiteral("propertyPage"));
  CDialog::FillWidget(page, tmpl, hInstance);
  if (pRect) page->move(pRect->left, pRect->top);
  return page;
}

void ShowPage(void* pPage, BOOL bShow) { static_cast<QWidget*>(pPage)->setVisible(bShow != FALSE); }

void MovePage(void* pPage, LONG x, LONG y) { static_cast<QWidget*>(pPage)->move(x, y); }

void DestroyPage(void* pPage) { delete static_cast<QWidget*>(pPage); }

const AFX_TOOLKIT_PART s_part = {FillRect,   DrawText, DrawToImage, ShowDialog,  AfxQtCreatePropertyFrame,
                                 CreatePage, ShowPage, MovePage,    DestroyPage, CDialog::DialogUnitsToPixels};

}  // namespace

extern "C" PX_EXPORT const AFX_TOOLKIT_PART* AfxToolkitPartEntryPoints() { return &s_part; }
