// The comparison against a drive that reads with an offset: the offset is
// found within the window and the disc then compares identical; beyond the
// window it does not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/imapi/verify/CAudioComparer.h"

namespace {

constexpr uint32_t kFrames = CAudioComparer::kFramesPerBlock;
constexpr uint32_t kTrackBlocks = 20;

// A drive whose reads are late by `shift` samples; nothing outside the disc.
class CShiftedDisc final : public CDiscAudioSource {
 public:
  CShiftedDisc(std::vector<uint32_t> frames, size_t tracks, int shift)
      : m_frames(std::move(frames)), m_tracks(tracks), m_shift(shift) {}
  std::vector<DiscTrackExtent> Tracks() const override {
    std::vector<DiscTrackExtent> out;
    for (uint32_t t = 0; t < m_tracks; ++t) out.push_back({t * kTrackBlocks, kTrackBlocks});
    return out;
  }
  bool ReadBlocks(uint32_t first, uint32_t count, uint8_t* out) override {
    for (size_t k = 0; k < size_t{count} * kFrames; ++k) {
      const int64_t p = int64_t{first} * kFrames + static_cast<int64_t>(k) - m_shift;
      const uint32_t f = p >= 0 && p < static_cast<int64_t>(m_frames.size()) ? m_frames[static_cast<size_t>(p)] : 0;
      std::memcpy(out + k * 4, &f, 4);
    }
    return true;
  }
  std::vector<uint32_t> m_frames;

 private:
  size_t m_tracks;
  int m_shift;
};

class CMemoryTrack final : public CExpectedTrack {
 public:
  explicit CMemoryTrack(std::vector<uint32_t> frames) : m_frames(std::move(frames)) {}
  uint32_t Blocks() const override { return static_cast<uint32_t>(m_frames.size() / kFrames); }
  bool NextBlock(uint8_t* block) override {
    std::memcpy(block, m_frames.data() + m_next, kFrames * 4);
    m_next += kFrames;
    return true;
  }

 private:
  std::vector<uint32_t> m_frames;
  size_t m_next = 0;
};

// Two tracks of noise that runs on across their edge; the disc begins and
// ends with silence, as the offsets in the tests need.
std::vector<uint32_t> Audio() {
  std::vector<uint32_t> v(size_t{2} * kTrackBlocks * kFrames);
  uint32_t x = 12345;
  for (auto& f : v) f = x = x * 1103515245u + 12345u;
  std::fill_n(v.begin(), 1300, 0u);
  std::fill_n(v.end() - 3000, 3000, 0u);
  return v;
}

DiscVerdict Verify(CShiftedDisc& disc, const std::vector<uint32_t>& audio) {
  const auto half = static_cast<ptrdiff_t>(audio.size() / 2);
  CMemoryTrack a({audio.begin(), audio.begin() + half}), b({audio.begin() + half, audio.end()});
  DiscVerdict verdict;
  EXPECT_EQ(CAudioComparer(disc).Compare({&a, &b}, &verdict), CAudioComparer::Outcome::Compared);
  return verdict;
}

class OffsetSearch : public ::testing::TestWithParam<int> {};

TEST_P(OffsetSearch, IsFoundAndTheDiscComparesIdentical) {
  CShiftedDisc disc(Audio(), 2, GetParam());
  DiscVerdict verdict = Verify(disc, Audio());
  EXPECT_TRUE(verdict.offsetFound);
  EXPECT_EQ(verdict.offset, GetParam());
  EXPECT_TRUE(verdict.Identical());
}

INSTANTIATE_TEST_SUITE_P(Offsets, OffsetSearch, ::testing::Values(6, -1200, 2940),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return (info.param < 0 ? "Minus" : "Plus") + std::to_string(std::abs(info.param));
                         });

TEST(OffsetSearchOutsideTheWindow, IsReportedAsDifferent) {
  CShiftedDisc disc(Audio(), 2, CAudioComparer::kOffsetWindow + 600);
  DiscVerdict verdict = Verify(disc, Audio());
  EXPECT_FALSE(verdict.offsetFound);
  EXPECT_FALSE(verdict.Identical());
  EXPECT_EQ(verdict.tracks[0].kind, TrackVerdict::Kind::Differs);
}

TEST(OffsetAtTheDiscsEdge, OnlySilenceMayBeLostThere) {
  // The last samples move beyond the disc's end: audio there cannot be read.
  auto audio = Audio();
  audio.back() = 7;
  CShiftedDisc disc(audio, 2, 2940);
  DiscVerdict verdict = Verify(disc, audio);
  EXPECT_EQ(verdict.offset, 2940);
  ASSERT_EQ(verdict.tracks[1].kind, TrackVerdict::Kind::Differs);
  EXPECT_EQ(verdict.tracks[1].firstDiffering, uint64_t{kTrackBlocks} * kFrames - 1);
  EXPECT_EQ(verdict.tracks[1].differing, 1u);
}

TEST(ATrackTheDiscLacks, IsMissing) {
  CShiftedDisc disc(Audio(), 1, 0);
  DiscVerdict verdict = Verify(disc, Audio());
  EXPECT_EQ(verdict.tracks[0].kind, TrackVerdict::Kind::Identical);
  EXPECT_EQ(verdict.tracks[1].kind, TrackVerdict::Kind::Missing);
}

}  // namespace
