// One recorder as the service's recorder objects see it: a virtual recorder
// that writes disc images into a folder, or a real drive of the backend.
// Media operations need the device to be open for exclusive use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"
#include "platform/imapi/service/DriveBackend.h"

class CRecorderDevice {
 public:
  virtual ~CRecorderDevice();

  // Stable identity, unique among all recorders.
  virtual std::string Key() const = 0;
  virtual std::string Vendor() const = 0;
  virtual std::string Product() const = 0;
  virtual std::string Revision() const = 0;
  // The folder of a virtual recorder, the device path of a drive.
  virtual std::string Path() const = 0;
  virtual LONG RecorderType() const = 0;
  virtual bool IsVirtual() const = 0;
  // What the disc can hold, in 2352-byte blocks.
  virtual uint64_t CapacityBlocks() const = 0;
  // Where tracks staged for this recorder are stashed.
  virtual std::string StashFolder() const = 0;

  virtual bool IsOpen() const = 0;
  virtual HRESULT OpenExclusive() = 0;
  virtual HRESULT Close() = 0;
  virtual HRESULT QueryMediaType(LONG* plType, LONG* plFlags) = 0;
  virtual HRESULT QueryMediaInfo(BYTE* pbSessions, BYTE* pbLastTrack, ULONG* pulStart, ULONG* pulNextWritable,
                                 ULONG* pulFreeBlocks) = 0;
  virtual HRESULT Eject() = 0;
  virtual HRESULT Erase(bool bFull) = 0;
  // Called with the device open. Returns when the recording has ended.
  virtual HRESULT Record(const std::vector<imapi_backend::TrackSpec>& tracks, bool bSimulate, bool bEject,
                         const imapi_backend::RecordCallbacks& callbacks) = 0;
  // The audio tracks of the recorded disc in the tray; reading stays ready
  // for ReadAudio until EndReading. A virtual recorder must be open.
  virtual HRESULT ReadLayout(std::vector<imapi_backend::AudioTrackExtent>* tracks) = 0;
  // 2352 bytes for each block, all before the end of the last track.
  virtual HRESULT ReadAudio(uint32_t firstBlock, uint32_t blocks, uint8_t* out) = 0;
  virtual void EndReading() = 0;
};
