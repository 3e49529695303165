// Turns the drive's progress during a write (current track, sector within
// it) into the service's notifications: each new track, the blocks of the
// whole disc, and the closing of the disc with an estimate of its length,
// which begins once every block has been sent.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/imapi/burn/BurnAdapter.h"
#include "platform/imapi/service/DriveBackend.h"

namespace imapi_burn {

class ProgressTracker {
 public:
  ProgressTracker(std::vector<uint32_t> trackBlocks, const imapi_backend::RecordCallbacks& callbacks,
                  int writeSpeed);

  // The write began: the first track starts.
  void Start();
  void Update(const DriveProgress& progress);
  // The write ended well: whatever the polls missed is told now.
  void Complete();

  long BlocksDone() const { return done_; }
  long BlocksTotal() const { return total_; }
  bool ClosingSent() const { return closingSent_; }

  // Seconds the lead-out takes at `writeSpeed` kB/s (1x when unknown).
  static long ClosingSeconds(int writeSpeed);

 private:
  void AdvanceToTrack(int track);  // 0-based
  void AdvanceBlocks(long done);
  void SendClosing();

  std::vector<uint32_t> blocks_;
  std::vector<long> startOf_;  // blocks before each track
  const imapi_backend::RecordCallbacks& callbacks_;
  int writeSpeed_;
  long total_ = 0;
  long done_ = 0;
  int announced_ = 0;  // tracks announced so far
  bool closingSent_ = false;
};

}  // namespace imapi_burn
