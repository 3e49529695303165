// A growable stream in memory (what CreateStreamOnHGlobal makes).
#pragma once

#include <mutex>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/olectl/OleInterfaces.h"

class PX_EXPORT CMemStream final : public ComObject<CMemStream, IStream> {
 public:
  static ComPtr<CMemStream> Create(std::vector<uint8_t> initial = {});
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
  friend struct ::ComAccess;
  explicit CMemStream(std::vector<uint8_t> initial) : m_data(std::move(initial)) {}
  ~CMemStream() override = default;
  void* FindInterface(REFIID riid) {
    return riid == IID_ISequentialStream ? static_cast<IStream*>(this) : nullptr;
  }
  mutable std::mutex m_mutex;
  std::vector<uint8_t> m_data;
  size_t m_pos = 0;
};
