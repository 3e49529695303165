#include "platform/imapi/burn/ProgressTracker.h"

#include <algorithm>

namespace imapi_burn {

namespace {
// The lead-out of a first session lasts 90 seconds of audio.
constexpr long kLeadOutBlocks = 6750;
constexpr long kBlockBytes = 2352;
constexpr int kSingleSpeed = 176;  // kB/s
}  // namespace

ProgressTracker::ProgressTracker(std::vector<uint32_t> trackBlocks, const imapi_backend::RecordCallbacks& callbacks,
                                 int writeSpeed)
    : blocks_(std::move(trackBlocks)), callbacks_(callbacks), writeSpeed_(writeSpeed) {
  for (uint32_t b : blocks_) {
    startOf_.push_back(total_);
    total_ += static_cast<long>(b);
  }
}

long ProgressTracker::ClosingSeconds(int writeSpeed) {
  const long speed = writeSpeed > 0 ? writeSpeed : kSingleSpeed;
  const long bytes = kLeadOutBlocks * kBlockBytes;
  const long perSecond = speed * 1000;
  return std::max(1L, (bytes + perSecond - 1) / perSecond);
}

void ProgressTracker::Start() { AdvanceToTrack(0); }

void ProgressTracker::AdvanceToTrack(int track) {
  const int count = static_cast<int>(blocks_.size());
  track = std::clamp(track, 0, count - 1);
  // A short track can pass between two polls; it is announced all the same.
  while (announced_ <= track) {
    ++announced_;
    if (callbacks_.onTrack) callbacks_.onTrack(announced_, count);
  }
}

void ProgressTracker::AdvanceBlocks(long done) {
  done = std::clamp(done, 0L, total_);
  if (done <= done_) return;
  done_ = done;
  if (callbacks_.onBlocks) callbacks_.onBlocks(done_, total_);
}

void ProgressTracker::SendClosing() {
  if (closingSent_) return;
  closingSent_ = true;
  if (callbacks_.onClosing) callbacks_.onClosing(ClosingSeconds(writeSpeed_));
}

void ProgressTracker::Update(const DriveProgress& progress) {
  if (blocks_.empty() || closingSent_) return;
  switch (progress.phase) {
    case DrivePhase::Writing: {
      const int track = std::clamp(progress.track, 0, static_cast<int>(blocks_.size()) - 1);
      AdvanceToTrack(track);
      const long within = std::clamp(progress.sector, 0L, static_cast<long>(blocks_[track]));
      AdvanceBlocks(startOf_[track] + within);
      // Writing a session at once, the library reports no closing states:
      // the last track with every sector sent is the disc being closed.
      if (done_ == total_) SendClosing();
      break;
    }
    case DrivePhase::Closing:
      AdvanceToTrack(static_cast<int>(blocks_.size()) - 1);
      AdvanceBlocks(total_);
      SendClosing();
      break;
    default:
      break;
  }
}

void ProgressTracker::Complete() {
  if (blocks_.empty()) return;
  AdvanceToTrack(static_cast<int>(blocks_.size()) - 1);
  AdvanceBlocks(total_);
  SendClosing();
}

}  // namespace imapi_burn
