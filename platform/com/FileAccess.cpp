#include "platform/com/FileAccess.h"

#include <fcntl.h>

#include <cerrno>

#include "platform/com/Utf.h"

std::string NativePath(std::u16string_view path) {
  std::string p = Utf16ToUtf8(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

int OpenForRead(std::u16string_view path) {
  std::string p = NativePath(path);
  // An embedded NUL would open a shorter path than the one given.
  if (p.empty() || p.find('\0') != std::string::npos) {
    errno = ENOENT;
    return -1;
  }
  return open(p.c_str(), O_RDONLY | O_CLOEXEC);
}
