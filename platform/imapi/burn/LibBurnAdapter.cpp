#include "platform/imapi/burn/LibBurnAdapter.h"

#include <libburn/libburn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/imapi/burn/StashSource.h"

// The library declares itself in a namespace of its own in C++.
using namespace burn;

namespace imapi_burn {

namespace {

// The library keeps process-wide state: only one adapter may own it.
std::atomic<bool> g_libraryOwned{false};
// After an abort that went badly the library must not be used again.
std::atomic<bool> g_libraryBroken{false};

constexpr int kAudioBlock = 2352;
constexpr int kDataBlock = 2048;
// Each track reads ahead through a ring buffer of about 4 MB.
constexpr int kFifoBytes = 4 * 1024 * 1024;

std::string Trimmed(const char* text) {
  std::string s(text);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

bool IsDeviceFile(const std::string& address) { return !address.empty() && address[0] == '/'; }

// A fifo's reading thread outlives its drive's idle state, and the library
// says when it ends only up to its last steps: releasing the drive or
// finishing the library under it crashes the process now and then. Waits
// for each fifo to report its end, then for the thread's last steps.
void AwaitFifoThreads(const std::vector<burn_source*>& fifos) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  bool started = false;
  for (burn_source* fifo : fifos) {
    int size = 0, freeBytes = 0, status = 0;
    char* text = nullptr;
    // 1 active, 2 ending, 3 failing: the thread still reads; 0 and 4: it never ran.
    while ((status = burn_fifo_inquire_status(fifo, &size, &freeBytes, &text)) >= 1 && status <= 3 &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (status != 0 && status != 4) started = true;
  }
  if (started) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// Why the library would not take a device node it was free to open:
// `result` is what burn_drive_scan_and_grab returned.
GrabResult WhyNotGrabbed(const std::string& address, int result) {
  struct stat st {};
  if (::stat(address.c_str(), &st) != 0) return GrabResult::Missing;  // gone meanwhile
  if (!S_ISBLK(st.st_mode) && !S_ISCHR(st.st_mode)) return GrabResult::NotADrive;
  // The library opens drives exclusively, as other burning programs do.
  const int fd = ::open(address.c_str(), O_RDONLY | O_NONBLOCK | O_EXCL | O_CLOEXEC);
  if (fd < 0) return errno == EBUSY ? GrabResult::Busy : GrabResult::Failed;
  ::close(fd);
  // 0: no drive found there, e.g. a device that speaks no MMC.
  return result == 0 ? GrabResult::NotADrive : GrabResult::Failed;
}

}  // namespace

LibBurnAdapter::LibBurnAdapter(std::string deviceFolder) : probe_(std::move(deviceFolder)) {}

LibBurnAdapter::~LibBurnAdapter() {
  if (initialized_) Finish();
}

bool LibBurnAdapter::Initialize() {
  if (initialized_) return true;
  bool expected = false;
  if (g_libraryBroken || !g_libraryOwned.compare_exchange_strong(expected, true)) return false;
  if (!burn_initialize()) {
    g_libraryOwned = false;
    return false;
  }
  // Failures go to standard error so that a failed burn says why; nothing
  // is queued since nobody reads the queue.
  burn_msgs_set_severities(const_cast<char*>("NEVER"), const_cast<char*>("SORRY"),
                           const_cast<char*>("imapiburn: "));
  initialized_ = true;
  return true;
}

void LibBurnAdapter::Finish() {
  if (!initialized_) return;
  bool busy = false;
  for (auto& [handle, drive] : drives_)
    if (burn_drive_get_status(drive.drive, nullptr) != BURN_DRIVE_IDLE) busy = true;
  if (busy) {
    // Cancels what still runs, waits a little and finishes the library.
    if (burn_abort(10, nullptr, nullptr) < 0) g_libraryBroken = true;
    drives_.clear();
  } else {
    for (auto& [handle, drive] : drives_) {
      FreeJob(drive.job);
      burn_drive_release(drive.drive, 0);
      burn_drive_info_free(drive.infos);
    }
    drives_.clear();
    burn_finish();
  }
  initialized_ = false;
  g_libraryOwned = false;
}

bool LibBurnAdapter::Scan(std::vector<ScannedDrive>* drives) {
  drives->clear();
  if (!initialized_ || !drives_.empty()) return false;
  // The library looks only behind these nodes; without any, its scan (which
  // must be asked again until it is over) could find nothing.
  if (probe_.List().empty()) return true;
  // Grabbing by address leaves that address as the only one scanned.
  burn_drive_clear_whitelist();
  burn_drive_info* infos = nullptr;
  unsigned int count = 0;
  int result = 0;
  // Short waits first: a scan of a drive or two is over within milliseconds.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  auto wait = std::chrono::microseconds(250);
  while ((result = burn_drive_scan(&infos, &count)) == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(wait);
    wait = std::min<std::chrono::microseconds>(wait * 2, std::chrono::milliseconds(50));
  }
  if (result <= 0) return false;
  for (unsigned int i = 0; i < count; ++i) {
    char address[BURN_DRIVE_ADR_LEN] = {};
    if (burn_drive_d_get_adr(infos[i].drive, address) <= 0) continue;
    ScannedDrive d;
    d.address = address;
    d.vendor = Trimmed(infos[i].vendor);
    d.product = Trimmed(infos[i].product);
    d.revision = Trimmed(infos[i].revision);
    d.writesCd = infos[i].write_cdr || infos[i].write_cdrw;
    drives->push_back(d);
  }
  // Scanned drives stay locked until forgotten: let them all go at once.
  for (unsigned int i = 0; i < count; ++i) burn_drive_info_forget(&infos[i], 0);
  burn_drive_info_free(infos);
  return true;
}

std::vector<DeviceNode> LibBurnAdapter::ListDeviceNodes() { return probe_.List(); }

GrabResult LibBurnAdapter::Grab(const std::string& address, bool load, DriveHandle* handle) {
  *handle = kNoDrive;
  if (!initialized_) return GrabResult::Missing;
  if (IsDeviceFile(address)) {
    if (::access(address.c_str(), F_OK) != 0) return GrabResult::Missing;
    if (::access(address.c_str(), R_OK | W_OK) != 0) return GrabResult::Denied;
  }
  burn_drive_info* infos = nullptr;
  const int result = burn_drive_scan_and_grab(&infos, const_cast<char*>(address.c_str()), load ? 1 : 0);
  if (result != 1) {
    if (infos) burn_drive_info_free(infos);
    if (!IsDeviceFile(address)) return result == 0 ? GrabResult::Missing : GrabResult::Failed;
    return WhyNotGrabbed(address, result);
  }
  Drive drive;
  drive.infos = infos;
  drive.drive = infos[0].drive;
  drive.address = address;
  *handle = next_++;
  drives_[*handle] = drive;
  return GrabResult::Ok;
}

LibBurnAdapter::Drive* LibBurnAdapter::Find(DriveHandle handle) {
  auto it = drives_.find(handle);
  return it == drives_.end() ? nullptr : &it->second;
}

void LibBurnAdapter::FreeJob(Job* job) {
  if (!job) return;
  if (job->options) burn_write_opts_free(job->options);
  AwaitFifoThreads(job->fifos);
  if (job->disc) burn_disc_free(job->disc);
  for (burn_source* s : job->fifos) burn_source_free(s);
  for (burn_source* s : job->stashes) burn_source_free(s);
  delete job;
}

void LibBurnAdapter::Release(DriveHandle handle, bool eject) {
  Drive* drive = Find(handle);
  if (!drive) return;
  FreeJob(drive->job);
  drive->job = nullptr;
  burn_drive_release(drive->drive, eject ? 1 : 0);
  burn_drive_info_free(drive->infos);
  drives_.erase(handle);
}

MediaInfo LibBurnAdapter::QueryMedia(DriveHandle handle) {
  MediaInfo media;
  Drive* drive = Find(handle);
  if (!drive || Vanished(handle)) {
    media.present = false;
    return media;
  }
  burn_disc_status status = burn_disc_get_status(drive->drive);
  // A disc just loaded may need a few seconds to tell what it is.
  for (int tries = 0; status == BURN_DISC_UNREADY && tries < 10; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    burn_drive_re_assess(drive->drive, 0);
    status = burn_disc_get_status(drive->drive);
  }
  switch (status) {
    case BURN_DISC_BLANK: media.state = DiscState::Blank; break;
    case BURN_DISC_EMPTY: media.state = DiscState::Empty; break;
    case BURN_DISC_APPENDABLE: media.state = DiscState::Appendable; break;
    case BURN_DISC_FULL: media.state = DiscState::Full; break;
    case BURN_DISC_UNSUITABLE: media.state = DiscState::Unsuitable; break;
    case BURN_DISC_UNREADY: media.state = DiscState::Unready; break;
    default: media.present = false; return media;
  }
  int profile = 0;
  char name[80] = {};
  if (burn_disc_get_profile(drive->drive, &profile, name) == 1) media.profile = profile;
  media.erasable = burn_disc_erasable(drive->drive) != 0;
  if (media.state == DiscState::Blank) {
    // The library counts the space in data blocks of 2048 bytes.
    const off_t space = burn_disc_available_space(drive->drive, nullptr);
    if (space > 0) media.capacityBlocks = static_cast<long>(space / kDataBlock);
  }
  return media;
}

bool LibBurnAdapter::StartErase(DriveHandle handle, bool fast) {
  Drive* drive = Find(handle);
  if (!drive || drive->job) return false;
  // The library calls any rewritable CD erasable and blanks a blank one.
  const burn_disc_status status = burn_disc_get_status(drive->drive);
  if (status != BURN_DISC_FULL && status != BURN_DISC_APPENDABLE && status != BURN_DISC_BLANK) return false;
  burn_disc_erase(drive->drive, fast ? 1 : 0);
  return true;
}

bool LibBurnAdapter::StartWrite(DriveHandle handle, const WriteRequest& request) {
  Drive* drive = Find(handle);
  if (!drive || drive->job || request.tracks.empty()) return false;
  auto* job = new Job;
  job->disc = burn_disc_create();
  job->session = burn_session_create();
  burn_disc_add_session(job->disc, job->session, BURN_POS_END);
  burn_session_free(job->session);  // the disc holds it now
  const int block = request.audio ? kAudioBlock : kDataBlock;
  for (const WriteTrack& t : request.tracks) {
    burn_source* stash = StashSource::Create(t.path, t.offset, t.bytes);
    if (!stash) {
      std::fprintf(stderr, "imapiburn: cannot read %s\n", t.path.c_str());
      FreeJob(job);
      return false;
    }
    job->stashes.push_back(stash);
    burn_source* fifo = burn_fifo_source_new(stash, block, kFifoBytes / block, 1);
    if (!fifo) {
      FreeJob(job);
      return false;
    }
    job->fifos.push_back(fifo);
    burn_track* track = burn_track_create();
    burn_track_define_data(track, 0, 0, 1, request.audio ? BURN_AUDIO : BURN_MODE1);
    // The staged blocks are little-endian samples, as the drive takes them.
    if (request.audio) burn_track_set_byte_swap(track, 0);
    const bool ok = burn_track_set_source(track, fifo) == BURN_SOURCE_OK &&
                    burn_session_add_track(job->session, track, BURN_POS_END) == 1;
    burn_track_free(track);  // the session holds it now
    if (!ok) {
      FreeJob(job);
      return false;
    }
  }
  job->options = burn_write_opts_new(drive->drive);
  if (!job->options) {
    FreeJob(job);
    return false;
  }
  burn_write_opts_set_write_type(job->options, BURN_WRITE_SAO, BURN_BLOCK_SAO);
  // Returns 0 when the drive has no underrun protection; it writes anyway.
  burn_write_opts_set_underrun_proof(job->options, request.underrunProof ? 1 : 0);
  burn_write_opts_set_simulate(job->options, request.simulate ? 1 : 0);
  burn_write_opts_set_multi(job->options, 0);  // a closed disc, as players need
  burn_drive_set_speed(drive->drive, 0, 0);    // the fastest the medium allows
  char reasons[BURN_REASONS_LEN] = {};
  if (burn_precheck_write(job->options, job->disc, reasons, 1) != 1) {
    std::fprintf(stderr, "imapiburn: the drive refuses this write: %s\n", reasons);
    FreeJob(job);
    return false;
  }
  drive->job = job;
  burn_disc_write(job->options, job->disc);
  return true;
}

DrivePhase LibBurnAdapter::PhaseOf(int status, bool lastDataSent) {
  switch (status) {
    case BURN_DRIVE_IDLE:
      return DrivePhase::Idle;
    case BURN_DRIVE_WRITING:
    case BURN_DRIVE_WRITING_PREGAP:
      return DrivePhase::Writing;
    // Track-at-once only; a session written at once never reports them.
    case BURN_DRIVE_CLOSING_TRACK:
      return lastDataSent ? DrivePhase::Closing : DrivePhase::Writing;
    case BURN_DRIVE_WRITING_LEADOUT:
    case BURN_DRIVE_CLOSING_SESSION:
      return DrivePhase::Closing;
    case BURN_DRIVE_ERASING:
    case BURN_DRIVE_FORMATTING:
      return DrivePhase::Erasing;
    default:
      return DrivePhase::Starting;
  }
}

DriveProgress LibBurnAdapter::Poll(DriveHandle handle) {
  DriveProgress progress;
  Drive* drive = Find(handle);
  if (!drive) return progress;
  burn_progress p{};
  const burn_drive_status status = burn_drive_get_status(drive->drive, &p);
  progress.track = p.track;
  progress.tracks = p.tracks;
  progress.sector = p.sector;
  progress.sectors = p.sectors;
  progress.phase = PhaseOf(status, p.track >= p.tracks - 1 && p.sectors > 0 && p.sector >= p.sectors);
  return progress;
}

// Only the drive is told: data the stash refused would be padded with
// zeros, and a disc of silence closed as if it were finished.
void LibBurnAdapter::Cancel(DriveHandle handle) {
  if (Drive* drive = Find(handle)) burn_drive_cancel(drive->drive);
}

bool LibBurnAdapter::WroteWell(DriveHandle handle) {
  Drive* drive = Find(handle);
  if (!drive) return false;
  if (burn_drive_get_status(drive->drive, nullptr) != BURN_DRIVE_IDLE) return false;
  bool well = burn_drive_wrote_well(drive->drive) == 1;
  // The library pads a track whose input failed and still calls it good:
  // a write is good only when every track got all of its data.
  if (Job* job = drive->job) {
    for (burn_source* s : job->stashes)
      if (!StashSource::Complete(s)) well = false;
  }
  FreeJob(drive->job);
  drive->job = nullptr;
  return well;
}

bool LibBurnAdapter::Reassess(DriveHandle handle) {
  Drive* drive = Find(handle);
  return drive && burn_drive_re_assess(drive->drive, 0) == 1;
}

bool LibBurnAdapter::Vanished(DriveHandle handle) {
  Drive* drive = Find(handle);
  if (!drive) return true;
  if (!IsDeviceFile(drive->address)) return false;
  struct stat st {};
  return ::stat(drive->address.c_str(), &st) != 0 && errno == ENOENT;
}

int LibBurnAdapter::WriteSpeed(DriveHandle handle) {
  Drive* drive = Find(handle);
  return drive ? burn_drive_get_write_speed(drive->drive) : 0;
}

}  // namespace imapi_burn
