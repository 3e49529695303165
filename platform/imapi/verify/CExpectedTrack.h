// One file's audio as it was burnt: whole 2352-byte blocks, the last one
// padded with zeros, handed out in order.
#pragma once

#include <cstdint>

class CExpectedTrack {
 public:
  virtual ~CExpectedTrack() = default;
  virtual uint32_t Blocks() const = 0;
  // The next block; false when the file cannot deliver it.
  virtual bool NextBlock(uint8_t* block) = 0;
};
