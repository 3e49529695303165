#include "platform/imapi/burn/ParanoiaReader.h"

#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/imapi/Imapi.h"

namespace imapi_burn {

namespace {
// Retries of one block before it counts as unreadable.
constexpr int kRetries = 20;
}  // namespace

ParanoiaReader::~ParanoiaReader() { Close(); }

void ParanoiaReader::Close() {
  if (paranoia_) cdio_paranoia_free(paranoia_);
  if (drive_) cdio_cddap_close_no_free_cdio(drive_);
  if (cdio_) cdio_destroy(cdio_);
  paranoia_ = nullptr;
  drive_ = nullptr;
  cdio_ = nullptr;
  next_ = -1;
}

HRESULT ParanoiaReader::Open(const std::string& device, std::vector<imapi_backend::AudioTrackExtent>* tracks) {
  Close();
  tracks->clear();
  struct stat st{};
  if (::stat(device.c_str(), &st) != 0) return IMAPI_E_DEVICE_NOTPRESENT;
  if (::access(device.c_str(), R_OK) != 0) return IMAPI_E_DEVICE_NOTACCESSIBLE;
  cdio_ = cdio_open(device.c_str(), DRIVER_DEVICE);
  if (!cdio_) return IMAPI_E_DEVICE_INVALIDTYPE;
  char* messages = nullptr;
  drive_ = cdio_cddap_identify_cdio(cdio_, CDDA_MESSAGE_FORGETIT, &messages);
  if (messages) cdio_cddap_free_messages(messages);
  if (!drive_) {
    Close();
    return IMAPI_E_DEVICE_INVALIDTYPE;
  }
  cdio_cddap_verbose_set(drive_, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
  if (cdio_cddap_open(drive_) != 0) {
    Close();
    return IMAPI_E_MEDIUM_NOTPRESENT;
  }
  const track_t count = cdio_cddap_tracks(drive_);
  for (track_t t = 1; t <= count; ++t) {
    if (!cdio_cddap_track_audiop(drive_, t)) continue;
    const lsn_t first = cdio_cddap_track_firstsector(drive_, t);
    const lsn_t last = cdio_cddap_track_lastsector(drive_, t);
    if (first < 0 || last < first) continue;
    tracks->push_back({static_cast<uint32_t>(first), static_cast<uint32_t>(last - first + 1)});
  }
  if (tracks->empty()) {
    Close();
    return IMAPI_E_MEDIUM_INVALIDTYPE;
  }
  paranoia_ = cdio_paranoia_init(drive_);
  if (!paranoia_) {
    Close();
    return E_OUTOFMEMORY;
  }
  cdio_paranoia_modeset(paranoia_, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
  return S_OK;
}

HRESULT ParanoiaReader::Read(uint32_t firstBlock, uint32_t blocks, uint8_t* out) {
  if (!paranoia_) return IMAPI_E_NOTOPENED;
  if (next_ != int64_t{firstBlock}) {
    if (cdio_paranoia_seek(paranoia_, static_cast<int32_t>(firstBlock), SEEK_SET) < 0) return IMAPI_E_GENERIC;
    next_ = firstBlock;
  }
  for (uint32_t b = 0; b < blocks; ++b) {
    const int16_t* samples = cdio_paranoia_read_limited(paranoia_, nullptr, kRetries);
    if (!samples) {
      next_ = -1;
      return IMAPI_E_GENERIC;
    }
    // The library hands out samples in the machine's order; blocks are little-endian.
    for (size_t i = 0; i < CDIO_CD_FRAMESIZE_RAW / 2; ++i) {
      const auto v = static_cast<uint16_t>(samples[i]);
      out[size_t{b} * CDIO_CD_FRAMESIZE_RAW + 2 * i] = static_cast<uint8_t>(v & 0xff);
      out[size_t{b} * CDIO_CD_FRAMESIZE_RAW + 2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    ++next_;
  }
  return S_OK;
}

}  // namespace imapi_burn
