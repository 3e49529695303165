// A WAV file's audio in 2352-byte blocks, as it was burnt.
#pragma once

#include <string>

#include "control/tracks/CWavReader.h"
#include "platform/imapi/verify/CExpectedTrack.h"

class CWavTrackSource final : public CExpectedTrack {
 public:
  // False when the file cannot be opened or holds no audio.
  bool Open(const std::string& path);
  uint32_t Blocks() const override { return m_reader.BlockCount(); }
  bool NextBlock(uint8_t* block) override { return m_reader.NextBlock(block); }

 private:
  CWavReader m_reader;
};
