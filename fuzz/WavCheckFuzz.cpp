// The check a WAV file passes when it is added to the track list, against
// an independent reading of the header: RIFF/WAVE, the format chunk first
// and readable to its stated end, then two channels, then 44100 Hz.
#include <cstdlib>

#include "control/tracks/CWavFile.h"
#include "fuzz/CFuzzFile.h"

namespace {

bool TagIs(const uint8_t* p, const char* tag, int n = 4) {
  for (int i = 0; i < n; ++i)
    if ((p[i] | 0x20) != tag[i]) return false;
  return true;
}

uint32_t Le(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

SHORT Expected(const uint8_t* data, size_t size) {
  if (size < 36 || !TagIs(data, "riff") || !TagIs(data + 8, "wave") || !TagIs(data + 12, "fmt", 3))
    return CWavFile::kUnreadable;
  const uint64_t fmtSize = Le(data + 16, 4);
  if (fmtSize > 16 && 20 + fmtSize > size) return CWavFile::kUnreadable;
  if (Le(data + 22, 2) != 2) return CWavFile::kNotStereo;
  if (Le(data + 24, 4) != 44100) return CWavFile::kNot44100;
  return CWavFile::kAccepted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CFuzzFile file;
  file.Write(data, size);
  if (CWavFile::CheckFile(file.Path16()) != Expected(data, size)) std::abort();
  return 0;
}
