#include "tools/cantrel/CErrorTexts.h"

#include "control/jobs/ErrorNumbers.h"

namespace {
constexpr const char* kBurnable = "only stereo 44100 Hz 16-bit PCM WAV files can be burnt";
}  // namespace

std::string CErrorTexts::ErrorEvent(int nErrorNo) {
  switch (nErrorNo) {
    case CANTREL_ERR_INVALIDARG:
      return "a track was refused as an invalid argument while it was staged";
    case CANTREL_ERR_NOTOPENED:
      return "the disc-mastering service was not open while the tracks were staged";
    case CANTREL_ERR_TRACKNOTOPEN:
      return "a track was written before it was opened";
    case CANTREL_ERR_DISCFULL:
      return "the disc is full or not blank, or there is no disc or no usable recorder";
    case CANTREL_ERR_TRACKFILE:
      return "a track file could not be read in full or is not stereo 44100 Hz 16-bit PCM (changed or removed since it was added); "
             "nothing was recorded";
    case CANTREL_ERR_STAGING:
      return "staging the tracks failed (a track shorter than 4 seconds is refused, for one); nothing was recorded";
    case CANTREL_ERR_RECORD:
      return "recording the disc failed";
    case CANTREL_ERR_ERASE:
      return "erasing the disc failed";
    case CANTREL_ERR_INUSE:
      return "the recorder is in use by another program; try again when it is free";
    default:
      return "unknown error";
  }
}

std::string CErrorTexts::TrackRefusal(int nResult, bool bReadable) {
  switch (nResult) {
    case -1:
      return bReadable ? "not a WAV file (a RIFF/WAVE header with its format chunk first)" : "cannot be read";
    case -2:
      return "not two channels: " + std::string(kBurnable);
    case -3:
      return "not 44100 Hz: " + std::string(kBurnable);
    default:
      return "refused (" + std::to_string(nResult) + ")";
  }
}

std::string CErrorTexts::FormatRefusal(const std::string& strFormat) { return strFormat + ": " + kBurnable; }
