#include "platform/olectl/CMemStream.h"

#include <algorithm>
#include <cstring>

namespace {
// Refuse sizes that would exhaust memory instead of crashing on them.
constexpr ULONGLONG kMaxSize = 1ull << 31;
}  // namespace

ComPtr<CMemStream> CMemStream::Create(std::vector<uint8_t> initial) { return Make<CMemStream>(std::move(initial)); }

HRESULT CMemStream::Read(void* pv, ULONG cb, ULONG* pcbRead) {
  if (!pv && cb) return STG_E_INVALIDPOINTER;
  std::lock_guard lock(m_mutex);
  size_t avail = m_pos < m_data.size() ? m_data.size() - m_pos : 0;
  size_t n = std::min<size_t>(cb, avail);
  if (n) std::memcpy(pv, m_data.data() + m_pos, n);
  m_pos += n;
  if (pcbRead) *pcbRead = static_cast<ULONG>(n);
  return n == cb ? S_OK : S_FALSE;
}

HRESULT CMemStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten) {
  if (!pv && cb) return STG_E_INVALIDPOINTER;
  std::lock_guard lock(m_mutex);
  if (m_pos + cb > kMaxSize) return STG_E_MEDIUMFULL;
  if (m_pos + cb > m_data.size()) m_data.resize(m_pos + cb);
  if (cb) std::memcpy(m_data.data() + m_pos, pv, cb);
  m_pos += cb;
  if (pcbWritten) *pcbWritten = cb;
  return S_OK;
}

HRESULT CMemStream::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) {
  std::lock_guard lock(m_mutex);
  LONGLONG base;
  switch (dwOrigin) {
    case STREAM_SEEK_SET:
      base = 0;
      break;
    case STREAM_SEEK_CUR:
      base = static_cast<LONGLONG>(m_pos);
      break;
    case STREAM_SEEK_END:
      base = static_cast<LONGLONG>(m_data.size());
      break;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  LONGLONG target = base + dlibMove.QuadPart;
  if (target < 0 || static_cast<ULONGLONG>(target) > kMaxSize) return STG_E_INVALIDFUNCTION;
  m_pos = static_cast<size_t>(target);
  if (plibNewPosition) plibNewPosition->QuadPart = static_cast<ULONGLONG>(target);
  return S_OK;
}

HRESULT CMemStream::SetSize(ULARGE_INTEGER libNewSize) {
  if (libNewSize.QuadPart > kMaxSize) return STG_E_MEDIUMFULL;
  std::lock_guard lock(m_mutex);
  m_data.resize(static_cast<size_t>(libNewSize.QuadPart));
  return S_OK;
}

HRESULT CMemStream::CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) {
  if (!pstm) return STG_E_INVALIDPOINTER;
  std::vector<uint8_t> chunk;
  {
    std::lock_guard lock(m_mutex);
    size_t avail = m_pos < m_data.size() ? m_data.size() - m_pos : 0;
    size_t n = static_cast<size_t>(std::min<ULONGLONG>(cb.QuadPart, avail));
    chunk.assign(m_data.begin() + static_cast<ptrdiff_t>(m_pos), m_data.begin() + static_cast<ptrdiff_t>(m_pos + n));
    m_pos += n;
  }
  ULONG written = 0;
  HRESULT hr = pstm->Write(chunk.data(), static_cast<ULONG>(chunk.size()), &written);
  if (pcbRead) pcbRead->QuadPart = chunk.size();
  if (pcbWritten) pcbWritten->QuadPart = written;
  return hr;
}

HRESULT CMemStream::Commit(DWORD) { return S_OK; }
HRESULT CMemStream::Revert() { return S_OK; }
HRESULT CMemStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }
HRESULT CMemStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }

HRESULT CMemStream::Stat(STATSTG* pstatstg, DWORD) {
  if (!pstatstg) return STG_E_INVALIDPOINTER;
  std::lock_guard lock(m_mutex);
  pstatstg->pwcsName = nullptr;
  pstatstg->type = 2;  // a stream
  pstatstg->cbSize.QuadPart = m_data.size();
  return S_OK;
}

HRESULT CMemStream::Clone(IStream** ppstm) {
  if (!ppstm) return STG_E_INVALIDPOINTER;
  std::lock_guard lock(m_mutex);
  ComPtr<CMemStream> p = Create(m_data);
  p->m_pos = m_pos;
  return p.CopyTo(ppstm);
}

std::vector<uint8_t> CMemStream::GetBytes() const {
  std::lock_guard lock(m_mutex);
  return m_data;
}

extern "C" HRESULT CreateStreamOnHGlobal(void* hGlobal, BOOL fDeleteOnRelease, IStream** ppstm) {
  if (!ppstm) return E_INVALIDARG;
  *ppstm = nullptr;
  if (hGlobal) return E_INVALIDARG;
  return CMemStream::Create().CopyTo(ppstm);
}
