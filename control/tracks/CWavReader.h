// Turns one WAV file into 2352-byte audio blocks for the burn job: checks the
// header of the file it has open as adding the track did, plus 16-bit PCM,
// finds the "data" chunk, counts its blocks and hands them out one by one,
// the last one padded with zero bytes. A file swapped after it was added is
// judged by what is read here. Sizes in the file are not trusted: the search
// and the reads are bounded, and a file that delivers less than its header
// announces is reported as incomplete.
#pragma once

#include <string_view>

#include "control/tracks/CWavFile.h"
#include "platform/base/UniqueFd.h"
#include "platform/com/ComTypes.h"

class CWavReader {
 public:
  static constexpr DWORD kBlockSize = 2352;  // one audio-CD sector

  enum class Error {
    None,
    CannotOpen,  // the file could not be opened, or is no regular file
    BadFormat,   // the header fails the add-time check or is not 16-bit PCM
    NoData,      // no "data" chunk before the end of the file
    ShortRead,   // the data ended before the size its header states
    ReadError,   // the system refused a read
  };

  CWavReader() = default;
  CWavReader(const CWavReader&) = delete;
  CWavReader& operator=(const CWavReader&) = delete;

  // Opens the file and positions it at the audio data. False only when the
  // file cannot be opened; a file with a header it refuses or without audio
  // data opens with no blocks and LastError() saying why.
  bool Open(std::u16string_view strFileName);
  // The size that the "data" header states and the blocks it makes.
  DWORD DataSize() const { return m_dwDataSize; }
  DWORD BlockCount() const { return m_dwBlockCount; }
  DWORD BlocksDelivered() const { return m_dwDelivered; }
  const CWavFile::Format& Format() const { return m_format; }

  // Fills pbBlock (kBlockSize bytes) with the next block: zero bytes, then as
  // much audio as is left. False after the last block, and at the first read
  // that delivers less than asked (the track ends there).
  bool NextBlock(BYTE* pbBlock);
  // The same for up to nMaxBlocks blocks at once, in one read: the number of
  // blocks filled, 0 where NextBlock would be false. A read that falls short
  // fills none of them.
  DWORD NextBlocks(BYTE* pbBlocks, DWORD nMaxBlocks);

  // True once every announced block was delivered and nothing went wrong.
  bool Complete() const { return m_eError == Error::None && m_dwDelivered == m_dwBlockCount; }
  Error LastError() const { return m_eError; }

  void Close();

 private:
  bool FindData();

  UniqueFd m_fd;
  CWavFile::Format m_format;
  DWORD m_dwDataSize = 0;
  DWORD m_dwBlockCount = 0;
  DWORD m_dwDelivered = 0;
  Error m_eError = Error::None;
};
