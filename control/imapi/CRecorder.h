// One recorder of the disc-mastering service, held for the length of a job.
// Remembers whether it was opened for exclusive use so that letting it go
// closes it again.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/imapi/Imapi.h"

class CDiscMaster;

class CRecorder {
 public:
  CRecorder() = default;
  virtual ~CRecorder();
  CRecorder(const CRecorder&) = delete;
  CRecorder& operator=(const CRecorder&) = delete;

  bool HasRecorder() const { return static_cast<bool>(m_pRecorder); }
  bool IsOpenedExclusive() const { return m_bOpenedExclusive; }
  // Closes the recorder first when it is open for exclusive use.
  void ReleaseRecorder();

  // The three strings belong to the caller.
  HRESULT GetDisplayNames(BSTR* pbstrVendorID, BSTR* pbstrProductID, BSTR* pbstrRevision);
  HRESULT OpenExclusive();
  HRESULT CloseExclusive();
  HRESULT QueryMediaType(LONG* plMediaType, LONG* plMediaFlags);
  HRESULT Eject();
  HRESULT Erase(bool bFullErase);

 private:
  friend class CDiscMaster;

  bool m_bOpenedExclusive = false;
  ComPtr<IDiscRecorder> m_pRecorder;
};
