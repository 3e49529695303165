#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/tracks/CTrackList.h"
#include "platform/com/Utf.h"
#include "tests/support/TestSupport.h"

namespace {

class TrackListTest : public ::testing::Test {
 protected:
  std::u16string Wav(const std::string& name, uint16_t channels = 2, uint32_t rate = 44100) {
    std::string path = dir_.File(name);
    testsupport::MakeWav(path, 16, channels, rate);
    return Utf8ToUtf16(path);
  }
  // Three accepted entries a, b, c.
  std::vector<std::u16string> FillThree() {
    std::vector<std::u16string> paths = {Wav("a.wav"), Wav("b.wav"), Wav("c.wav")};
    for (const auto& p : paths) EXPECT_EQ(list_.AddAudioTrack(p), 0);
    return paths;
  }

  testsupport::TempDir dir_;
  CTrackList list_;
};

TEST_F(TrackListTest, AddAppendsOnlyAcceptedFiles) {
  std::u16string good = Wav("good.wav");
  EXPECT_EQ(list_.AddAudioTrack(Wav("48k.wav", 2, 48000)), -3);
  EXPECT_EQ(list_.Count(), 0u);
  EXPECT_EQ(list_.AddAudioTrack(good), 0);
  EXPECT_EQ(list_.AddAudioTrack(good), 0);
  EXPECT_EQ(list_.Snapshot(), (std::vector<std::u16string>{good, good}));
}

TEST_F(TrackListTest, KeepsThePathAsGiven) {
  std::u16string path = Wav("fw.wav");
  for (auto& c : path)
    if (c == u'/') c = u'\\';
  ASSERT_EQ(list_.AddAudioTrack(path), 0);
  EXPECT_EQ(list_.Snapshot(), std::vector<std::u16string>{path});
}

TEST_F(TrackListTest, DeleteOutOfRangeChangesNothing) {
  EXPECT_FALSE(list_.DeleteAudioTrack(0));
  auto paths = FillThree();
  for (SHORT index : {SHORT(-1), SHORT(3)}) EXPECT_FALSE(list_.DeleteAudioTrack(index)) << index;
  EXPECT_EQ(list_.Snapshot(), paths);
}

TEST_F(TrackListTest, DeleteAllAndSnapshotIndependence) {
  auto paths = FillThree();
  EXPECT_TRUE(list_.DeleteAudioTrack(0));  // the rest move up
  EXPECT_EQ(list_.Snapshot(), (std::vector<std::u16string>{paths[1], paths[2]}));
  auto copy = list_.Snapshot();
  list_.DeleteAllItems();
  EXPECT_EQ(list_.Count(), 0u);
  EXPECT_EQ(copy, (std::vector<std::u16string>{paths[1], paths[2]}));
  EXPECT_EQ(list_.AddAudioTrack(paths[0]), 0);
  EXPECT_EQ(list_.Snapshot(), std::vector<std::u16string>{paths[0]});
}

}  // namespace
