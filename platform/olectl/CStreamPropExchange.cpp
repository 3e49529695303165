#include "platform/olectl/CStreamPropExchange.h"

#include "platform/base/LittleEndian.h"

#include <cstring>

namespace {

// A string longer than this in a stream is taken as damage, not as data.
constexpr uint32_t kMaxStringChars = 1u << 20;

}  // namespace

CStreamPropExchange::CStreamPropExchange(IStream* pStm, BOOL bLoading) : CPropExchange(bLoading), m_pStm(pStm) {
  if (!m_pStm) m_bOk = FALSE;
}

BOOL CStreamPropExchange::ReadBytes(void* pv, ULONG cb) {
  if (!m_bOk || !m_pStm) return FALSE;
  ULONG got = 0;
  HRESULT hr = m_pStm->Read(pv, cb, &got);
  if (FAILED(hr) || got != cb) return Fail();
  return TRUE;
}

BOOL CStreamPropExchange::WriteBytes(const void* pv, ULONG cb) {
  if (!m_bOk || !m_pStm) return FALSE;
  ULONG put = 0;
  HRESULT hr = m_pStm->Write(pv, cb, &put);
  if (FAILED(hr) || put != cb) return Fail();
  return TRUE;
}

BOOL CStreamPropExchange::ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert) {
  uint8_t b[4];
  if (m_bLoading) {
    if (!ReadBytes(b, 4)) return FALSE;
    dwVersionLoaded = GetLe32(b);
    m_dwVersion = bConvert ? dwVersionDefault : dwVersionLoaded;
    return TRUE;
  }
  DWORD v = bConvert ? dwVersionDefault : dwVersionLoaded;
  m_dwVersion = v;
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
  return WriteBytes(b, 4);
}

BOOL CStreamPropExchange::ExchangeProp(LPCOLESTR pszPropName, VARTYPE vtProp, void* pvProp, const void* pvDefault) {
  if (!pvProp) return Fail();
  uint8_t b[4];
  switch (vtProp) {
    case VT_I2:
      if (m_bLoading) {
        if (!ReadBytes(b, 2)) return FALSE;
        *static_cast<SHORT*>(pvProp) = static_cast<SHORT>(GetLe16(b));
        return TRUE;
      } else {
        auto v = static_cast<uint16_t>(*static_cast<SHORT*>(pvProp));
        b[0] = static_cast<uint8_t>(v);
        b[1] = static_cast<uint8_t>(v >> 8);
        return WriteBytes(b, 2);
      }
    case VT_I4:
    case VT_BOOL: {
      if (m_bLoading) {
        if (!ReadBytes(b, 4)) return FALSE;
        uint32_t v = GetLe32(b);
        if (vtProp == VT_I4)
          *static_cast<LONG*>(pvProp) = static_cast<LONG>(v);
        else
          *static_cast<BOOL*>(pvProp) = v ? TRUE : FALSE;
        return TRUE;
      }
      uint32_t v = vtProp == VT_I4 ? static_cast<uint32_t>(*static_cast<LONG*>(pvProp))
                                   : (*static_cast<BOOL*>(pvProp) ? 1u : 0u);
      for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
      return WriteBytes(b, 4);
    }
    case VT_BSTR: {
      auto* s = static_cast<std::u16string*>(pvProp);
      if (m_bLoading) {
        if (!ReadBytes(b, 4)) return FALSE;
        uint32_t n = GetLe32(b);
        if (n > kMaxStringChars) return Fail();
        std::u16string text;
        for (uint32_t i = 0; i < n; ++i) {
          if (!ReadBytes(b, 2)) return FALSE;
          text.push_back(static_cast<char16_t>(GetLe16(b)));
        }
        *s = std::move(text);
        return TRUE;
      }
      if (s->size() > kMaxStringChars) return Fail();
      auto n = static_cast<uint32_t>(s->size());
      for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(n >> (8 * i));
      if (!WriteBytes(b, 4)) return FALSE;
      for (char16_t c : *s) {
        b[0] = static_cast<uint8_t>(c);
        b[1] = static_cast<uint8_t>(c >> 8);
        if (!WriteBytes(b, 2)) return FALSE;
      }
      return TRUE;
    }
    default:
      return Fail();
  }
}
