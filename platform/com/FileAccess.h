// Opening files named by the system code, which builds paths with "\".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

// UTF-16 path with "\" or "/" separators -> file-system path (UTF-8, "/").
// Nothing else is rewritten: no drive letters, no normalisation. Nothing when
// the path holds an unpaired surrogate: no file has that name, and a
// replacement character would name another file.
PX_EXPORT std::optional<std::string> NativePath(std::u16string_view path);
// Opens exactly that path for reading, never waiting: only a regular file
// opens (OpenRegularFile); -1 with errno on failure.
PX_EXPORT int OpenForRead(std::u16string_view path);
