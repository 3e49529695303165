// The few operations of the burning library that the backend uses, so that
// its logic runs against a real library or a scripted drive alike. Every
// call is made on the backend's one thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace imapi_burn {

using DriveHandle = int;
constexpr DriveHandle kNoDrive = -1;

struct ScannedDrive {
  std::string address;  // e.g. "/dev/sr0"
  std::string vendor;
  std::string product;
  std::string revision;
  bool writesCd = false;  // CD-R or CD-RW
};

// A device node that may be an optical drive, with what the user may do.
struct DeviceNode {
  std::string path;
  bool accessible = false;  // readable and writable by this process
  std::string owner;
  std::string group;
  unsigned mode = 0;
};

// Missing: no such node (or it vanished); NotADrive: the node is there but
// the library finds no drive it can use behind it; Failed: anything else.
enum class GrabResult { Ok, Missing, Denied, Busy, NotADrive, Failed };

enum class DiscState { Unready, Blank, Empty, Appendable, Full, Unsuitable };

constexpr int kProfileCdRom = 0x08;
constexpr int kProfileCdR = 0x09;
constexpr int kProfileCdRw = 0x0a;

struct MediaInfo {
  bool present = true;  // false: the drive is gone or answers no more
  DiscState state = DiscState::Empty;
  int profile = 0;
  bool erasable = false;
  long capacityBlocks = 0;  // 0: unknown
};

struct WriteTrack {
  std::string path;
  uint64_t offset = 0;
  uint64_t bytes = 0;
};

struct WriteRequest {
  std::vector<WriteTrack> tracks;
  bool audio = true;  // false: 2048-byte data blocks (for pseudo-drives)
  bool simulate = false;
  bool underrunProof = true;
};

enum class DrivePhase { Idle, Starting, Writing, Closing, Erasing };

struct DriveProgress {
  DrivePhase phase = DrivePhase::Idle;
  int track = 0;   // 0-based
  int tracks = 0;
  long sector = 0;  // within the current track
  long sectors = 0;
};

class BurnAdapter {
 public:
  virtual ~BurnAdapter() = default;
  virtual bool Initialize() = 0;
  virtual void Finish() = 0;
  // False when the scan failed; an empty list is a scan that found nothing.
  virtual bool Scan(std::vector<ScannedDrive>* drives) = 0;
  virtual std::vector<DeviceNode> ListDeviceNodes() = 0;
  virtual GrabResult Grab(const std::string& address, bool load, DriveHandle* handle) = 0;
  virtual void Release(DriveHandle handle, bool eject) = 0;
  // The media as last assessed: the library caches it.
  virtual MediaInfo QueryMedia(DriveHandle handle) = 0;
  virtual bool StartErase(DriveHandle handle, bool fast) = 0;
  // False when the library refused the job before it began.
  virtual bool StartWrite(DriveHandle handle, const WriteRequest& request) = 0;
  virtual DriveProgress Poll(DriveHandle handle) = 0;
  // The library ignores a cancel while a write starts, and any for an erase.
  virtual void Cancel(DriveHandle handle) = 0;
  // After the drive went idle: whether the last erase or write succeeded.
  virtual bool WroteWell(DriveHandle handle) = 0;
  // Reads the media state anew; QueryMedia reports what the last grab or
  // reassessment saw. False when the drive answers no more.
  virtual bool Reassess(DriveHandle handle) = 0;
  // Whether the drive has left the machine (unplugged, device node gone).
  virtual bool Vanished(DriveHandle handle) = 0;
  // Write speed in kB/s (1000 bytes); 0 when the drive does not tell.
  virtual int WriteSpeed(DriveHandle handle) = 0;
};

}  // namespace imapi_burn
