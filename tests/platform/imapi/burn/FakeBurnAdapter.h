// A scripted stand-in for the burning library: drives with media, a write
// that advances a fixed number of blocks per poll, and the faults a real
// drive shows (a write that fails, a drive that vanishes or hangs). It
// records what the engine asked of it, and from which thread.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/imapi/burn/BurnAdapter.h"

namespace imapi_burn {

struct FakeDrive {
  ScannedDrive info;
  MediaInfo media;
  GrabResult grabResult = GrabResult::Ok;
  int writeSpeed = 1764;
  bool refuseWrite = false;
  long blocksPerPoll = 500;
  int leadInPolls = 1;
  int closingPolls = 2;
  long failAtBlock = -1;    // the write breaks off there
  long vanishAtBlock = -1;  // the drive leaves the machine there
  long stallAtBlock = -1;   // progress stops there for good
  bool hangOnCancel = false;
  int erasePolls = 3;
  bool eraseFails = false;
};

// What the engine did, shared with the test beyond the adapter's life.
struct FakeWorld {
  std::mutex lock;
  std::map<std::string, FakeDrive> drives;
  std::vector<std::string> order;  // scan order
  std::vector<DeviceNode> nodes;
  bool initializeFails = false;
  bool scanFails = false;

  int initializes = 0;
  int finishes = 0;
  int scans = 0;
  int scansWhileGrabbed = 0;
  int grabbedNow = 0;
  std::vector<std::pair<std::string, bool>> grabs;     // address, load
  std::vector<std::pair<std::string, bool>> releases;  // address, eject
  std::vector<WriteRequest> writes;
  std::vector<bool> erases;  // fast
  int cancels = 0;
  std::set<std::thread::id> threads;
  bool callAfterFinish = false;

  int Grabbed() {
    std::lock_guard<std::mutex> g(lock);
    return grabbedNow;
  }
  void Add(const FakeDrive& drive) {
    std::lock_guard<std::mutex> g(lock);
    drives[drive.info.address] = drive;
    order.push_back(drive.info.address);
  }
};

class FakeBurnAdapter : public BurnAdapter {
 public:
  explicit FakeBurnAdapter(std::shared_ptr<FakeWorld> world) : world_(std::move(world)) {}

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

 private:
  struct Job {
    bool erase = false;
    std::vector<long> trackBlocks;
    long total = 0;
    long done = 0;
    int leadIn = 0;
    int closing = 0;
    int erasePolls = 0;
    bool cancelled = false;
    bool ended = false;
    bool well = false;
  };
  struct Held {
    std::string address;
    bool trayOpen = false;
    Job job;
    bool hasJob = false;
  };

  std::unique_lock<std::mutex> Enter();  // locks and records the calling thread
  Held* Find(DriveHandle handle);

  std::shared_ptr<FakeWorld> world_;
  std::map<DriveHandle, Held> held_;
  std::set<std::string> openTrays_;
  DriveHandle next_ = 1;
  bool finished_ = false;
};

}  // namespace imapi_burn
