// The header of a WAV file as the track list and the burn read it: a
// RIFF/WAVE file whose first chunk is the format chunk. Adding a track asks
// for two channels at 44100 samples per second; burning it also asks for
// 16-bit integer samples, the only kind an audio disc holds. Both read the
// header here, and both walk chunks with ChunkEnd.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

class CWavFile {
 public:
  // Results of CheckFile, as AddAudioTrack returns them.
  static constexpr SHORT kAccepted = 0;
  static constexpr SHORT kUnreadable = -1;  // cannot open, not a regular file, not RIFF/WAVE, no format chunk first, cut short
  static constexpr SHORT kNotStereo = -2;
  static constexpr SHORT kNot44100 = -3;

  static constexpr WORD kTagPcm = 1;
  static constexpr WORD kTagAdpcm = 2;
  static constexpr WORD kTagFloat = 3;
  static constexpr WORD kTagExtensible = 0xFFFE;

  struct Format {
    SHORT nCheck = kUnreadable;  // the add-time result
    WORD wTag = 0;               // format tag, an extensible one resolved to its sub-format
    WORD wBits = 0;              // bits per sample
  };

  // Opens the file (paths may use "\"), checks its header and closes it again.
  static SHORT CheckFile(std::u16string_view strFileName);
  // The header of the named file; nCheck -1 when it cannot be opened.
  static Format FileFormat(std::u16string_view strFileName);
  // The header of the file open at fd, read from its start by position.
  static Format ReadFormat(int fd);
  // 16-bit integer PCM that passed the add-time check.
  static bool Burnable(const Format& format);
  // "16-bit PCM", "24-bit PCM", "32-bit float", "ADPCM", "format 0x0055".
  static std::string Describe(const Format& format);

  // Where the chunk whose body starts at qwBody with dwSize bytes ends. An odd
  // body is followed by a pad byte, which is zero; writers that leave it out
  // put the next tag there, which never starts with a zero byte.
  static uint64_t ChunkEnd(int fd, uint64_t qwBody, DWORD dwSize);

  // Four ASCII characters equal to tag, ignoring case.
  static bool TagEquals(const BYTE* pbTag, const char* szTag, size_t nChars = 4);
};
