#include "platform/base/FdIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/base/UniqueFd.h"

ssize_t ReadSome(int fd, void* pBuffer, size_t nBytes) {
  for (;;) {
    ssize_t n = ::read(fd, pBuffer, nBytes);
    if (n >= 0 || errno != EINTR) return n;
  }
}

ssize_t ReadFull(int fd, void* pBuffer, size_t nBytes) {
  auto* p = static_cast<unsigned char*>(pBuffer);
  size_t nDone = 0;
  while (nDone < nBytes) {
    ssize_t n = ReadSome(fd, p + nDone, nBytes - nDone);
    if (n < 0) return nDone > 0 ? static_cast<ssize_t>(nDone) : -1;
    if (n == 0) break;
    nDone += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(nDone);
}

ssize_t ReadFullAt(int fd, void* pBuffer, size_t nBytes, uint64_t qwOffset) {
  auto* p = static_cast<unsigned char*>(pBuffer);
  size_t nDone = 0;
  while (nDone < nBytes) {
    ssize_t n = ::pread(fd, p + nDone, nBytes - nDone, static_cast<off_t>(qwOffset + nDone));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return nDone > 0 ? static_cast<ssize_t>(nDone) : -1;
    if (n == 0) break;
    nDone += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(nDone);
}

bool WriteAll(int fd, const void* pData, size_t nBytes) {
  const auto* p = static_cast<const unsigned char*>(pData);
  while (nBytes > 0) {
    ssize_t n = ::write(fd, p, nBytes);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return false;
    }
    p += n;
    nBytes -= static_cast<size_t>(n);
  }
  return true;
}

int OpenRegularFile(const char* szPath, size_t nLength) {
  // An embedded NUL would open a shorter path than the one given.
  if (nLength == 0 || std::memchr(szPath, 0, nLength) != nullptr) {
    errno = ENOENT;
    return -1;
  }
  // O_NONBLOCK makes opening a FIFO without a writer return at once; the
  // type is checked on what was opened, so a swap after a stat cannot slip
  // a device through.
  UniqueFd fd(::open(szPath, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd.Valid()) return -1;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return -1;
  if (!S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return -1;
  }
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return -1;
  return fd.Release();
}
