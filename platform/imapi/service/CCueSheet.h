// The cue sheet of a recorded image: one binary file of raw 16-bit
// little-endian stereo samples, every track an audio track whose index 1
// starts at its sector offset, no stored pregaps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CCueSheet {
 public:
  // blocks: the length of each track in 2352-byte sectors.
  static std::string Text(const std::string& binName, const std::vector<uint32_t>& blocks);
  // The sector at which each track's index 1 starts, in order; false when
  // the text is no cue sheet of ours (no track, or starts not increasing).
  static bool Starts(const std::string& text, std::vector<uint32_t>* starts);
  // "MM:SS:FF" at 75 frames a second.
  static std::string Msf(uint64_t sector);
};
