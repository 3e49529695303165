// The check a WAV file passes when it is added to the track list.
#include <cstdlib>
#include <cstring>

#include "control/tracks/CWavFile.h"
#include "fuzz/CFuzzFile.h"

namespace {

bool TagIs(const uint8_t* p, const char* tag) {
  for (int i = 0; i < 4; ++i)
    if ((p[i] | 0x20) != (tag[i] | 0x20)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static CFuzzFile file;
  file.Write(data, size);
  SHORT result = CWavFile::CheckFile(file.Path16());
  switch (result) {
    case CWavFile::kAccepted:
      // Accepted means a RIFF/WAVE file whose format chunk says stereo 44100.
      if (size < 36 || !TagIs(data, "RIFF") || !TagIs(data + 8, "WAVE")) std::abort();
      break;
    case CWavFile::kUnreadable:
    case CWavFile::kNotStereo:
    case CWavFile::kNot44100:
      break;
    default:
      std::abort();  // no other result exists
  }
  return 0;
}
