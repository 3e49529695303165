// What the cantrel tool shows while a disc is written: on a terminal one
// live line with a bar, the percentage, the blocks, the track and the elapsed
// time, and "closing disc" at the end; elsewhere (a pipe, a log) one plain
// line whenever the percentage moves on by 5, the track or the phase changes.
#pragma once

#include <string>

class CBurnProgress {
 public:
  explicit CBurnProgress(bool bTerminal, int nBarWidth = 30);

  // Each returns the text to write now (empty when nothing changed).
  std::string Blocks(long lCompleted, long lTotal, double dElapsed);
  std::string Track(long lCurrent, long lTotal, double dElapsed);
  std::string Closing(long lEstimatedSeconds, double dElapsed);
  // Ends the live line before other output follows it.
  std::string Finish();

  // "0:07", "12:30", "1:02:03".
  static std::string FormatElapsed(double dSeconds);
  static int Percent(long lCompleted, long lTotal);

 private:
  std::string Render(double dElapsed) const;

  bool m_bTerminal;
  int m_nBarWidth;
  long m_lCompleted = 0;
  long m_lTotal = 0;
  long m_lTrack = 0;
  long m_lTracks = 0;
  long m_lClosingSeconds = -1;  // -1 until the disc is being closed
  static constexpr int kPlainStep = 5;
  int m_nLastStep = -1;         // plain lines: the percentage last written, in steps
  bool m_bLineOpen = false;     // terminal: a live line waits for its end
};
