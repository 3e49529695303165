// A picture of the window as the screen shows it now, once the pending
// paints are done, and what a person reads off it.
#pragma once

#include <QImage>
#include <string>

class MainFrm;
class QWidget;

class CWindowShot {
 public:
  explicit CWindowShot(MainFrm& form);

  // The share (0..1) of the progress bar's inner width that carries the
  // fill colour, read along the bar's middle row.
  double BarFill() const;
  // The ink of a widget's area: how much darker than its background it is.
  double Ink(const QWidget& widget) const;
  static double Ink(const QImage& image);
  // Keeps the picture as quillon-<name>.png in the build folder.
  bool Save(const std::string& name) const;

 private:
  MainFrm& m_form;
  QImage m_image;
};
