#include "FakeBurnAdapter.h"

#include <algorithm>

namespace imapi_burn {

std::unique_lock<std::mutex> FakeBurnAdapter::Enter() {
  std::unique_lock<std::mutex> g(world_->lock);
  world_->threads.insert(std::this_thread::get_id());
  if (finished_) world_->callAfterFinish = true;
  return g;
}

FakeBurnAdapter::Held* FakeBurnAdapter::Find(DriveHandle handle) {
  auto it = held_.find(handle);
  return it == held_.end() ? nullptr : &it->second;
}

bool FakeBurnAdapter::Initialize() {
  auto g = Enter();
  ++world_->initializes;
  return !world_->initializeFails;
}

void FakeBurnAdapter::Finish() {
  auto g = Enter();
  ++world_->finishes;
  finished_ = true;
}

bool FakeBurnAdapter::Scan(std::vector<ScannedDrive>* drives) {
  auto g = Enter();
  ++world_->scans;
  if (!held_.empty()) ++world_->scansWhileGrabbed;
  drives->clear();
  if (world_->scanFails) return false;
  for (const std::string& address : world_->order) {
    auto it = world_->drives.find(address);
    if (it != world_->drives.end() && it->second.grabResult != GrabResult::Missing) drives->push_back(it->second.info);
  }
  return true;
}

std::vector<DeviceNode> FakeBurnAdapter::ListDeviceNodes() {
  auto g = Enter();
  return world_->nodes;
}

GrabResult FakeBurnAdapter::Grab(const std::string& address, bool load, DriveHandle* handle) {
  auto g = Enter();
  world_->grabs.emplace_back(address, load);
  auto it = world_->drives.find(address);
  if (it == world_->drives.end()) return GrabResult::Missing;
  if (it->second.grabResult != GrabResult::Ok) return it->second.grabResult;
  for (const auto& [h, held] : held_)
    if (held.address == address) return GrabResult::Busy;
  if (load) openTrays_.erase(address);
  Held held;
  held.address = address;
  held.trayOpen = openTrays_.count(address) != 0;
  *handle = next_++;
  held_[*handle] = held;
  ++world_->grabbedNow;
  return GrabResult::Ok;
}

void FakeBurnAdapter::Release(DriveHandle handle, bool eject) {
  auto g = Enter();
  Held* held = Find(handle);
  if (!held) return;
  world_->releases.emplace_back(held->address, eject);
  if (eject) openTrays_.insert(held->address);
  held_.erase(handle);
  --world_->grabbedNow;
}

MediaInfo FakeBurnAdapter::QueryMedia(DriveHandle handle) {
  auto g = Enter();
  MediaInfo media;
  Held* held = Find(handle);
  if (!held) {
    media.present = false;
    return media;
  }
  const FakeDrive& drive = world_->drives[held->address];
  media = drive.media;
  if (drive.grabResult == GrabResult::Missing) media.present = false;
  if (held->trayOpen) media.state = DiscState::Empty;
  return media;
}

bool FakeBurnAdapter::StartErase(DriveHandle handle, bool fast) {
  auto g = Enter();
  Held* held = Find(handle);
  if (!held || held->hasJob) return false;
  world_->erases.push_back(fast);
  held->job = Job{};
  held->job.erase = true;
  held->job.erasePolls = world_->drives[held->address].erasePolls;
  held->hasJob = true;
  return true;
}

bool FakeBurnAdapter::StartWrite(DriveHandle handle, const WriteRequest& request) {
  auto g = Enter();
  Held* held = Find(handle);
  if (!held || held->hasJob) return false;
  world_->writes.push_back(request);
  const FakeDrive& drive = world_->drives[held->address];
  if (drive.refuseWrite) return false;
  held->job = Job{};
  const long blockBytes = request.audio ? 2352 : 2048;
  for (const WriteTrack& t : request.tracks) {
    held->job.trackBlocks.push_back(static_cast<long>(t.bytes / blockBytes));
    held->job.total += held->job.trackBlocks.back();
  }
  held->job.leadIn = drive.leadInPolls;
  held->job.closing = drive.closingPolls;
  held->hasJob = true;
  return true;
}

DriveProgress FakeBurnAdapter::Poll(DriveHandle handle) {
  auto g = Enter();
  DriveProgress progress;
  Held* held = Find(handle);
  if (!held || !held->hasJob || held->job.ended) return progress;
  FakeDrive& drive = world_->drives[held->address];
  Job& job = held->job;
  auto In = [](DrivePhase phase) {
    DriveProgress p;
    p.phase = phase;
    return p;
  };
  auto end = [&](bool well) {
    job.ended = true;
    job.well = well;
    return DriveProgress{};
  };
  if (job.cancelled) {
    if (drive.hangOnCancel) return In(job.erase ? DrivePhase::Erasing : DrivePhase::Writing);
    return end(false);
  }
  if (job.erase) {
    if (job.erasePolls-- > 0) return In(DrivePhase::Erasing);
    if (!drive.eraseFails) drive.media.state = DiscState::Blank;
    return end(!drive.eraseFails);
  }
  if (job.leadIn-- > 0) return In(DrivePhase::Starting);
  if (job.done < job.total) {
    job.done = std::min(job.total, job.done + drive.blocksPerPoll);
    if (drive.stallAtBlock >= 0) job.done = std::min(job.done, drive.stallAtBlock);
    if (drive.failAtBlock >= 0 && job.done >= drive.failAtBlock) return end(false);
    if (drive.vanishAtBlock >= 0 && job.done >= drive.vanishAtBlock) {
      // Unplugged: the drive is no more to be found.
      drive.grabResult = GrabResult::Missing;
      return end(false);
    }
    progress.phase = DrivePhase::Writing;
    progress.tracks = static_cast<int>(job.trackBlocks.size());
    long before = 0;
    for (size_t t = 0; t < job.trackBlocks.size(); ++t) {
      if (job.done < before + job.trackBlocks[t] || t + 1 == job.trackBlocks.size()) {
        progress.track = static_cast<int>(t);
        progress.sector = job.done - before;
        progress.sectors = job.trackBlocks[t];
        break;
      }
      before += job.trackBlocks[t];
    }
    return progress;
  }
  if (job.closing-- > 0) return In(DrivePhase::Closing);
  drive.media.state = DiscState::Full;
  return end(true);
}

void FakeBurnAdapter::Cancel(DriveHandle handle) {
  auto g = Enter();
  ++world_->cancels;
  Held* held = Find(handle);
  if (held && held->hasJob) held->job.cancelled = true;
}

bool FakeBurnAdapter::WroteWell(DriveHandle handle) {
  auto g = Enter();
  Held* held = Find(handle);
  if (!held || !held->hasJob) return false;
  const bool well = held->job.ended && held->job.well;
  held->hasJob = false;
  return well;
}

bool FakeBurnAdapter::Reassess(DriveHandle handle) {
  auto g = Enter();
  Held* held = Find(handle);
  return held && world_->drives[held->address].grabResult == GrabResult::Ok;
}

bool FakeBurnAdapter::Vanished(DriveHandle handle) {
  auto g = Enter();
  Held* held = Find(handle);
  return !held || world_->drives[held->address].grabResult == GrabResult::Missing;
}

int FakeBurnAdapter::WriteSpeed(DriveHandle handle) {
  auto g = Enter();
  Held* held = Find(handle);
  return held ? world_->drives[held->address].writeSpeed : 0;
}

}  // namespace imapi_burn
