// The progress bar of the window: a range and a value held as
// single-precision numbers, drawn as a filled bar.
#pragma once

#include <QProgressBar>

class CProgressBar : public QProgressBar {
  Q_OBJECT
 public:
  explicit CProgressBar(QWidget* pParent = nullptr);

  float Min() const { return m_fMin; }
  float Max() const { return m_fMax; }
  float Value() const { return m_fValue; }
  void SetMin(float fMin);
  void SetMax(float fMax);
  // A value outside the range is held at the nearer end of the range.
  void SetValue(float fValue);

 private:
  void UpdateShown();

  float m_fMin = 0.0f;
  float m_fMax = 100.0f;
  float m_fValue = 0.0f;
};
