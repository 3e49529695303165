#include "platform/imapi/verify/CReadbackDiscSource.h"

std::vector<DiscTrackExtent> CReadbackDiscSource::Tracks() const {
  std::vector<DiscTrackExtent> out;
  LONG count = 0;
  if (FAILED(m_reader->GetTrackCount(&count))) return out;
  for (LONG t = 1; t <= count; ++t) {
    LONG first = 0, blocks = 0;
    if (FAILED(m_reader->GetTrackExtent(t, &first, &blocks))) break;
    out.push_back({static_cast<uint32_t>(first), static_cast<uint32_t>(blocks)});
  }
  return out;
}

bool CReadbackDiscSource::ReadBlocks(uint32_t first, uint32_t count, uint8_t* out) {
  m_hrLast = m_reader->ReadAudioBlocks(static_cast<LONG>(first), static_cast<LONG>(count), out,
                                       static_cast<LONG>(count * 2352));
  return SUCCEEDED(m_hrLast);
}
