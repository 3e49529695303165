#include "platform/imapi/verify/CAudioComparer.h"

#include <algorithm>
#include <cstdio>
#include <cstddef>
#include <cstring>

namespace {
// The first seconds of the first file: where its audio starts is found there.
constexpr uint32_t kHeadBlocks = 750;
// How much of that audio must match for an offset to count.
constexpr size_t kProbeFrames = 4096;
constexpr uint32_t kChunkBlocks = 300;

// Frames as 32-bit words: two 16-bit samples compared at once.
void ToFrames(const uint8_t* bytes, size_t frames, uint32_t* out) { std::memcpy(out, bytes, frames * 4); }
}  // namespace

bool DiscVerdict::Identical() const {
  if (extraTracks) return false;
  return std::all_of(tracks.begin(), tracks.end(),
                     [](const TrackVerdict& t) { return t.kind == TrackVerdict::Kind::Identical; });
}

std::string CAudioComparer::FormatTime(uint64_t frame) {
  const uint64_t block = frame / kFramesPerBlock;
  char text[32];
  std::snprintf(text, sizeof text, "%02llu:%02llu.%02llu", static_cast<unsigned long long>(block / 75 / 60),
                static_cast<unsigned long long>(block / 75 % 60), static_cast<unsigned long long>(block % 75));
  return text;
}

bool CAudioComparer::ReadFrames(int64_t first, size_t count, uint32_t* out) {
  std::fill(out, out + count, 0u);
  const int64_t end = first + static_cast<int64_t>(count);
  const int64_t from = std::max<int64_t>(first, 0);
  const int64_t to = std::min<int64_t>(end, static_cast<int64_t>(m_discFrames));
  if (from >= to) return true;
  const auto b0 = static_cast<uint32_t>(from / kFramesPerBlock);
  const auto b1 = static_cast<uint32_t>((to + kFramesPerBlock - 1) / kFramesPerBlock);
  m_scratch.resize(size_t{b1 - b0} * kBlockBytes);
  if (!m_disc.ReadBlocks(b0, b1 - b0, m_scratch.data())) return false;
  const int64_t skip = from - int64_t{b0} * kFramesPerBlock;
  ToFrames(m_scratch.data() + skip * 4, static_cast<size_t>(to - from), out + (from - first));
  return true;
}

bool CAudioComparer::FindOffset(const DiscTrackExtent& track, const std::vector<uint32_t>& head, int* offset) {
  *offset = 0;
  const auto start = std::find_if(head.begin(), head.end(), [](uint32_t f) { return f != 0; });
  // A silent start reads the same at every offset.
  if (start == head.end()) return false;
  const auto a = static_cast<int64_t>(start - head.begin());
  const size_t n = std::min(kProbeFrames, head.size() - static_cast<size_t>(a));
  const int64_t base = int64_t{track.firstBlock} * kFramesPerBlock + a;
  std::vector<uint32_t> read(n + 2 * kOffsetWindow);
  if (!ReadFrames(base - kOffsetWindow, read.size(), read.data())) return false;
  // Nearest first: periodic audio may also match further out.
  for (int d = 0; d <= kOffsetWindow; ++d) {
    for (int o : {d, -d}) {
      if (std::memcmp(&read[static_cast<size_t>(o + kOffsetWindow)], &*start, n * 4) == 0) {
        *offset = o;
        return true;
      }
      if (d == 0) break;
    }
  }
  return false;
}

CAudioComparer::Outcome CAudioComparer::Compare(const std::vector<CExpectedTrack*>& files, DiscVerdict* verdict,
                                                const Progress& progress) {
  *verdict = DiscVerdict();
  const std::vector<DiscTrackExtent> disc = m_disc.Tracks();
  m_discFrames = disc.empty() ? 0 : uint64_t{disc.back().firstBlock + disc.back().blocks} * kFramesPerBlock;
  verdict->extraTracks = disc.size() > files.size() ? disc.size() - files.size() : 0;

  // The first file's head is read once: for the offset, then for comparing.
  std::vector<uint32_t> head;
  if (!files.empty()) {
    const uint32_t blocks = std::min(files[0]->Blocks(), kHeadBlocks);
    std::vector<uint8_t> bytes(size_t{blocks} * kBlockBytes);
    for (uint32_t b = 0; b < blocks; ++b)
      if (!files[0]->NextBlock(bytes.data() + size_t{b} * kBlockBytes)) return Outcome::FileUnreadable;
    head.resize(size_t{blocks} * kFramesPerBlock);
    ToFrames(bytes.data(), head.size(), head.data());
    if (!disc.empty()) verdict->offsetFound = FindOffset(disc[0], head, &verdict->offset);
  }

  uint64_t total = 0, done = 0;
  for (auto* f : files) total += f->Blocks();
  std::vector<uint8_t> bytes(size_t{kChunkBlocks} * kBlockBytes);
  std::vector<uint32_t> want(size_t{kChunkBlocks} * kFramesPerBlock), got(want.size());
  for (size_t i = 0; i < files.size(); ++i) {
    TrackVerdict& v = verdict->tracks.emplace_back();
    v.expectedBlocks = files[i]->Blocks();
    if (i >= disc.size()) {
      v.kind = TrackVerdict::Kind::Missing;
      continue;
    }
    v.discBlocks = disc[i].blocks;
    if (v.discBlocks != v.expectedBlocks) {
      v.kind = TrackVerdict::Kind::WrongLength;
      continue;
    }
    const int64_t base = int64_t{disc[i].firstBlock} * kFramesPerBlock + verdict->offset;
    for (uint32_t b = 0; b < v.expectedBlocks;) {
      if (progress && !progress(done, total)) return Outcome::Cancelled;
      const uint32_t n = std::min(kChunkBlocks, v.expectedBlocks - b);
      const size_t frames = size_t{n} * kFramesPerBlock;
      if (i == 0 && size_t{b} * kFramesPerBlock < head.size()) {
        const size_t take = std::min(frames, head.size() - size_t{b} * kFramesPerBlock);
        std::copy_n(head.begin() + static_cast<ptrdiff_t>(size_t{b} * kFramesPerBlock), take, want.begin());
        for (size_t k = take / kFramesPerBlock; k < n; ++k)
          if (!files[i]->NextBlock(bytes.data() + k * kBlockBytes)) return Outcome::FileUnreadable;
        ToFrames(bytes.data() + take * 4, frames - take, want.data() + take);
      } else {
        for (uint32_t k = 0; k < n; ++k)
          if (!files[i]->NextBlock(bytes.data() + size_t{k} * kBlockBytes)) return Outcome::FileUnreadable;
        ToFrames(bytes.data(), frames, want.data());
      }
      if (!ReadFrames(base + int64_t{b} * kFramesPerBlock, frames, got.data())) return Outcome::DiscUnreadable;
      // Equal chunks are the rule; only a differing one is walked.
      for (size_t k = std::memcmp(want.data(), got.data(), frames * 4) == 0 ? frames : 0; k < frames; ++k) {
        if (want[k] == got[k]) continue;
        if (v.differing++ == 0) v.firstDiffering = uint64_t{b} * kFramesPerBlock + k;
      }
      b += n;
      done += n;
    }
    if (v.differing) v.kind = TrackVerdict::Kind::Differs;
  }
  if (progress) progress(total, total);
  return Outcome::Compared;
}
