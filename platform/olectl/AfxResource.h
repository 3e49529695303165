// Resources of a loaded library or program, read from its file ("pxres"
// section) by module handle. Strings are stored as UTF-16LE without a
// terminator.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

using HINSTANCE = void*;

// The bytes of the resource of that type and id, or nullopt.
PX_EXPORT std::optional<std::vector<uint8_t>> AfxLoadResource(HINSTANCE hInstance, const char* pszType, UINT nID);
// String resource nID, or nullopt when the library has none.
PX_EXPORT std::optional<std::u16string> AfxLoadString(HINSTANCE hInstance, UINT nID);
// The resource form of a string (for resource generators).
PX_EXPORT std::vector<uint8_t> AfxMakeStringResource(std::u16string_view text);
// Decodes a string resource; nullopt when its length is odd.
PX_EXPORT std::optional<std::u16string> AfxParseStringResource(const std::vector<uint8_t>& data);
