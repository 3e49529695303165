// The data-disc format of the service. Only held (when it is the format that
// is active after opening) and let go; the control writes no data discs.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/imapi/Imapi.h"

class CDiscMaster;

class CJolietFormat {
 public:
  CJolietFormat() = default;
  virtual ~CJolietFormat();
  CJolietFormat(const CJolietFormat&) = delete;
  CJolietFormat& operator=(const CJolietFormat&) = delete;

  bool HasJolietFormat() const { return static_cast<bool>(m_pJolietFormat); }

 private:
  friend class CDiscMaster;

  ComPtr<IJolietDiscMaster> m_pJolietFormat;
};
