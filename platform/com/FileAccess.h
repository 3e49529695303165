// Opening files named by the system code, which builds paths with "\".
#pragma once

#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

// UTF-16 path with "\" or "/" separators -> file-system path (UTF-8, "/").
// Nothing else is rewritten: no drive letters, no normalisation.
PX_EXPORT std::string NativePath(std::u16string_view path);
// open(2) of exactly that path for reading; -1 with errno on failure.
PX_EXPORT int OpenForRead(std::u16string_view path);
