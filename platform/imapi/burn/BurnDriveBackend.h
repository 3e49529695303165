// The service's view of the backend: one user of the shared engine, whose
// drives are given back when it goes. No exception leaves it.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/imapi/burn/AudioDiscReader.h"
#include "platform/imapi/burn/BurnEngine.h"
#include "platform/imapi/service/DriveBackend.h"

namespace imapi_burn {

class BurnDriveBackend : public imapi_backend::DriveBackend {
 public:
  // Without a reader factory discs cannot be read back (E_NOTIMPL).
  explicit BurnDriveBackend(std::shared_ptr<BurnEngine> engine, AudioDiscReaderFactory readers = {});
  ~BurnDriveBackend() override;

  std::vector<imapi_backend::DriveInfo> Scan(std::string* note) override;
  HRESULT OpenExclusive(const std::string& id) override;
  HRESULT Close(const std::string& id) override;
  HRESULT QueryMedia(const std::string& id, long* mediaType, long* mediaFlags) override;
  HRESULT Erase(const std::string& id, bool full) override;
  HRESULT Eject(const std::string& id) override;
  HRESULT Record(const std::string& id, const std::vector<imapi_backend::TrackSpec>& tracks, bool simulate,
                 bool eject, const imapi_backend::RecordCallbacks& callbacks) override;
  HRESULT ReadLayout(const std::string& id, std::vector<imapi_backend::AudioTrackExtent>* tracks) override;
  HRESULT ReadAudio(const std::string& id, uint32_t firstBlock, uint32_t blocks, uint8_t* out) override;
  void EndReading(const std::string& id) override;

 private:
  std::shared_ptr<BurnEngine> engine_;
  int owner_;
  AudioDiscReaderFactory makeReader_;
  std::mutex readersLock_;
  std::map<std::string, std::unique_ptr<AudioDiscReader>> readers_;
};

}  // namespace imapi_burn
