#include "app/CAppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

QImage CAppIcon::Render(int nSize) {
  QImage image(nSize, nSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = nSize;
  const QPointF centre(s / 2, s / 2);

  // A silver disc with a rainbow sheen.
  QRadialGradient sheen(centre, s / 2);
  sheen.setColorAt(0.0, QColor(235, 238, 245));
  sheen.setColorAt(0.55, QColor(190, 205, 230));
  sheen.setColorAt(0.8, QColor(215, 190, 235));
  sheen.setColorAt(1.0, QColor(150, 160, 180));
  painter.setPen(QPen(QColor(90, 95, 110), std::max<qreal>(1.0, s / 32)));
  painter.setBrush(sheen);
  painter.drawEllipse(centre, s / 2 - 1, s / 2 - 1);

  // The burnt area: a red ring being written.
  painter.setPen(QPen(QColor(200, 40, 30), std::max<qreal>(1.0, s / 10), Qt::SolidLine, Qt::FlatCap));
  painter.setBrush(Qt::NoBrush);
  const qreal r = s * 0.33;
  painter.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 90 * 16, -250 * 16);

  // The hole.
  painter.setPen(QPen(QColor(90, 95, 110), std::max<qreal>(1.0, s / 48)));
  painter.setBrush(Qt::white);
  painter.drawEllipse(centre, s * 0.1, s * 0.1);

  // A note for the player-piano firmware, from 24 pixels up.
  if (nSize >= 24) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 30, 40));
    const qreal u = s / 16;
    painter.drawEllipse(QPointF(s - 5 * u, s - 2.5 * u), 1.6 * u, 1.2 * u);
    painter.drawRect(QRectF(s - 3.6 * u, s - 9 * u, 0.6 * u, 6.5 * u));
  }
  painter.end();
  return image;
}

QList<QImage> CAppIcon::Images() {
  QList<QImage> images;
  for (int nSize : {16, 24, 32, 48})
    images.push_back(Render(nSize).convertToFormat(QImage::Format_Indexed8, Qt::ThresholdAlphaDither));
  for (int nSize : {16, 24, 32, 48, 64, 72, 96, 128})
    images.push_back(Render(nSize).convertToFormat(QImage::Format_ARGB32));
  return images;
}

QIcon CAppIcon::Icon() {
  QIcon icon;
  // Windows are drawn in full colour; the palette images are for desktops
  // that ask for them by depth.
  for (const QImage& image : Images())
    if (image.format() == QImage::Format_ARGB32) icon.addPixmap(QPixmap::fromImage(image));
  return icon;
}
