#include "control/tracks/CWavReader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "control/tracks/CWavFile.h"
#include "control/tracks/FdRead.h"
#include "platform/com/FileAccess.h"

CWavReader::~CWavReader() { Close(); }

void CWavReader::Close() {
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
}

bool CWavReader::Open(std::u16string_view strFileName) {
  Close();
  m_dwDataSize = m_dwBlockCount = m_dwDelivered = 0;
  m_eError = Error::None;
  m_fd = OpenForRead(strFileName);
  if (m_fd < 0) {
    m_eError = Error::CannotOpen;
    return false;
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
  BYTE riff[12];
  if (ReadFull(m_fd, riff, sizeof riff) != sizeof riff) return false;
  for (;;) {
    BYTE header[8];
    ssize_t n = ReadFull(m_fd, header, sizeof header);
    if (n < 0) {
      m_eError = Error::ReadError;
      return false;
    }
    if (n != sizeof header) return false;
    uint32_t dwSize = static_cast<uint32_t>(header[4]) | (static_cast<uint32_t>(header[5]) << 8) |
                      (static_cast<uint32_t>(header[6]) << 16) | (static_cast<uint32_t>(header[7]) << 24);
    if (CWavFile::TagEquals(header, "data")) {
      m_dwDataSize = dwSize;
      return true;
    }
    // RIFF bodies of odd size are followed by one pad byte.
    if (!SkipBody(static_cast<uint64_t>(dwSize) + (dwSize & 1u))) return false;
  }
}

bool CWavReader::SkipBody(uint64_t qwBytes) {
  // Seeking past the end is allowed and makes the next header read come back
  // empty, which ends the search; a huge size therefore costs nothing.
  if (lseek(m_fd, static_cast<off_t>(qwBytes), SEEK_CUR) >= 0) return true;
  if (errno != ESPIPE) {
    m_eError = Error::ReadError;
    return false;
  }
  BYTE scratch[4096];
  while (qwBytes > 0) {
    size_t nWant = qwBytes < sizeof scratch ? static_cast<size_t>(qwBytes) : sizeof scratch;
    ssize_t n = ReadSome(m_fd, scratch, nWant);
    if (n < 0) {
      m_eError = Error::ReadError;
      return false;
    }
    if (n == 0) return false;
    qwBytes -= static_cast<uint64_t>(n);
  }
  return true;
}

bool CWavReader::NextBlock(BYTE* pbBlock) {
  if (m_fd < 0 || m_eError != Error::None || m_dwDelivered >= m_dwBlockCount) return false;
  std::memset(pbBlock, 0, kBlockSize);
  uint64_t qwLeft = static_cast<uint64_t>(m_dwDataSize) - static_cast<uint64_t>(m_dwDelivered) * kBlockSize;
  size_t nWant = qwLeft < kBlockSize ? static_cast<size_t>(qwLeft) : kBlockSize;
  ssize_t n = ReadFull(m_fd, pbBlock, nWant);
  if (n < 0 || static_cast<size_t>(n) != nWant) {
    m_eError = n < 0 ? Error::ReadError : Error::ShortRead;
    Close();
    return false;
  }
  if (++m_dwDelivered == m_dwBlockCount) Close();
  return true;
}
