#include "platform/imapi/service/CEnumDiscRecordersObj.h"

#include <algorithm>

CEnumDiscRecordersObj::CEnumDiscRecordersObj(std::vector<ComPtr<IDiscRecorder>> recorders, size_t pos)
    : m_recorders(std::move(recorders)), m_pos(pos) {}

HRESULT CEnumDiscRecordersObj::Next(ULONG cRecorders, IDiscRecorder** ppRecorder, ULONG* pcFetched) {
  if (!ppRecorder) return E_POINTER;
  if (!pcFetched && cRecorders != 1) return E_INVALIDARG;
  ULONG n = 0;
  for (; n < cRecorders && m_pos < m_recorders.size(); ++n) (void)m_recorders[m_pos++].CopyTo(&ppRecorder[n]);
  for (ULONG i = n; i < cRecorders; ++i) ppRecorder[i] = nullptr;
  if (pcFetched) *pcFetched = n;
  return n == cRecorders ? S_OK : S_FALSE;
}

HRESULT CEnumDiscRecordersObj::Skip(ULONG cRecorders) {
  size_t left = m_recorders.size() - m_pos;
  m_pos += std::min<size_t>(left, cRecorders);
  return cRecorders <= left ? S_OK : S_FALSE;
}

HRESULT CEnumDiscRecordersObj::Reset() {
  m_pos = 0;
  return S_OK;
}

HRESULT CEnumDiscRecordersObj::Clone(IEnumDiscRecorders** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = new CEnumDiscRecordersObj(m_recorders, m_pos);
  return S_OK;
}
