// The backend's operations carried out by libburn. One adapter at a time
// may own the library in a process: it starts it in Initialize and
// finishes it in Finish, both on the thread that makes every other call.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/imapi/burn/BurnAdapter.h"
#include "platform/imapi/burn/DeviceNodeProbe.h"

namespace burn {
struct burn_drive;
struct burn_drive_info;
struct burn_disc;
struct burn_session;
struct burn_track;
struct burn_source;
struct burn_write_opts;
}  // namespace burn

namespace imapi_burn {

using burn::burn_disc;
using burn::burn_drive;
using burn::burn_drive_info;
using burn::burn_session;
using burn::burn_source;
using burn::burn_track;
using burn::burn_write_opts;

class LibBurnAdapter : public BurnAdapter {
 public:
  explicit LibBurnAdapter(std::string deviceFolder = "/dev");
  ~LibBurnAdapter() override;

  bool Initialize() override;
  void Finish() override;
  bool Scan(std::vector<ScannedDrive>* drives) override;
  std::vector<DeviceNode> ListDeviceNodes() override;
  GrabResult Grab(const std::string& address, bool load, DriveHandle* handle) override;
  void Release(DriveHandle handle, bool eject) override;
  MediaInfo QueryMedia(DriveHandle handle) override;
  bool StartErase(DriveHandle handle, bool fast) override;
  bool StartWrite(DriveHandle handle, const WriteRequest& request) override;
  DriveProgress Poll(DriveHandle handle) override;
  void Cancel(DriveHandle handle) override;
  bool WroteWell(DriveHandle handle) override;
  bool Reassess(DriveHandle handle) override;
  bool Vanished(DriveHandle handle) override;
  int WriteSpeed(DriveHandle handle) override;

  // The phase of a burn_drive_status; `lastDataSent`: the last track has
  // had every sector.
  static DrivePhase PhaseOf(int status, bool lastDataSent);

 private:
  struct Job {
    burn_disc* disc = nullptr;
    burn_session* session = nullptr;
    std::vector<burn_track*> tracks;
    std::vector<burn_source*> stashes;  // to tell whether they delivered all
    std::vector<burn_source*> fifos;
    burn_write_opts* options = nullptr;
  };
  struct Drive {
    burn_drive_info* infos = nullptr;
    burn_drive* drive = nullptr;
    std::string address;
    Job* job = nullptr;
  };

  Drive* Find(DriveHandle handle);
  static void FreeJob(Job* job);

  DeviceNodeProbe probe_;
  bool initialized_ = false;
  std::map<DriveHandle, Drive> drives_;
  DriveHandle next_ = 1;
};

}  // namespace imapi_burn
