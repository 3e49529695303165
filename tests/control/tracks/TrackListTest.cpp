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

TEST_F(TrackListTest, DeleteTakesOnlyAPositionInTheListAndTheRestMoveUp) {
  EXPECT_FALSE(list_.DeleteAudioTrack(0));
  const std::vector<std::u16string> paths = {Wav("a.wav"), Wav("b.wav"), Wav("c.wav")};
  for (const auto& p : paths) ASSERT_EQ(list_.AddAudioTrack(p), 0);
  for (SHORT index : {SHORT(-1), SHORT(3)}) EXPECT_FALSE(list_.DeleteAudioTrack(index)) << index;
  EXPECT_TRUE(list_.DeleteAudioTrack(0));
  EXPECT_EQ(list_.Snapshot(), (std::vector<std::u16string>{paths[1], paths[2]}));
  list_.DeleteAllItems();
  EXPECT_EQ(list_.Count(), 0u);
}

}  // namespace
