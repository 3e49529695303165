// A walk over the formats that the service supports.
#pragma once

#include <vector>

#include "platform/imapi/Imapi.h"
#include "platform/imapi/service/TComObject.h"

class CEnumDiscMasterFormatsObj final : public TComObject<IEnumDiscMasterFormats> {
 public:
  explicit CEnumDiscMasterFormatsObj(std::vector<IID> formats, size_t pos = 0);

  HRESULT Next(ULONG cFormats, LPIID lpiidFormatID, ULONG* pcFetched) override;
  HRESULT Skip(ULONG cFormats) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumDiscMasterFormats** ppEnum) override;

 private:
  std::vector<IID> m_formats;
  size_t m_pos;
};
