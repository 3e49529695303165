// The program's icon, drawn at start-up in every size the desktop asks for:
// 16, 24, 32 and 48 pixels with a 256-colour palette, and 16 to 128 pixels
// in full colour with transparency.
#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

class CAppIcon {
 public:
  static QList<QImage> Images();
  static QIcon Icon();
  // One full-colour image of the artwork.
  static QImage Render(int nSize);
};
