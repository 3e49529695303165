// Reads a recorded audio disc back through a drive's device node, block by
// block, for verification. The backend's logic sees only this; the exact
// reader (ParanoiaReader) lives with the libraries it needs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/imapi/service/DriveBackend.h"

namespace imapi_burn {

class AudioDiscReader {
 public:
  virtual ~AudioDiscReader() = default;
  // The audio tracks; IMAPI_E_DEVICE_NOTPRESENT, IMAPI_E_DEVICE_NOTACCESSIBLE,
  // IMAPI_E_MEDIUM_NOTPRESENT or IMAPI_E_MEDIUM_INVALIDTYPE (no audio) when
  // there is nothing to read.
  virtual HRESULT Open(const std::string& device, std::vector<imapi_backend::AudioTrackExtent>* tracks) = 0;
  // 2352 bytes a block, samples little-endian.
  virtual HRESULT Read(uint32_t firstBlock, uint32_t blocks, uint8_t* out) = 0;
};

using AudioDiscReaderFactory = std::function<std::unique_ptr<AudioDiscReader>()>;

}  // namespace imapi_burn
