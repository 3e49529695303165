#include "platform/com/Guid.h"

#include <cstdio>

#include "platform/com/Apartment.h"
#include "platform/com/Utf.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at s[pos]; false if any is not hex.
bool ReadHex(std::string_view s, size_t pos, size_t digits, uint64_t& out) {
  out = 0;
  for (size_t i = 0; i < digits; ++i) {
    int v = HexValue(s[pos + i]);
    if (v < 0) return false;
    out = out << 4 | static_cast<uint64_t>(v);
  }
  return true;
}

// Only 7-bit text can be a GUID; anything else fails the parse below.
std::string Narrow(LPCOLESTR s) {
  std::string r;
  for (; *s; ++s) {
    if (*s > 0x7F || r.size() > 64) return {};
    r += static_cast<char>(*s);
  }
  return r;
}

}  // namespace

std::string GuidToString(REFGUID g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buf;
}

std::optional<GUID> GuidFromString(std::string_view s) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (s.size() != 38 || s[0] != '{' || s[37] != '}' || s[9] != '-' || s[14] != '-' || s[19] != '-' || s[24] != '-')
    return std::nullopt;
  GUID g{};
  uint64_t v;
  if (!ReadHex(s, 1, 8, v)) return std::nullopt;
  g.Data1 = static_cast<uint32_t>(v);
  if (!ReadHex(s, 10, 4, v)) return std::nullopt;
  g.Data2 = static_cast<uint16_t>(v);
  if (!ReadHex(s, 15, 4, v)) return std::nullopt;
  g.Data3 = static_cast<uint16_t>(v);
  static constexpr size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(s, kBytePos[i], 2, v)) return std::nullopt;
    g.Data4[i] = static_cast<uint8_t>(v);
  }
  return g;
}

extern "C" {

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
  if (!lpsz || cchMax < 39) return 0;
  std::string s = GuidToString(rguid);
  for (size_t i = 0; i < s.size(); ++i) lpsz[i] = static_cast<OLECHAR>(s[i]);
  lpsz[s.size()] = 0;
  return static_cast<int>(s.size() + 1);
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid) {
  if (!pclsid) return E_INVALIDARG;
  if (!lpsz || !*lpsz) {
    *pclsid = GUID_NULL;
    return S_OK;
  }
  if (lpsz[0] != u'{') return CLSIDFromProgID(lpsz, pclsid);
  auto g = GuidFromString(Narrow(lpsz));
  if (!g) return CO_E_CLASSSTRING;
  *pclsid = *g;
  return S_OK;
}

HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid) {
  if (!lpiid) return E_INVALIDARG;
  if (!lpsz) {
    *lpiid = GUID_NULL;
    return S_OK;
  }
  auto g = GuidFromString(Narrow(lpsz));
  if (!g) return E_INVALIDARG;
  *lpiid = *g;
  return S_OK;
}

}  // extern "C"
