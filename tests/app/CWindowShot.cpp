#include "tests/app/CWindowShot.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include "app/CProgressBar.h"
#include "app/MainFrm.h"
#include "tests/support/TestSupport.h"

// What the screen holds, not a fresh rendering of the widgets (QWidget::grab
// draws every widget whole and so never shows a part left undrawn). The
// toolkit paints what changed on an update request that may still be on its
// way (a timer, late on a busy machine); one sent here paints just that now.
CWindowShot::CWindowShot(MainFrm& form) : m_form(form) {
  QCoreApplication::processEvents();
  QEvent paintNow(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(&form, &paintNow);
  m_image = form.screen()->grabWindow(form.winId()).toImage();
}

double CWindowShot::BarFill() const {
  // The frame takes two pixels at each end.
  const QRect bar = m_form.ProgressBar->geometry().adjusted(2, 0, -2, 0);
  const QColor fill = m_form.ProgressBar->palette().color(QPalette::Highlight);
  int nFilled = 0;
  for (int x = bar.left(); x <= bar.right(); ++x) {
    const QColor c = m_image.pixelColor(x, bar.center().y());
    nFilled += std::abs(c.red() - fill.red()) + std::abs(c.green() - fill.green()) +
                   std::abs(c.blue() - fill.blue()) < 90;
  }
  return static_cast<double>(nFilled) / bar.width();
}

double CWindowShot::Ink(const QWidget& widget) const { return Ink(m_image.copy(widget.geometry())); }

double CWindowShot::Ink(const QImage& image) {
  const int nBackground = qGray(image.pixel(0, 0));
  double dInk = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) dInk += std::max(0, nBackground - qGray(image.pixel(x, y)));
  return dInk / 255;
}

bool CWindowShot::Save(const std::string& name) const {
  return m_image.save(QString::fromStdString(testsupport::BinDir() + "/../quillon-" + name + ".png"));
}
