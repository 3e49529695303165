#include "fuzz/CFuzzFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

CFuzzFile::CFuzzFile() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/cantrel-fuzz-XXXXXX";
  m_fd = mkstemp(pattern.data());
  if (m_fd < 0) std::abort();
  m_strPath = pattern;
}

CFuzzFile::~CFuzzFile() {
  if (m_fd >= 0) close(m_fd);
  unlink(m_strPath.c_str());
}

void CFuzzFile::Write(const uint8_t* pbData, size_t nSize) {
  if (ftruncate(m_fd, 0) != 0) std::abort();
  size_t done = 0;
  while (done < nSize) {
    ssize_t n = pwrite(m_fd, pbData + done, nSize - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
}
