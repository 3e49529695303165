// wavtone: writes a stereo 44100 Hz 16-bit WAV file holding a sine tone, the
// kind of file the control burns (a demonstration firmware, test audio).
//
//   wavtone FILE [SECONDS [HZ]]      defaults: 10 seconds, 440 Hz
//
// The same arguments always give the same bytes. Exit status: 0 written,
// 1 the file could not be written, 2 wrong usage.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Version.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint16_t kChannels = 2;
constexpr uint16_t kBits = 16;

bool ParseNumber(const char* text, unsigned lo, unsigned hi, unsigned* out) {
  std::string s(text);
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return !s.empty() && ec == std::errc() && p == s.data() + s.size() && *out >= lo && *out <= hi;
}

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, static_cast<uint16_t>(v));
  Put16(b, static_cast<uint16_t>(v >> 16));
}
void PutTag(std::vector<uint8_t>& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf("usage: wavtone FILE [SECONDS (1-4800) [HZ (20-20000)]]\n\n"
                "Writes a stereo 44100 Hz 16-bit sine tone (default 10 seconds, 440 Hz).\n");
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("wavtone %s\n", CANTREL_VERSION);
    return 0;
  }
  unsigned seconds = 10, hz = 440;
  if (argc < 2 || argc > 4 || (argc > 2 && !ParseNumber(argv[2], 1, 4800, &seconds)) ||
      (argc > 3 && !ParseNumber(argv[3], 20, 20000, &hz))) {
    std::fprintf(stderr, "usage: wavtone FILE [SECONDS (1-4800) [HZ (20-20000)]]\n");
    return 2;
  }
  const uint32_t frames = kRate * seconds;
  const uint32_t dataBytes = frames * kChannels * (kBits / 8);
  std::vector<uint8_t> wav;
  wav.reserve(44 + dataBytes);
  PutTag(wav, "RIFF");
  Put32(wav, 36 + dataBytes);
  PutTag(wav, "WAVE");
  PutTag(wav, "fmt ");
  Put32(wav, 16);
  Put16(wav, 1);  // PCM
  Put16(wav, kChannels);
  Put32(wav, kRate);
  Put32(wav, kRate * kChannels * (kBits / 8));
  Put16(wav, kChannels * (kBits / 8));
  Put16(wav, kBits);
  PutTag(wav, "data");
  Put32(wav, dataBytes);
  const double step = 2.0 * M_PI * hz / kRate;
  for (uint32_t i = 0; i < frames; ++i) {
    // Half scale, with a short fade at both ends so that it does not click.
    double fade = std::min(1.0, std::min(i, frames - 1 - i) / 2205.0);
    auto sample = static_cast<int16_t>(std::lround(std::sin(step * i) * 16383.0 * fade));
    for (uint16_t c = 0; c < kChannels; ++c) Put16(wav, static_cast<uint16_t>(sample));
  }
  const std::string path = argv[1];
  const std::string tmp = path + ".part";
  bool ok = false;
  if (FILE* f = std::fopen(tmp.c_str(), "wb")) {
    ok = std::fwrite(wav.data(), 1, wav.size(), f) == wav.size();
    ok = std::fclose(f) == 0 && ok;
  }
  if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::perror(("wavtone: cannot write " + path).c_str());
    std::remove(tmp.c_str());
    return 1;
  }
  return 0;
}
