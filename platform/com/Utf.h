// Conversions between the UTF-16 of the interfaces and the UTF-8 of the
// file system and terminals. Invalid sequences become U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

PX_EXPORT std::string Utf16ToUtf8(std::u16string_view s);
PX_EXPORT std::u16string Utf8ToUtf16(std::string_view s);
