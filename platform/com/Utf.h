// Conversions between the UTF-16 of the interfaces and the UTF-8 of the
// file system and terminals. Invalid sequences become U+FFFD, which is right
// for text and wrong for a file name: names go through the exact form.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

PX_EXPORT std::string Utf16ToUtf8(std::u16string_view s);
// The same conversion, but false (out unspecified) at an unpaired surrogate
// instead of a replacement character.
PX_EXPORT bool Utf16ToUtf8Exact(std::u16string_view s, std::string& out);
PX_EXPORT std::u16string Utf8ToUtf16(std::string_view s);
