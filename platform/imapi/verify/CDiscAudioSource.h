// A disc's audio as the comparison reads it: its tracks' extents and random
// access to its 2352-byte blocks.
#pragma once

#include <cstdint>
#include <vector>

struct DiscTrackExtent {
  uint32_t firstBlock = 0;
  uint32_t blocks = 0;
};

class CDiscAudioSource {
 public:
  virtual ~CDiscAudioSource() = default;
  virtual std::vector<DiscTrackExtent> Tracks() const = 0;
  // Blocks [first, first + count) of the disc, all within its last track.
  // False when they cannot be read (or the reading was cancelled).
  virtual bool ReadBlocks(uint32_t first, uint32_t count, uint8_t* out) = 0;
};
