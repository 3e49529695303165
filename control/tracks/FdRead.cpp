#include "control/tracks/FdRead.h"

#include <unistd.h>

#include <cerrno>

ssize_t ReadSome(int fd, void* pBuffer, size_t nBytes) {
  for (;;) {
    ssize_t n = read(fd, pBuffer, nBytes);
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
