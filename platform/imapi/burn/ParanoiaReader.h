// Reads audio discs with libcdio's paranoia reader, which re-reads and
// verifies overlapping reads until the samples agree (no skipping: a block
// that cannot be read exactly is an error, not a guess).
#pragma once

#include "platform/imapi/burn/AudioDiscReader.h"

struct _CdIo;
struct cdrom_drive_s;
struct cdrom_paranoia_s;

namespace imapi_burn {

class ParanoiaReader final : public AudioDiscReader {
 public:
  ParanoiaReader() = default;
  ~ParanoiaReader() override;
  ParanoiaReader(const ParanoiaReader&) = delete;
  ParanoiaReader& operator=(const ParanoiaReader&) = delete;

  HRESULT Open(const std::string& device, std::vector<imapi_backend::AudioTrackExtent>* tracks) override;
  HRESULT Read(uint32_t firstBlock, uint32_t blocks, uint8_t* out) override;

 private:
  void Close();

  _CdIo* cdio_ = nullptr;  // ours: a failed identification would leak one it opened
  cdrom_drive_s* drive_ = nullptr;
  cdrom_paranoia_s* paranoia_ = nullptr;
  int64_t next_ = -1;  // the block the reader stands at
};

}  // namespace imapi_burn
