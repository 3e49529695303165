#include "platform/imapi/service/CEnumDiscMasterFormatsObj.h"

#include <algorithm>

CEnumDiscMasterFormatsObj::CEnumDiscMasterFormatsObj(std::vector<IID> formats, size_t pos)
    : m_formats(std::move(formats)), m_pos(pos) {}

HRESULT CEnumDiscMasterFormatsObj::Next(ULONG cFormats, LPIID lpiidFormatID, ULONG* pcFetched) {
  if (!lpiidFormatID) return E_POINTER;
  if (!pcFetched && cFormats != 1) return E_INVALIDARG;
  ULONG n = 0;
  for (; n < cFormats && m_pos < m_formats.size(); ++n) lpiidFormatID[n] = m_formats[m_pos++];
  if (pcFetched) *pcFetched = n;
  return n == cFormats ? S_OK : S_FALSE;
}

HRESULT CEnumDiscMasterFormatsObj::Skip(ULONG cFormats) {
  size_t left = m_formats.size() - m_pos;
  m_pos += std::min<size_t>(left, cFormats);
  return cFormats <= left ? S_OK : S_FALSE;
}

HRESULT CEnumDiscMasterFormatsObj::Reset() {
  m_pos = 0;
  return S_OK;
}

HRESULT CEnumDiscMasterFormatsObj::Clone(IEnumDiscMasterFormats** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = new CEnumDiscMasterFormatsObj(m_formats, m_pos);
  return S_OK;
}
