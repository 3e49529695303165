#include "tools/cantrel/CBurnProgress.h"

#include <algorithm>
#include <cstdio>

CBurnProgress::CBurnProgress(bool bTerminal, int nBarWidth)
    : m_bTerminal(bTerminal), m_nBarWidth(std::max(nBarWidth, 1)) {}

int CBurnProgress::Percent(long lCompleted, long lTotal) {
  if (lTotal <= 0 || lCompleted <= 0) return 0;
  if (lCompleted >= lTotal) return 100;
  return static_cast<int>(static_cast<long long>(lCompleted) * 100 / lTotal);
}

std::string CBurnProgress::FormatElapsed(double dSeconds) {
  long total = dSeconds > 0 ? static_cast<long>(dSeconds) : 0;
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

std::string CBurnProgress::Render(double dElapsed) const {
  const int percent = m_lClosingSeconds >= 0 ? 100 : Percent(m_lCompleted, m_lTotal);
  std::string line;
  if (m_bTerminal) {
    const int filled = percent * m_nBarWidth / 100;
    line = "\r[" + std::string(static_cast<size_t>(filled), '#') +
           std::string(static_cast<size_t>(m_nBarWidth - filled), '-') + "] ";
  }
  char text[160];
  if (m_lClosingSeconds >= 0) {
    std::snprintf(text, sizeof text, "%3d%%  closing disc (about %ld s)", percent, m_lClosingSeconds);
    line += text;
  } else {
    std::snprintf(text, sizeof text, "%3d%%", percent);
    line += text;
    // The service announces the track before the first blocks.
    if (m_lTotal > 0) {
      std::snprintf(text, sizeof text, "  %ld/%ld blocks", m_lCompleted, m_lTotal);
      line += text;
    }
    if (m_lTracks > 0) {
      std::snprintf(text, sizeof text, "  track %ld of %ld", m_lTrack, m_lTracks);
      line += text;
    }
  }
  line += "  " + FormatElapsed(dElapsed);
  // A terminal line is rewritten in place; the rest of an older, longer
  // line is cleared.
  line += m_bTerminal ? "\x1b[K" : "\n";
  return line;
}

std::string CBurnProgress::Blocks(long lCompleted, long lTotal, double dElapsed) {
  m_lCompleted = std::max(lCompleted, 0L);
  m_lTotal = std::max(lTotal, 0L);
  const int percent = Percent(m_lCompleted, m_lTotal);
  if (m_bTerminal) {
    m_bLineOpen = true;
    return Render(dElapsed);
  }
  // A log gets a line every 5 percent, not one for each block.
  const int step = percent / kPlainStep;
  if (step == m_nLastStep) return {};
  m_nLastStep = step;
  return Render(dElapsed);
}

std::string CBurnProgress::Track(long lCurrent, long lTotal, double dElapsed) {
  const bool bChanged = lCurrent != m_lTrack || lTotal != m_lTracks;
  m_lTrack = lCurrent;
  m_lTracks = lTotal;
  if (m_bTerminal) {
    m_bLineOpen = true;
    return Render(dElapsed);
  }
  return bChanged ? Render(dElapsed) : std::string();
}

std::string CBurnProgress::Closing(long lEstimatedSeconds, double dElapsed) {
  const bool bChanged = lEstimatedSeconds != m_lClosingSeconds;
  m_lClosingSeconds = std::max(lEstimatedSeconds, 0L);
  if (m_bTerminal) {
    m_bLineOpen = true;
    return Render(dElapsed);
  }
  return bChanged ? Render(dElapsed) : std::string();
}

std::string CBurnProgress::Finish() {
  if (!m_bLineOpen) return {};
  m_bLineOpen = false;
  return "\n";
}
