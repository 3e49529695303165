// The disc in a recorder as the comparison reads it, through the service's
// readback object.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/imapi/DiscReadback.h"
#include "platform/imapi/verify/CDiscAudioSource.h"

class CReadbackDiscSource final : public CDiscAudioSource {
 public:
  explicit CReadbackDiscSource(ComPtr<IDiscAudioReadback> reader) : m_reader(std::move(reader)) {}
  std::vector<DiscTrackExtent> Tracks() const override;
  bool ReadBlocks(uint32_t first, uint32_t count, uint8_t* out) override;
  // Why the last read failed.
  HRESULT LastError() const { return m_hrLast; }

 private:
  ComPtr<IDiscAudioReadback> m_reader;
  HRESULT m_hrLast = S_OK;
};
