// A walk over the recorders found when it was made.
#pragma once

#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/TComObject.h"

class CEnumDiscRecordersObj final : public TComObject<IEnumDiscRecorders> {
 public:
  explicit CEnumDiscRecordersObj(std::vector<ComPtr<IDiscRecorder>> recorders, size_t pos = 0);

  HRESULT Next(ULONG cRecorders, IDiscRecorder** ppRecorder, ULONG* pcFetched) override;
  HRESULT Skip(ULONG cRecorders) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumDiscRecorders** ppEnum) override;

 private:
  std::vector<ComPtr<IDiscRecorder>> m_recorders;
  size_t m_pos;
};
