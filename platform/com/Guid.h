// GUIDs in their registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

// Upper-case hex with braces.
PX_EXPORT std::string GuidToString(REFGUID g);
// Accepts the braced form, case-insensitive; nullopt when malformed.
PX_EXPORT std::optional<GUID> GuidFromString(std::string_view s);

extern "C" {
// Writes the braced form into lpsz (cchMax >= 39); returns characters written
// including the terminator, 0 when the buffer is too small.
PX_EXPORT int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
PX_EXPORT HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid);
PX_EXPORT HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid);
}
