// A scripted drive that behaves as libburn documents: the disc status is
// what the last grab or reassessment saw, only a grab that loads closes the
// tray, any rewritable CD is erasable, an erase cannot be cancelled, a
// cancel is ignored while a write starts and once its data is sent, and a
// session written at once reports no closing states. It records what the
// engine asked of it, and from which thread.
#pragma once

#include <algorithm>
#include <cstdio>
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
  MediaInfo disc;  // in the tray; state Empty: none
  bool trayOpen = false;
  GrabResult grabResult = GrabResult::Ok;  // Missing: unplugged
  long blocksPerPoll = 500;
  int startPolls = 2, closingPolls = 2;
  long failAt = -1, vanishAt = -1, stallAt = -1;  // blocks where the write breaks, the drive goes, progress stops
  bool hangOnCancel = false;
  int erasePolls = 3;  // with no progress reported
};

struct FakeWorld {
  std::mutex lock;
  std::map<std::string, FakeDrive> drives;
  std::vector<DeviceNode> nodes;
  bool initializeFails = false, scanFails = false;
  int finishes = 0, scansWhileGrabbed = 0, grabbedNow = 0, cancels = 0, written = 0;
  std::vector<std::pair<std::string, bool>> grabs, releases;  // address, load or eject
  std::vector<WriteRequest> writes;
  std::vector<bool> erases;  // fast
  std::set<std::thread::id> threads;
  bool callAfterFinish = false;

  template <class F>
  void With(F&& f) {
    std::lock_guard<std::mutex> g(lock);
    f();
  }
};

class FakeBurnAdapter : public BurnAdapter {
 public:
  explicit FakeBurnAdapter(std::shared_ptr<FakeWorld> world) : w_(std::move(world)) {}

  bool Initialize() override { return Enter(), !w_->initializeFails; }
  void Finish() override {
    auto g = Enter();
    ++w_->finishes;
    finished_ = true;
    std::fprintf(stderr, "library finished, %d drives held, %d written\n", w_->grabbedNow, w_->written);
  }
  bool Scan(std::vector<ScannedDrive>* drives) override {
    auto g = Enter();
    w_->scansWhileGrabbed += !held_.empty();
    drives->clear();
    for (const auto& [address, drive] : w_->drives)
      if (drive.grabResult != GrabResult::Missing) drives->push_back(drive.info);
    return !w_->scanFails;
  }
  std::vector<DeviceNode> ListDeviceNodes() override { return Enter(), w_->nodes; }
  GrabResult Grab(const std::string& address, bool load, DriveHandle* handle) override {
    auto g = Enter();
    w_->grabs.emplace_back(address, load);
    auto it = w_->drives.find(address);
    if (it == w_->drives.end()) return GrabResult::Missing;
    if (it->second.grabResult != GrabResult::Ok) return it->second.grabResult;
    if (load) it->second.trayOpen = false;
    *handle = next_++;
    held_[*handle] = Held{address, Assess(address), {}};
    ++w_->grabbedNow;
    return GrabResult::Ok;
  }
  void Release(DriveHandle handle, bool eject) override {
    auto g = Enter();
    Held* held = Find(handle);
    if (!held) return;
    w_->releases.emplace_back(held->address, eject);
    if (eject) w_->drives[held->address].trayOpen = true;
    held_.erase(handle);
    --w_->grabbedNow;
  }
  MediaInfo QueryMedia(DriveHandle handle) override {
    auto g = Enter();
    Held* held = Find(handle);
    if (!held) return MediaInfo{false};
    MediaInfo media = held->seen;
    media.present = !Gone(*held);
    return media;
  }
  bool Reassess(DriveHandle handle) override {
    auto g = Enter();
    Held* held = Find(handle);
    return held && (held->seen = Assess(held->address)).present;
  }
  bool StartErase(DriveHandle handle, bool fast) override {
    auto g = Enter();
    Held* held = Find(handle);
    if (!held || held->job.running || !held->seen.erasable) return false;
    w_->erases.push_back(fast);
    held->job = Job{true, true};
    held->job.erasing = w_->drives[held->address].erasePolls;
    return true;
  }
  bool StartWrite(DriveHandle handle, const WriteRequest& request) override {
    auto g = Enter();
    Held* held = Find(handle);
    if (!held || held->job.running) return false;
    w_->writes.push_back(request);
    Job& job = held->job = Job{true, false, request.simulate};
    for (const WriteTrack& t : request.tracks) job.total += job.tracks.emplace_back(static_cast<long>(t.bytes / 2352));
    job.start = w_->drives[held->address].startPolls;
    job.closing = w_->drives[held->address].closingPolls;
    return true;
  }
  DriveProgress Poll(DriveHandle handle) override {
    auto g = Enter();
    Held* held = Find(handle);
    if (!held || !held->job.running || held->job.ended) return {};
    FakeDrive& drive = w_->drives[held->address];
    Job& job = held->job;
    auto end = [&](bool well) {
      job.ended = true;
      job.well = well;
      if (well && !job.simulate) drive.disc.state = job.erase ? DiscState::Blank : DiscState::Full;
      w_->written += well && !job.erase;
      return DriveProgress{};
    };
    if (job.erase) return job.erasing-- > 0 ? DriveProgress{DrivePhase::Erasing} : end(true);
    if (job.cancelled) return drive.hangOnCancel ? DriveProgress{DrivePhase::Writing} : end(false);
    if (job.start-- > 0) return {DrivePhase::Starting};
    if (job.done == job.total && job.closing-- <= 0) return end(true);
    job.done = std::min({job.total, job.done + drive.blocksPerPoll, drive.stallAt < 0 ? job.total : drive.stallAt});
    if (drive.failAt >= 0 && job.done >= drive.failAt) return end(false);
    if (drive.vanishAt >= 0 && job.done >= drive.vanishAt) return drive.grabResult = GrabResult::Missing, end(false);
    // Every sector of the last track sent is all a session at once shows of its closing.
    DriveProgress p{DrivePhase::Writing, 0, static_cast<int>(job.tracks.size()), job.done};
    while (p.track + 1 < p.tracks && p.sector >= job.tracks[p.track]) p.sector -= job.tracks[p.track++];
    p.sectors = job.tracks[p.track];
    return p;
  }
  void Cancel(DriveHandle handle) override {
    auto g = Enter();
    ++w_->cancels;
    Held* held = Find(handle);
    if (held && !held->job.erase && held->job.start < 0 && held->job.done < held->job.total)
      held->job.cancelled = true;
  }
  bool WroteWell(DriveHandle handle) override {
    auto g = Enter();
    Held* held = Find(handle);
    if (!held || !held->job.running) return false;
    held->job.running = false;
    return held->job.ended && held->job.well;
  }
  bool Vanished(DriveHandle handle) override {
    auto g = Enter();
    Held* held = Find(handle);
    return !held || Gone(*held);
  }
  int WriteSpeed(DriveHandle) override { return 1764; }

 private:
  struct Job {
    bool running = false, erase = false, simulate = false;
    std::vector<long> tracks;
    long total = 0, done = 0;
    int start = 0, closing = 0, erasing = 0;
    bool cancelled = false, ended = false, well = false;
  };
  struct Held {
    std::string address;
    MediaInfo seen;
    Job job;
  };

  std::unique_lock<std::mutex> Enter() {
    std::unique_lock<std::mutex> g(w_->lock);
    w_->threads.insert(std::this_thread::get_id());
    w_->callAfterFinish |= finished_;
    return g;
  }
  Held* Find(DriveHandle handle) {
    auto it = held_.find(handle);
    return it == held_.end() ? nullptr : &it->second;
  }
  bool Gone(const Held& held) { return w_->drives[held.address].grabResult == GrabResult::Missing; }
  MediaInfo Assess(const std::string& address) {
    const FakeDrive& drive = w_->drives[address];
    MediaInfo media = drive.trayOpen ? MediaInfo{} : drive.disc;
    media.present = drive.grabResult != GrabResult::Missing;
    media.erasable = media.profile == kProfileCdRw && media.state != DiscState::Empty;
    return media;
  }

  std::shared_ptr<FakeWorld> w_;
  std::map<DriveHandle, Held> held_;
  DriveHandle next_ = 1;
  bool finished_ = false;
};

}  // namespace imapi_burn
