#include "control/tracks/CWavFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "control/tracks/FdRead.h"
#include "platform/com/FileAccess.h"

namespace {

uint16_t Le16(const BYTE* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const BYTE* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

class CFdCloser {
 public:
  explicit CFdCloser(int fd) : m_fd(fd) {}
  ~CFdCloser() {
    if (m_fd >= 0) close(m_fd);
  }
  CFdCloser(const CFdCloser&) = delete;
  CFdCloser& operator=(const CFdCloser&) = delete;

 private:
  int m_fd;
};

}  // namespace

bool CWavFile::TagEquals(const BYTE* pbTag, const char* szTag, size_t nChars) {
  for (size_t i = 0; i < nChars; ++i) {
    BYTE b = pbTag[i];
    if (b >= 'A' && b <= 'Z') b = static_cast<BYTE>(b - 'A' + 'a');
    if (b != static_cast<BYTE>(szTag[i])) return false;
  }
  return true;
}

SHORT CWavFile::CheckFile(std::u16string_view strFileName) {
  int fd = OpenForRead(strFileName);
  if (fd < 0) return kUnreadable;
  CFdCloser closer(fd);

  BYTE riff[12];
  if (ReadFull(fd, riff, sizeof riff) != sizeof riff) return kUnreadable;
  if (!TagEquals(riff, "riff") || !TagEquals(riff + 8, "wave")) return kUnreadable;

  // The chunk header and the basic 16-byte format block, read as one piece.
  BYTE fmt[24];
  if (ReadFull(fd, fmt, sizeof fmt) != sizeof fmt) return kUnreadable;
  if (!TagEquals(fmt, "fmt", 3)) return kUnreadable;

  // An extended format chunk must be readable to its stated end. Read in
  // bounded pieces: a size near 4 GiB on a short file ends at the first
  // empty read instead of looping byte by byte.
  uint32_t dwSize = Le32(fmt + 4);
  if (dwSize > 16) {
    uint64_t qwLeft = dwSize - 16u;
    BYTE scratch[4096];
    while (qwLeft > 0) {
      size_t nWant = qwLeft < sizeof scratch ? static_cast<size_t>(qwLeft) : sizeof scratch;
      ssize_t n = ReadSome(fd, scratch, nWant);
      if (n <= 0) return kUnreadable;
      qwLeft -= static_cast<uint64_t>(n);
    }
  }

  if (Le16(fmt + 10) != 2) return kNotStereo;
  if (Le32(fmt + 12) != 44100) return kNot44100;
  return kAccepted;
}
