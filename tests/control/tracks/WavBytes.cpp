#include "WavBytes.h"

namespace wavbytes {

void Put16(Bytes& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x & 0xFF));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

void Put32(Bytes& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>((x >> (8 * i)) & 0xFF));
}

void Append(Bytes& v, const Bytes& more) { v.insert(v.end(), more.begin(), more.end()); }

Bytes FmtBlock(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t formatTag) {
  Bytes b;
  Put16(b, formatTag);
  Put16(b, channels);
  Put32(b, rate);
  Put32(b, rate * channels * (bits / 8u));
  Put16(b, static_cast<uint16_t>(channels * (bits / 8u)));
  Put16(b, bits);
  return b;
}

Bytes Chunk(const std::string& tag, uint32_t statedSize, const Bytes& body) {
  Bytes b(tag.begin(), tag.end());
  Put32(b, statedSize);
  Append(b, body);
  return b;
}

Bytes Chunk(const std::string& tag, const Bytes& body) {
  return Chunk(tag, static_cast<uint32_t>(body.size()), body);
}

Bytes RiffHeader(const std::string& riff, const std::string& form) {
  Bytes b(riff.begin(), riff.end());
  Put32(b, 0);  // not read by anyone
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

}  // namespace wavbytes
