#include "app/CProgressBar.h"

#include <algorithm>
#include <cmath>

namespace {
// The drawn bar's resolution.
constexpr int kScale = 1000;
}

CProgressBar::CProgressBar(QWidget* pParent) : QProgressBar(pParent) {
  setTextVisible(false);
  QProgressBar::setRange(0, kScale);
  UpdateShown();
}

void CProgressBar::SetMin(float fMin) {
  m_fMin = fMin;
  UpdateShown();
}

void CProgressBar::SetMax(float fMax) {
  m_fMax = fMax;
  UpdateShown();
}

void CProgressBar::SetValue(float fValue) {
  // A range set by events arrives in two steps; keep the value inside it.
  m_fValue = m_fMax >= m_fMin ? std::clamp(fValue, m_fMin, m_fMax) : m_fMin;
  UpdateShown();
}

void CProgressBar::UpdateShown() {
  if (m_fMax >= m_fMin) m_fValue = std::clamp(m_fValue, m_fMin, m_fMax);
  const double dSpan = static_cast<double>(m_fMax) - static_cast<double>(m_fMin);
  int nShown = 0;
  if (dSpan > 0) nShown = static_cast<int>(std::lround((static_cast<double>(m_fValue) - m_fMin) / dSpan * kScale));
  nShown = std::clamp(nShown, 0, kScale);
  if (nShown == QProgressBar::value()) return;
  QProgressBar::setValue(nShown);
  // The base class repaints only a change it believes visible since its last
  // paint, and a paint of any part of it (a neighbour's repaint reaching one
  // row of it) counts as one: so small steps could leave the fill undrawn.
  // Every change is drawn whole.
  update();
}
