// A growable stream in memory (what CreateStreamOnHGlobal makes).
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/olectl/OleInterfaces.h"

class PX_EXPORT CMemStream final : public IStream {
 public:
  // One count, owned by the caller.
  static CMemStream* Create(std::vector<uint8_t> initial = {});

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override;
  HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
  HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override;
  HRESULT SetSize(ULARGE_INTEGER libNewSize) override;
  HRESULT CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) override;
  HRESULT Commit(DWORD grfCommitFlags) override;
  HRESULT Revert() override;
  HRESULT LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
  HRESULT UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
  HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;
  HRESULT Clone(IStream** ppstm) override;

  // A copy of the whole content.
  std::vector<uint8_t> GetBytes() const;

 private:
  explicit CMemStream(std::vector<uint8_t> initial) : m_data(std::move(initial)) {}
  ~CMemStream() = default;

  std::atomic<ULONG> m_cRef{1};
  mutable std::mutex m_mutex;
  std::vector<uint8_t> m_data;
  size_t m_pos = 0;
};
