// The recorder logic of the backend: which drives are held by whom, the
// media as the service reports it, and the erase and write jobs with their
// progress, cancellation and outcome. Every call into the burning library
// happens on the engine's own thread; the service's callbacks run on the
// thread that asked for the write.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/imapi/burn/BurnAdapter.h"
#include "platform/imapi/burn/BurnThread.h"
#include "platform/imapi/service/DriveBackend.h"

namespace imapi_burn {

struct BurnEngineOptions {
  std::chrono::milliseconds pollInterval{200};
  // How long a cancelled job may take to stop before the caller is let go.
  std::chrono::milliseconds cancelGrace{std::chrono::seconds(90)};
  // A write whose progress does not move for this long is cancelled. An
  // erase has none: the library cannot cancel it, a drive may report no
  // progress while it runs, and a full erase takes up to 20 minutes.
  std::chrono::milliseconds stallTimeout{std::chrono::minutes(10)};
};

class BurnEngine {
 public:
  explicit BurnEngine(std::unique_ptr<BurnAdapter> adapter, BurnEngineOptions options = {});
  ~BurnEngine();
  BurnEngine(const BurnEngine&) = delete;
  BurnEngine& operator=(const BurnEngine&) = delete;

  // False when the burning library could not be started.
  bool Started() const { return started_.load(); }

  // Each user of the engine holds drives under an owner number of its own.
  int AddOwner() { return nextOwner_++; }
  // Gives back every drive the owner still holds.
  void RemoveOwner(int owner);

  std::vector<imapi_backend::DriveInfo> Scan(std::string* note);
  HRESULT OpenExclusive(int owner, const std::string& id);
  HRESULT Close(int owner, const std::string& id);
  HRESULT QueryMedia(int owner, const std::string& id, long* mediaType, long* mediaFlags);
  HRESULT Erase(int owner, const std::string& id, bool full);
  HRESULT Eject(int owner, const std::string& id);
  HRESULT Record(int owner, const std::string& id, const std::vector<imapi_backend::TrackSpec>& tracks,
                 bool simulate, bool eject, const imapi_backend::RecordCallbacks& callbacks);

  // What `discmaster list` tells when no recorder can be used.
  static std::string ComposeNote(const std::vector<ScannedDrive>& found, const std::vector<DeviceNode>& nodes);
  // The service's media type and flags for what the drive reports.
  static HRESULT MapMedia(const MediaInfo& media, long* mediaType, long* mediaFlags);

 private:
  enum class JobKind { Erase, Write };
  struct Held {
    int owner = 0;
    bool temporary = false;  // grabbed by a write of its own, given back after it
    bool grabbed = false;
    bool loadOnGrab = true;  // false after an eject: the tray stays open
    DriveHandle handle = kNoDrive;
    bool busy = false;       // an erase or write runs
    JobKind kind = JobKind::Write;
    bool abandoned = false;  // its caller stopped waiting for it
    bool ejectWhenIdle = false;
    bool closeWhenIdle = false;
  };
  struct JobOutcome {
    bool wroteWell = false;
    bool vanished = false;
  };
  // On the engine's thread.
  void Reap();
  bool Known(const std::string& id);
  void DoScan();
  HRESULT Grab(Held& held, const std::string& id);
  HRESULT ReadMedia(Held& held, const std::string& id, MediaInfo* media);
  void StartJob(Held& held, JobKind kind);
  void StopJob(Held& held);
  void ShutDownForSignal();
  Held* HeldBy(int owner, const std::string& id);
  HRESULT BeginErase(int owner, const std::string& id, bool full);
  HRESULT BeginRecord(int owner, const std::string& id, const WriteRequest& request, long totalBlocks,
                      int* writeSpeed);
  DriveProgress PollJob(const std::string& id);
  void CancelJob(const std::string& id);
  void AbandonJob(const std::string& id, bool eject);
  JobOutcome EndJob(const std::string& id, JobKind kind, bool eject);
  void ReleaseAll();

  // On the caller's thread: waits for the job to end, cancelling it when
  // asked to or when it stalls. False when it had to be abandoned.
  enum class WaitEnd { Ended, Cancelled, Stalled };
  WaitEnd WaitForJob(const std::string& id, JobKind kind, const imapi_backend::RecordCallbacks* callbacks,
                     class ProgressTracker* tracker, bool eject, bool* abandoned);
  // An interrupted process ends once its drive is idle again.
  void EndIfSignalled();

  std::unique_ptr<BurnAdapter> adapter_;
  BurnEngineOptions options_;
  std::atomic<bool> started_{false};
  std::atomic<int> nextOwner_{1};
  std::map<std::string, Held> held_;
  std::vector<ScannedDrive> lastFound_;
  std::vector<imapi_backend::DriveInfo> lastScan_;
  std::string lastNote_;
  bool scanned_ = false;
  // Last: stopped before anything it uses is destroyed.
  BurnThread thread_;
};

}  // namespace imapi_burn
