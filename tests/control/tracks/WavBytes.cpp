#include "WavBytes.h"

#include "platform/base/LittleEndian.h"

namespace wavbytes {

void Append(Bytes& v, const Bytes& more) { v.insert(v.end(), more.begin(), more.end()); }

Bytes FmtBlock(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t formatTag) {
  Bytes b;
  PutLe16(b, formatTag);
  PutLe16(b, channels);
  PutLe32(b, rate);
  PutLe32(b, rate * channels * (bits / 8u));
  PutLe16(b, static_cast<uint16_t>(channels * (bits / 8u)));
  PutLe16(b, bits);
  return b;
}

Bytes Chunk(const std::string& tag, uint32_t statedSize, const Bytes& body) {
  Bytes b(tag.begin(), tag.end());
  PutLe32(b, statedSize);
  Append(b, body);
  return b;
}

Bytes Chunk(const std::string& tag, const Bytes& body) {
  return Chunk(tag, static_cast<uint32_t>(body.size()), body);
}

Bytes RiffHeader(const std::string& riff, const std::string& form) {
  Bytes b(riff.begin(), riff.end());
  PutLe32(b, 0);  // not read by anyone
  b.insert(b.end(), form.begin(), form.end());
  return b;
}

Bytes Pattern(size_t n) {
  Bytes b(n);
  uint32_t x = 0x9E3779B9u ^ static_cast<uint32_t>(n);
  for (auto& c : b) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<uint8_t>((x >> 24) | 1);
  }
  return b;
}

namespace {

// WAVE_FORMAT_EXTENSIBLE: the basic block, then 22 bytes ending in the
// sub-format GUID, whose first two bytes are a format tag.
Bytes Extensible(uint16_t bits, uint16_t subTag) {
  Bytes b = FmtBlock(2, 44100, bits, 0xFFFE);
  PutLe16(b, 22);
  PutLe16(b, bits);
  PutLe32(b, 3);  // front left and right
  PutLe16(b, subTag);
  const uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  b.insert(b.end(), tail, tail + 14);
  return b;
}

}  // namespace

std::vector<FormatRow> FormatRows() {
  return {
      {"Pcm8", FmtBlock(2, 44100, 8), "8-bit PCM", false},
      {"Pcm16", FmtBlock(), "16-bit PCM", true},
      {"Pcm24", FmtBlock(2, 44100, 24), "24-bit PCM", false},
      {"Pcm32", FmtBlock(2, 44100, 32), "32-bit PCM", false},
      {"Float32", FmtBlock(2, 44100, 32, 3), "32-bit float", false},
      {"Adpcm", FmtBlock(2, 44100, 4, 2), "ADPCM", false},
      {"ExtensiblePcm16", Extensible(16, 1), "16-bit PCM", true},
      {"ExtensiblePcm24", Extensible(24, 1), "24-bit PCM", false},
      {"ExtensibleFloat", Extensible(32, 3), "32-bit float", false},
  };
}

Bytes WavFile(const Bytes& fmtBody, const Bytes& audio) {
  Bytes b = RiffHeader();
  Append(b, Chunk("fmt ", fmtBody));
  Append(b, Chunk("data", audio));
  return b;
}

}  // namespace wavbytes
