// The check that a WAV file passes before it joins the track list: a
// RIFF/WAVE file whose first chunk is the format chunk, two channels at
// 44100 samples per second.
#pragma once

#include <string_view>

#include "platform/com/ComTypes.h"

class CWavFile {
 public:
  // Results of CheckFile, as AddAudioTrack returns them.
  static constexpr SHORT kAccepted = 0;
  static constexpr SHORT kUnreadable = -1;  // cannot open, not RIFF/WAVE, no format chunk first, cut short
  static constexpr SHORT kNotStereo = -2;
  static constexpr SHORT kNot44100 = -3;

  // Opens the file (paths may use "\"), checks its header and closes it again.
  static SHORT CheckFile(std::u16string_view strFileName);

  // Four ASCII characters equal to tag, ignoring case.
  static bool TagEquals(const BYTE* pbTag, const char* szTag, size_t nChars = 4);
};
