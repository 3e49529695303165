#include "platform/imapi/burn/BurnEngine.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <thread>

#include "platform/com/ResultMacros.h"
#include "platform/imapi/Imapi.h"
#include "platform/imapi/burn/AbortSignals.h"
#include "platform/imapi/burn/ProgressTracker.h"

namespace imapi_burn {

namespace {

constexpr uint64_t kAudioBlockBytes = 2352;

bool SameProgress(const DriveProgress& a, const DriveProgress& b) {
  return a.phase == b.phase && a.track == b.track && a.sector == b.sector;
}

std::string JoinPaths(const std::vector<DeviceNode>& nodes) {
  std::string out;
  for (const DeviceNode& n : nodes) {
    if (!out.empty()) out += ", ";
    out += n.path;
  }
  return out;
}

}  // namespace

BurnEngine::BurnEngine(std::unique_ptr<BurnAdapter> adapter, BurnEngineOptions options)
    : adapter_(std::move(adapter)), options_(options) {
  started_ = thread_.Call([this] { return adapter_->Initialize(); });
}

BurnEngine::~BurnEngine() {
  thread_.Call([this] {
    if (!started_) return;
    ReleaseAll();
    adapter_->Finish();
  });
}

void BurnEngine::StartJob(Held& held, JobKind kind) {
  held.busy = true;
  held.kind = kind;
  AbortSignals::Arm();
}

void BurnEngine::StopJob(Held& held) {
  if (!held.busy) return;
  held.busy = false;
  AbortSignals::Disarm();
}

void BurnEngine::ReleaseAll() {
  // Running writes are told to stop, again on every poll since the library
  // ignores a cancel while a write starts, and given their grace to do so.
  const auto deadline = std::chrono::steady_clock::now() + options_.cancelGrace;
  for (;;) {
    bool anyBusy = false;
    for (auto& [id, held] : held_) {
      if (!held.busy) continue;
      if (adapter_->Poll(held.handle).phase == DrivePhase::Idle) {
        StopJob(held);
      } else {
        anyBusy = true;
        if (held.kind == JobKind::Write) adapter_->Cancel(held.handle);
      }
    }
    if (!anyBusy || std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(options_.pollInterval);
  }
  // A drive still busy cannot be released; finishing the library ends it.
  // The signals are given back all the same: nothing would answer them.
  for (auto& [id, held] : held_) {
    if (held.grabbed && !held.busy) adapter_->Release(held.handle, held.abandoned && held.ejectWhenIdle);
    StopJob(held);
  }
  held_.clear();
}

void BurnEngine::RemoveOwner(int owner) {
  thread_.Call([&] {
    if (!started_) return;
    Reap();
    for (auto it = held_.begin(); it != held_.end();) {
      Held& held = it->second;
      if (held.owner != owner) {
        ++it;
        continue;
      }
      if (held.busy) {
        held.abandoned = true;
        held.closeWhenIdle = true;
        ++it;
        continue;
      }
      if (held.grabbed) adapter_->Release(held.handle, false);
      it = held_.erase(it);
    }
  });
}

// Jobs whose callers stopped waiting are given back once their drive rests.
void BurnEngine::Reap() {
  for (auto it = held_.begin(); it != held_.end();) {
    Held& held = it->second;
    if (!held.busy || !held.abandoned || adapter_->Poll(held.handle).phase != DrivePhase::Idle) {
      ++it;
      continue;
    }
    StopJob(held);
    held.abandoned = false;
    adapter_->Release(held.handle, held.ejectWhenIdle);
    held.grabbed = false;
    held.loadOnGrab = !held.ejectWhenIdle;
    if (held.temporary || held.closeWhenIdle)
      it = held_.erase(it);
    else
      ++it;
  }
}

void BurnEngine::DoScan() {
  std::vector<ScannedDrive> found;
  lastScan_.clear();
  lastNote_.clear();
  scanned_ = true;
  if (!adapter_->Scan(&found)) {
    lastFound_.clear();
    lastNote_ = "The scan for CD recorders failed; list the recorders again.";
    return;
  }
  lastFound_ = found;
  for (const ScannedDrive& d : found) {
    if (!d.writesCd) continue;
    lastScan_.push_back({d.address, d.vendor, d.product, d.revision});
  }
  if (lastScan_.empty()) lastNote_ = ComposeNote(found, adapter_->ListDeviceNodes());
}

std::vector<imapi_backend::DriveInfo> BurnEngine::Scan(std::string* note) {
  return thread_.Call([&] {
    std::string text;
    std::vector<imapi_backend::DriveInfo> drives;
    if (!started_) {
      text = "The CD burning library could not be started; no CD recorder can be used.";
    } else {
      Reap();
      // The library cannot scan while it holds a drive: the last scan stands.
      if (held_.empty()) {
        DoScan();
      } else if (!scanned_) {
        lastNote_ = "A CD recorder is in use; list the recorders again when it is free.";
      }
      drives = lastScan_;
      text = lastNote_;
    }
    if (note) *note = text;
    return drives;
  });
}

bool BurnEngine::Known(const std::string& id) {
  auto listed = [&] {
    return std::any_of(lastScan_.begin(), lastScan_.end(), [&](const auto& d) { return d.id == id; });
  };
  if (held_.count(id) || listed()) return true;
  if (!held_.empty()) return false;
  DoScan();
  return listed();
}

HRESULT BurnEngine::Grab(Held& held, const std::string& id) {
  if (held.grabbed) return S_OK;
  DriveHandle handle = kNoDrive;
  const GrabResult result = adapter_->Grab(id, held.loadOnGrab, &handle);
  if (result == GrabResult::Ok) {
    held.grabbed = true;
    held.handle = handle;
    return S_OK;
  }
  struct Failure {
    HRESULT hr;
    const char* why;
  };
  auto failure = [](GrabResult r) -> Failure {
    switch (r) {
      case GrabResult::Missing: return {IMAPI_E_DEVICE_NOTPRESENT, "is no longer there"};
      case GrabResult::Denied: return {IMAPI_E_DEVICE_NOTACCESSIBLE, "may not be opened by this user"};
      case GrabResult::Busy: return {IMAPI_E_DEVICE_STILL_IN_USE, "is in use by another program"};
      case GrabResult::NotADrive: return {IMAPI_E_DEVICE_INVALIDTYPE, "is not a CD recorder the library can drive"};
      default: return {IMAPI_E_GENERIC, "could not be opened"};
    }
  };
  const Failure f = failure(result);
  std::fprintf(stderr, "imapiburn: %s %s\n", id.c_str(), f.why);
  return f.hr;
}

// The library caches the media it saw when the drive was taken: a disc put
// in since, or a tray left open, reads as no disc until it looks again.
HRESULT BurnEngine::ReadMedia(Held& held, const std::string& id, MediaInfo* media) {
  RETURN_IF_FAILED(Grab(held, id));
  *media = adapter_->QueryMedia(held.handle);
  if (media->present && media->state == DiscState::Empty) {
    adapter_->Reassess(held.handle);
    *media = adapter_->QueryMedia(held.handle);
  }
  if (media->present && media->state == DiscState::Empty) {
    // Only a grab closes a tray: the drive is taken again, loading it.
    adapter_->Release(held.handle, false);
    held.grabbed = false;
    held.loadOnGrab = true;
    RETURN_IF_FAILED(Grab(held, id));
    *media = adapter_->QueryMedia(held.handle);
  }
  if (!media->present) {
    adapter_->Release(held.handle, false);
    held.grabbed = false;
    return IMAPI_E_DEVICE_NOTPRESENT;
  }
  return S_OK;
}

BurnEngine::Held* BurnEngine::HeldBy(int owner, const std::string& id) {
  auto it = held_.find(id);
  if (it == held_.end() || it->second.owner != owner) return nullptr;
  return &it->second;
}

HRESULT BurnEngine::OpenExclusive(int owner, const std::string& id) {
  if (!started_) return E_FAIL;
  return thread_.Call([&]() -> HRESULT {
    Reap();
    if (!Known(id)) return IMAPI_E_DEVICE_NOTPRESENT;
    auto it = held_.find(id);
    if (it != held_.end()) return it->second.owner == owner ? S_OK : IMAPI_E_DEVICE_STILL_IN_USE;
    Held& held = held_[id];
    held.owner = owner;
    // Opening moves no tray; looking for a disc in it does.
    held.loadOnGrab = false;
    HRESULT hr = Grab(held, id);
    if (FAILED(hr)) held_.erase(id);
    return hr;
  });
}

HRESULT BurnEngine::Close(int owner, const std::string& id) {
  if (!started_) return E_FAIL;
  return thread_.Call([&]() -> HRESULT {
    Reap();
    Held* held = HeldBy(owner, id);
    if (!held || held->temporary) return S_OK;
    if (held->busy) {
      held->closeWhenIdle = true;
      return S_OK;
    }
    if (held->grabbed) adapter_->Release(held->handle, false);
    held_.erase(id);
    return S_OK;
  });
}

HRESULT BurnEngine::MapMedia(const MediaInfo& media, long* mediaType, long* mediaFlags) {
  *mediaType = 0;
  *mediaFlags = 0;
  if (!media.present) return IMAPI_E_DEVICE_NOTPRESENT;
  if (media.state == DiscState::Empty || media.state == DiscState::Unready) return IMAPI_E_MEDIUM_NOTPRESENT;
  const bool cd = media.profile == kProfileCdR || media.profile == kProfileCdRw;
  if (!cd || media.state == DiscState::Unsuitable) {
    *mediaType = MEDIA_SPECIAL;
    *mediaFlags = MEDIA_FORMAT_UNUSABLE_BY_IMAPI;
    return S_OK;
  }
  *mediaType = MEDIA_CDDA_CDROM;
  long flags = media.profile == kProfileCdRw ? MEDIA_RW : 0;
  if (media.state == DiscState::Blank) flags |= MEDIA_BLANK | MEDIA_WRITABLE;
  if (media.state == DiscState::Appendable) flags |= MEDIA_WRITABLE;
  *mediaFlags = flags;
  return S_OK;
}

HRESULT BurnEngine::QueryMedia(int owner, const std::string& id, long* mediaType, long* mediaFlags) {
  if (!mediaType || !mediaFlags) return E_POINTER;
  *mediaType = 0;
  *mediaFlags = 0;
  if (!started_) return E_FAIL;
  return thread_.Call([&]() -> HRESULT {
    Reap();
    Held* held = HeldBy(owner, id);
    if (!held || held->temporary) return IMAPI_E_NOTOPENED;
    if (held->busy) return IMAPI_E_DEVICE_STILL_IN_USE;
    MediaInfo media;
    RETURN_IF_FAILED(ReadMedia(*held, id, &media));
    return MapMedia(media, mediaType, mediaFlags);
  });
}

HRESULT BurnEngine::Eject(int owner, const std::string& id) {
  if (!started_) return E_FAIL;
  return thread_.Call([&]() -> HRESULT {
    Reap();
    Held* held = HeldBy(owner, id);
    if (!held || held->temporary) return IMAPI_E_NOTOPENED;
    if (held->busy) return IMAPI_E_DEVICE_STILL_IN_USE;
    held->loadOnGrab = false;
    RETURN_IF_FAILED(Grab(*held, id));
    // The library opens the tray as it lets the drive go; the hold stays
    // and the drive is taken again, tray open, when next needed.
    adapter_->Release(held->handle, true);
    held->grabbed = false;
    return S_OK;
  });
}

HRESULT BurnEngine::BeginErase(int owner, const std::string& id, bool full) {
  Reap();
  Held* held = HeldBy(owner, id);
  if (!held || held->temporary) return IMAPI_E_NOTOPENED;
  if (held->busy) return IMAPI_E_DEVICE_STILL_IN_USE;
  held->loadOnGrab = true;
  MediaInfo media;
  RETURN_IF_FAILED(ReadMedia(*held, id, &media));
  if (media.state == DiscState::Empty || media.state == DiscState::Unready) return IMAPI_E_MEDIUM_NOTPRESENT;
  if (media.profile != kProfileCdRw || !media.erasable) return IMAPI_E_MEDIUM_INVALIDTYPE;
  // The library blanks a blank disc too; quickly, there is nothing to do.
  if (media.state == DiscState::Blank && !full) return S_FALSE;
  if (!adapter_->StartErase(held->handle, !full)) return IMAPI_E_GENERIC;
  StartJob(*held, JobKind::Erase);
  return S_OK;
}

HRESULT BurnEngine::Erase(int owner, const std::string& id, bool full) {
  if (!started_) return E_FAIL;
  const HRESULT hr = thread_.Call([&] { return BeginErase(owner, id, full); });
  RETURN_IF_FAILED(hr);
  if (hr == S_FALSE) return S_OK;
  bool abandoned = false;
  WaitForJob(id, JobKind::Erase, nullptr, nullptr, false, &abandoned);
  const JobOutcome outcome = thread_.Call([&] { return EndJob(id, JobKind::Erase, false); });
  EndIfSignalled();
  if (outcome.wroteWell) return S_OK;
  return outcome.vanished ? IMAPI_E_DEVICE_NOTPRESENT : IMAPI_E_GENERIC;
}

HRESULT BurnEngine::BeginRecord(int owner, const std::string& id, const WriteRequest& request, long totalBlocks,
                                int* writeSpeed) {
  Reap();
  if (!Known(id)) return IMAPI_E_DEVICE_NOTPRESENT;
  auto it = held_.find(id);
  if (it != held_.end() && (it->second.owner != owner || it->second.busy || it->second.temporary))
    return IMAPI_E_DEVICE_STILL_IN_USE;
  const bool temporary = it == held_.end();
  Held& held = held_[id];
  if (temporary) {
    held.owner = owner;
    held.temporary = true;
  }
  held.loadOnGrab = true;
  auto fail = [&](HRESULT hr) {
    if (held.temporary) {
      if (held.grabbed) adapter_->Release(held.handle, false);
      held_.erase(id);
    }
    return hr;
  };
  MediaInfo media;
  HRESULT hr = ReadMedia(held, id, &media);
  if (FAILED(hr)) return fail(hr);
  if (media.state == DiscState::Empty || media.state == DiscState::Unready) return fail(IMAPI_E_MEDIUM_NOTPRESENT);
  if (media.profile != kProfileCdR && media.profile != kProfileCdRw) return fail(IMAPI_E_MEDIUM_INVALIDTYPE);
  if (media.state != DiscState::Blank) return fail(IMAPI_E_CANNOT_WRITE_TO_MEDIA);
  // The pause before track one lies before block 0, outside the free space.
  if (media.capacityBlocks > 0 && totalBlocks > media.capacityBlocks) return fail(IMAPI_E_DISCFULL);
  if (!adapter_->StartWrite(held.handle, request)) return fail(IMAPI_E_GENERIC);
  StartJob(held, JobKind::Write);
  *writeSpeed = adapter_->WriteSpeed(held.handle);
  return S_OK;
}

DriveProgress BurnEngine::PollJob(const std::string& id) {
  auto it = held_.find(id);
  if (it == held_.end() || !it->second.busy) return {};
  return adapter_->Poll(it->second.handle);
}

void BurnEngine::CancelJob(const std::string& id) {
  auto it = held_.find(id);
  if (it != held_.end() && it->second.busy && it->second.kind == JobKind::Write) adapter_->Cancel(it->second.handle);
}

void BurnEngine::AbandonJob(const std::string& id, bool eject) {
  auto it = held_.find(id);
  if (it == held_.end() || !it->second.busy) return;
  it->second.abandoned = true;
  it->second.ejectWhenIdle = eject;
}

BurnEngine::JobOutcome BurnEngine::EndJob(const std::string& id, JobKind kind, bool eject) {
  JobOutcome outcome;
  auto it = held_.find(id);
  if (it == held_.end() || !it->second.grabbed) return outcome;
  Held& held = it->second;
  StopJob(held);
  outcome.wroteWell = adapter_->WroteWell(held.handle);
  outcome.vanished = !outcome.wroteWell && adapter_->Vanished(held.handle);
  const bool ejectNow = kind == JobKind::Write && eject && !outcome.vanished;
  if (held.temporary || held.closeWhenIdle) {
    adapter_->Release(held.handle, ejectNow);
    held_.erase(it);
    return outcome;
  }
  if (outcome.vanished || ejectNow || !adapter_->Reassess(held.handle)) {
    adapter_->Release(held.handle, ejectNow);
    held.grabbed = false;
    held.loadOnGrab = !ejectNow;
  }
  return outcome;
}

BurnEngine::WaitEnd BurnEngine::WaitForJob(const std::string& id, JobKind kind,
                                           const imapi_backend::RecordCallbacks* callbacks, ProgressTracker* tracker,
                                           bool eject, bool* abandoned) {
  using Clock = std::chrono::steady_clock;
  *abandoned = false;
  WaitEnd end = WaitEnd::Ended;
  Clock::time_point lastChange = Clock::now();
  Clock::time_point cancelAt{};
  DriveProgress last;
  last.phase = DrivePhase::Starting;
  // Once the disc is being closed it will be finished: no cancel then.
  auto closing = [&] { return tracker && tracker->ClosingSent(); };
  for (;;) {
    std::this_thread::sleep_for(options_.pollInterval);
    if (kind == JobKind::Write && !closing()) {
      if (end == WaitEnd::Ended &&
          (AbortSignals::Pending() != 0 || (callbacks && callbacks->queryCancel && callbacks->queryCancel()))) {
        end = WaitEnd::Cancelled;
        cancelAt = Clock::now();
      }
      // The library ignores a cancel while the write starts: it is repeated
      // until the drive rests.
      if (end != WaitEnd::Ended) thread_.Call([&] { CancelJob(id); });
    }
    const DriveProgress progress = thread_.Call([&] { return PollJob(id); });
    if (progress.phase == DrivePhase::Idle) return end;
    const Clock::time_point now = Clock::now();
    if (!SameProgress(progress, last)) {
      last = progress;
      lastChange = now;
    }
    if (tracker) tracker->Update(progress);
    if (closing()) end = WaitEnd::Ended;
    if (end != WaitEnd::Ended) {
      if (now - cancelAt > options_.cancelGrace) {
        // The drive does not stop; its caller is let go and the engine
        // gives the drive back once it rests.
        thread_.Call([&] { AbandonJob(id, eject); });
        *abandoned = true;
        return end;
      }
      continue;
    }
    if (kind == JobKind::Write && !closing() && now - lastChange > options_.stallTimeout) {
      std::fprintf(stderr, "imapiburn: %s made no progress; the write is cancelled\n", id.c_str());
      end = WaitEnd::Stalled;
      cancelAt = now;
    }
  }
}

void BurnEngine::ShutDownForSignal() {
  ReleaseAll();
  if (started_) adapter_->Finish();
  started_ = false;
  AbortSignals::Resend();
}

void BurnEngine::EndIfSignalled() {
  if (AbortSignals::Pending() != 0) thread_.Call([this] { ShutDownForSignal(); });
}

HRESULT BurnEngine::Record(int owner, const std::string& id, const std::vector<imapi_backend::TrackSpec>& tracks,
                           bool simulate, bool eject, const imapi_backend::RecordCallbacks& callbacks) {
  if (!started_) return E_FAIL;
  if (tracks.empty()) return E_INVALIDARG;
  WriteRequest request;
  request.simulate = simulate;
  std::vector<uint32_t> blocks;
  long totalBlocks = 0;
  for (const imapi_backend::TrackSpec& t : tracks) {
    if (t.blocks == 0) return E_INVALIDARG;
    const uint64_t bytes = uint64_t{t.blocks} * kAudioBlockBytes;
    // A stash shorter than announced would be burnt padded with silence.
    struct stat st {};
    if (::stat(t.stashPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) < t.offset + bytes)
      return IMAPI_E_FILEACCESS;
    request.tracks.push_back({t.stashPath, t.offset, bytes});
    blocks.push_back(t.blocks);
    totalBlocks += static_cast<long>(t.blocks);
  }
  if (callbacks.queryCancel && callbacks.queryCancel()) return IMAPI_E_USERABORT;

  int writeSpeed = 0;
  RETURN_IF_FAILED(thread_.Call([&] { return BeginRecord(owner, id, request, totalBlocks, &writeSpeed); }));
  ProgressTracker tracker(blocks, callbacks, writeSpeed);
  tracker.Start();
  bool abandoned = false;
  const WaitEnd end = WaitForJob(id, JobKind::Write, &callbacks, &tracker, eject, &abandoned);
  if (abandoned) return end == WaitEnd::Cancelled ? IMAPI_E_USERABORT : IMAPI_E_GENERIC;
  const JobOutcome outcome = thread_.Call([&] { return EndJob(id, JobKind::Write, eject); });
  EndIfSignalled();
  // A write the drive finished got all of its data: a good disc, even when
  // a cancel came too late to stop it.
  if (outcome.wroteWell) {
    tracker.Complete();
    return S_OK;
  }
  if (end == WaitEnd::Cancelled) return IMAPI_E_USERABORT;
  if (outcome.vanished) return IMAPI_E_DEVICE_NOTPRESENT;
  return IMAPI_E_GENERIC;
}

std::string BurnEngine::ComposeNote(const std::vector<ScannedDrive>& found, const std::vector<DeviceNode>& nodes) {
  std::vector<DeviceNode> denied;
  for (const DeviceNode& n : nodes)
    if (!n.accessible) denied.push_back(n);
  if (!denied.empty()) {
    const DeviceNode& first = denied.front();
    char mode[8];
    std::snprintf(mode, sizeof mode, "%03o", first.mode & 0777);
    std::string text = "No CD recorder can be used: this user may not open " + JoinPaths(denied) + " (owner " +
                       (first.owner.empty() ? "unknown" : first.owner) + ", group " +
                       (first.group.empty() ? "unknown" : first.group) + ", mode " + mode + "). ";
    if (!first.group.empty() && first.group != "root")
      text += "Join the group that owns the device (sudo usermod -aG " + first.group +
              " $USER), log in again and list the recorders again.";
    else
      text += "Ask the administrator for read and write access to the device, then list the recorders again.";
    return text;
  }
  std::string readers;
  for (const ScannedDrive& d : found) {
    if (d.writesCd) continue;
    if (!readers.empty()) readers += ", ";
    readers += d.vendor + " " + d.product + " at " + d.address;
  }
  if (!readers.empty()) return "No CD recorder found: " + readers + " cannot write CDs.";
  if (!nodes.empty())
    return "No CD recorder found: " + JoinPaths(nodes) +
           " is in use by another program or is not a CD recorder. Close that program and list the recorders again.";
  return "No CD recorder found: no optical drive is attached to this machine (no /dev/sr* device). "
         "Connect a CD recorder and list the recorders again.";
}

}  // namespace imapi_burn
