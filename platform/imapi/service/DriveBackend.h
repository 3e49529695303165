// The seam between the disc-mastering service and a backend of real drives.
// The service loads the backend library (libimapiburn.so, beside it) at run
// time when it is installed and asks it for the drives after its virtual
// recorders; the service builds and runs without it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

namespace imapi_backend {

struct DriveInfo {
  std::string id;  // stable device address, e.g. "/dev/sr0"
  std::string vendor;    // inquiry data: 8 characters at most
  std::string product;   // 16 at most
  std::string revision;  // 4 at most
};

// One audio track: `blocks` 2352-byte blocks at `offset` in the stash file.
struct TrackSpec {
  std::string stashPath;
  uint64_t offset = 0;
  uint32_t blocks = 0;
};

// Where an audio track of a recorded disc lies, in 2352-byte blocks.
struct AudioTrackExtent {
  uint32_t firstBlock = 0;
  uint32_t blocks = 0;
};

struct RecordCallbacks {
  std::function<void(long track, long totalTracks)> onTrack;       // 1-based, as each track starts
  std::function<void(long blocksDone, long blocksTotal)> onBlocks; // whole disc
  std::function<void(long estimatedSeconds)> onClosing;
  std::function<bool()> queryCancel;                               // true: stop cleanly
};

class DriveBackend {
 public:
  virtual ~DriveBackend() = default;
  // The drives found; when none can be used, *note says why and what to do.
  virtual std::vector<DriveInfo> Scan(std::string* note) = 0;
  // Results are the platform's IMAPI codes (IMAPI_E_DEVICE_INVALIDTYPE,
  // IMAPI_E_MEDIUM_NOTPRESENT, ...) or S_OK.
  virtual HRESULT OpenExclusive(const std::string& id) = 0;
  virtual HRESULT Close(const std::string& id) = 0;
  virtual HRESULT QueryMedia(const std::string& id, long* mediaType, long* mediaFlags) = 0;
  virtual HRESULT Erase(const std::string& id, bool full) = 0;
  virtual HRESULT Eject(const std::string& id) = 0;
  virtual HRESULT Record(const std::string& id, const std::vector<TrackSpec>& tracks, bool simulate, bool eject,
                         const RecordCallbacks& callbacks) = 0;
  // Reading a recorded audio disc back, through the drive's own device node
  // (the drive must not be open for burning meanwhile). ReadLayout starts a
  // reading, ReadAudio reads blocks of it, EndReading ends it.
  virtual HRESULT ReadLayout(const std::string& id, std::vector<AudioTrackExtent>* tracks) { return E_NOTIMPL; }
  virtual HRESULT ReadAudio(const std::string& id, uint32_t firstBlock, uint32_t blocks, uint8_t* out) {
    return E_NOTIMPL;
  }
  virtual void EndReading(const std::string& id) {}
};

// Exported by the backend library under this name.
using PFN_CreateDriveBackend = DriveBackend* (*)();
constexpr const char* kCreateDriveBackendSymbol = "CreateDriveBackend";
constexpr const char* kBackendLibraryName = "libimapiburn.so";

}  // namespace imapi_backend
