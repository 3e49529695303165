// The words the cantrel tool uses for the control's numbers: the error
// numbers of ErrorEvent and the refusals of AddAudioTrack.
#pragma once

#include <string>

class CErrorTexts {
 public:
  // Why a file the control accepted will not burn: its sample format, as
  // CWavFile::Describe names it ("24-bit PCM").
  static std::string FormatRefusal(const std::string& strFormat);
  // The meaning of an ErrorEvent number.
  static std::string ErrorEvent(int nErrorNo);
  // Why AddAudioTrack refused a file (-1, -2, -3); bReadable tells a file
  // that cannot be read from one that is no WAV file.
  static std::string TrackRefusal(int nResult, bool bReadable);
};
