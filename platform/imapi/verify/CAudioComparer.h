// Compares the audio tracks of a disc with the files they were burnt from,
// sample by sample: each file's audio, then zeros to the end of its last
// block. A drive reads with a constant offset of a few thousand samples; it is
// searched within +-kOffsetWindow from the first track's audio and then every
// track is compared exactly at it. Samples that the offset moves across a
// track's edge are read from the neighbouring track; beyond the disc's edges
// nothing can be read, which compares as silence, so only silence there
// passes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/imapi/verify/CDiscAudioSource.h"
#include "platform/imapi/verify/CExpectedTrack.h"

struct TrackVerdict {
  enum class Kind { Identical, Differs, Missing, WrongLength };
  Kind kind = Kind::Identical;
  uint64_t firstDiffering = 0;  // Differs: the first differing sample of the track (stereo pairs)
  uint64_t differing = 0;       // Differs: how many samples differ
  uint32_t expectedBlocks = 0;
  uint32_t discBlocks = 0;      // WrongLength: what the disc holds
};

struct DiscVerdict {
  bool offsetFound = false;  // false: the first track gave no offset, 0 was used
  int offset = 0;            // samples: the disc's sample p + offset holds the file's sample p
  std::vector<TrackVerdict> tracks;
  size_t extraTracks = 0;    // tracks on the disc beyond the files
  bool Identical() const;
};

class CAudioComparer {
 public:
  static constexpr uint32_t kFramesPerBlock = 588;
  static constexpr uint32_t kBlockBytes = kFramesPerBlock * 4;
  static constexpr int kOffsetWindow = 3000;

  enum class Outcome { Compared, Cancelled, DiscUnreadable, FileUnreadable };
  // Blocks compared so far and in all; false stops the comparison.
  using Progress = std::function<bool(uint64_t done, uint64_t total)>;

  explicit CAudioComparer(CDiscAudioSource& disc) : m_disc(disc) {}

  Outcome Compare(const std::vector<CExpectedTrack*>& files, DiscVerdict* verdict, const Progress& progress = {});

  // "mm:ss.ff" with ff in 75ths of a second, for a sample of a track.
  static std::string FormatTime(uint64_t frame);

 private:
  // Frames of the disc from `first` on; zeros outside it.
  bool ReadFrames(int64_t first, size_t count, uint32_t* out);
  // The offset that makes the disc's first track read as head (the first
  // file's first blocks); false when none in the window does.
  bool FindOffset(const DiscTrackExtent& track, const std::vector<uint32_t>& head, int* offset);

  CDiscAudioSource& m_disc;
  uint64_t m_discFrames = 0;
  std::vector<uint8_t> m_scratch;
};
