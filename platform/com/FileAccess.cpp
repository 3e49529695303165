#include "platform/com/FileAccess.h"

#include <cerrno>

#include "platform/base/FdIo.h"
#include "platform/com/Utf.h"

std::optional<std::string> NativePath(std::u16string_view path) {
  std::string p;
  if (!Utf16ToUtf8Exact(path, p)) return std::nullopt;
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

int OpenForRead(std::u16string_view path) {
  std::optional<std::string> p = NativePath(path);
  if (!p) {
    errno = EILSEQ;
    return -1;
  }
  return OpenRegularFile(p->c_str(), p->size());
}
