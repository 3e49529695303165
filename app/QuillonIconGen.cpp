// Writes the program's icon as hicolor PNG files for desktop menus:
//   quillon_icongen OUTDIR SIZE...  ->  OUTDIR/SIZExSIZE/apps/quillon.png
#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

#include "app/CAppIcon.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: quillon_icongen OUTDIR SIZE...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size < 16 || size > 512) {
      std::fprintf(stderr, "quillon_icongen: size %s is not between 16 and 512\n", argv[i]);
      return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/%1x%1/apps").arg(size);
    const QString file = folder + QStringLiteral("/quillon.png");
    if (!QDir().mkpath(folder) || !CAppIcon::Render(size).save(file, "PNG")) {
      std::fprintf(stderr, "quillon_icongen: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
