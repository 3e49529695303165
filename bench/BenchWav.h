// The WAV files the benchmarks burn: stereo 44100 Hz 16-bit PCM.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

// The 44-byte header of such a file carrying dataBytes of audio.
inline std::vector<uint8_t> WavHeader(uint32_t dataBytes) {
  std::vector<uint8_t> b;
  // Byte by byte: GCC 12 misreads a range insert into a small vector here.
  auto tag = [&b](const char* s) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(s[i]));
  };
  auto le = [&b](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  tag("RIFF");
  le(36 + dataBytes, 4);
  tag("WAVE");
  tag("fmt ");
  le(16, 4);
  le(1, 2);
  le(2, 2);
  le(44100, 4);
  le(44100 * 4, 4);
  le(4, 2);
  le(16, 2);
  tag("data");
  le(dataBytes, 4);
  return b;
}

// A file of the given minutes of noise, which no file system can make small;
// the seed varies the noise.
inline bool MakeNoiseWav(const std::string& path, int minutes, uint64_t seed) {
  const uint32_t dataBytes = static_cast<uint32_t>(minutes) * 60u * 44100u * 4u;
  std::ofstream out(path, std::ios::binary);
  const std::vector<uint8_t> header = WavHeader(dataBytes);
  out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
  std::vector<uint32_t> chunk(1 << 18);
  uint64_t x = 0x9E3779B97F4A7C15ull * seed;
  for (uint64_t left = dataBytes; left > 0;) {
    for (auto& w : chunk) {
      x ^= x << 13, x ^= x >> 7, x ^= x << 17;
      w = static_cast<uint32_t>(x);
    }
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, chunk.size() * 4));
    out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(n));
    left -= n;
  }
  return static_cast<bool>(out);
}

}  // namespace bench
