#include "control/tracks/CWavReader.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/base/FdIo.h"
#include "platform/base/LittleEndian.h"
#include "platform/com/FileAccess.h"

void CWavReader::Close() { m_fd.Reset(); }

bool CWavReader::Open(std::u16string_view strFileName) {
  Close();
  m_dwDataSize = m_dwBlockCount = m_dwDelivered = 0;
  m_eError = Error::None;
  m_format = {};
  m_fd.Reset(OpenForRead(strFileName));
  if (!m_fd.Valid()) {
    m_eError = Error::CannotOpen;
    return false;
  }
  // Checked on the descriptor that is staged, so a file replaced since it
  // was added is judged by what will be burnt.
  m_format = CWavFile::ReadFormat(m_fd.Get());
  if (!CWavFile::Burnable(m_format)) {
    m_eError = Error::BadFormat;
    Close();
    return true;
  }
  if (!FindData()) {
    // Nothing to stage: a missing data chunk is not read as audio of some
    // other chunk's size.
    if (m_eError == Error::None) m_eError = Error::NoData;
    Close();
    return true;
  }
  m_dwBlockCount = m_dwDataSize / kBlockSize + (m_dwDataSize % kBlockSize ? 1 : 0);
  if (m_dwBlockCount == 0) Close();
  return true;
}

bool CWavReader::FindData() {
  // Only regular files open, so every position can be read directly; a size
  // running past the end makes the next header read come back empty.
  uint64_t qwPos = 12;
  for (;;) {
    BYTE header[8];
    ssize_t n = ReadFullAt(m_fd.Get(), header, sizeof header, qwPos);
    if (n < 0) {
      m_eError = Error::ReadError;
      return false;
    }
    if (n != sizeof header) return false;
    const DWORD dwSize = GetLe32(header + 4);
    if (CWavFile::TagEquals(header, "data")) {
      m_dwDataSize = dwSize;
      if (::lseek(m_fd.Get(), static_cast<off_t>(qwPos + 8), SEEK_SET) >= 0) return true;
      m_eError = Error::ReadError;
      return false;
    }
    qwPos = CWavFile::ChunkEnd(m_fd.Get(), qwPos + 8, dwSize);
  }
}

bool CWavReader::NextBlock(BYTE* pbBlock) { return NextBlocks(pbBlock, 1) == 1; }

DWORD CWavReader::NextBlocks(BYTE* pbBlocks, DWORD nMaxBlocks) {
  if (!m_fd.Valid() || m_eError != Error::None || m_dwDelivered >= m_dwBlockCount) return 0;
  const DWORD nBlocks = std::min(nMaxBlocks, m_dwBlockCount - m_dwDelivered);
  if (nBlocks == 0) return 0;
  const size_t nSpace = static_cast<size_t>(nBlocks) * kBlockSize;
  const uint64_t qwLeft = static_cast<uint64_t>(m_dwDataSize) - static_cast<uint64_t>(m_dwDelivered) * kBlockSize;
  const size_t nWant = qwLeft < nSpace ? static_cast<size_t>(qwLeft) : nSpace;
  const ssize_t n = ReadFull(m_fd.Get(), pbBlocks, nWant);
  if (n < 0 || static_cast<size_t>(n) != nWant) {
    m_eError = n < 0 ? Error::ReadError : Error::ShortRead;
    Close();
    return 0;
  }
  std::memset(pbBlocks + nWant, 0, nSpace - nWant);  // the last block's padding
  m_dwDelivered += nBlocks;
  if (m_dwDelivered == m_dwBlockCount) Close();
  return nBlocks;
}
