#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WavBytes.h"
#include "control/tracks/CWavReader.h"
#include "platform/com/Utf.h"
#include "tests/support/TestSupport.h"

using namespace wavbytes;

namespace {

constexpr size_t kBlock = CWavReader::kBlockSize;

struct ReadOut {
  bool opened = false;
  DWORD announced = 0;
  std::vector<Bytes> blocks;
  bool complete = false;
  CWavReader::Error error = CWavReader::Error::None;
};

ReadOut ReadAll(const std::string& path) {
  ReadOut r;
  CWavReader reader;
  r.opened = reader.Open(Utf8ToUtf16(path));
  r.announced = reader.BlockCount();
  Bytes block(kBlock);
  // Bounded so that a reader that never ends fails instead of hanging.
  while (r.blocks.size() <= r.announced && reader.NextBlock(block.data())) r.blocks.push_back(block);
  r.complete = reader.Complete();
  r.error = reader.LastError();
  return r;
}

// The audio as the service receives it: the blocks back to back.
Bytes Joined(const std::vector<Bytes>& blocks) {
  Bytes all;
  for (const auto& b : blocks) Append(all, b);
  return all;
}

Bytes Padded(Bytes audio) {
  audio.resize((audio.size() + kBlock - 1) / kBlock * kBlock, 0);
  return audio;
}

TEST(WavReader, BlockCountsAndPadding) {
  testsupport::TempDir dir;
  struct Case {
    uint32_t bytes;
    DWORD blocks;
  } cases[] = {{0, 0}, {1, 1}, {2352, 1}, {2353, 2}, {4704, 2}, {4705, 3}};
  for (const auto& c : cases) {
    std::string path = dir.File(std::string("d").append(std::to_string(c.bytes)).append(".wav"));
    Bytes audio = testsupport::MakeWav(path, c.bytes);
    ReadOut r = ReadAll(path);
    ASSERT_TRUE(r.opened) << c.bytes;
    EXPECT_EQ(r.announced, c.blocks) << c.bytes;
    EXPECT_EQ(r.blocks.size(), c.blocks) << c.bytes;
    EXPECT_TRUE(r.complete) << c.bytes;
    EXPECT_EQ(Joined(r.blocks), Padded(audio)) << c.bytes;
  }
}

Bytes FmtThen(std::initializer_list<Bytes> parts) {
  Bytes b = RiffHeader();
  Append(b, Chunk("fmt ", FmtBlock()));
  for (const auto& p : parts) Append(b, p);
  return b;
}

// Files whose data search has to cope with what comes between the format
// chunk and "data"; the audio is 3000 bytes of pattern.
struct SearchCase {
  const char* name;
  Bytes file;
  friend void PrintTo(const SearchCase& row, std::ostream* os) { *os << row.name; }
};

class WavDataSearch : public ::testing::TestWithParam<SearchCase> {};

TEST_P(WavDataSearch, FindsTheAudio) {
  testsupport::TempDir dir;
  testsupport::WriteFileBytes(dir.File("a.wav"), GetParam().file);
  ReadOut r = ReadAll(dir.File("a.wav"));
  EXPECT_EQ(r.announced, 2u);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(Joined(r.blocks), Padded(Pattern(3000)));
}

std::vector<SearchCase> SearchCases() {
  const Bytes data = Chunk("data", Pattern(3000));
  Bytes oddPadded = Chunk("LIST", Pattern(5));
  oddPadded.push_back(0);
  Bytes fmt17 = FmtBlock();
  fmt17.push_back(0);
  Bytes oddFmtNoPad = RiffHeader();
  Append(oddFmtNoPad, Chunk("fmt ", fmt17));
  Append(oddFmtNoPad, data);
  return {
      {"UpperCaseData", FmtThen({Chunk("DATA", Pattern(3000))})},
      {"OddChunkWithItsPadByte", FmtThen({oddPadded, data})},
      // Writers that leave the pad byte out: the check accepts such a file,
      // so the burn must find its audio too.
      {"OddChunkWithoutPadByte", FmtThen({Chunk("LIST", Pattern(5)), data})},
      {"OddFormatChunkWithoutPadByte", oddFmtNoPad},
      {"BodyLongerThanAScratchBuffer", FmtThen({Chunk("junk", Pattern(5000)), data})},
  };
}

INSTANTIATE_TEST_SUITE_P(Files, WavDataSearch, ::testing::ValuesIn(SearchCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Files the reader must refuse to stage in full without crashing, hanging or
// reading beyond the file.
struct BadCase {
  const char* name;
  Bytes file;
  DWORD announced;
  size_t delivered;
  CWavReader::Error error;
  friend void PrintTo(const BadCase& row, std::ostream* os) { *os << row.name; }
};

class WavLyingSizes : public ::testing::TestWithParam<BadCase> {};

TEST_P(WavLyingSizes, EndTheTrackEarly) {
  const BadCase& c = GetParam();
  testsupport::TempDir dir;
  testsupport::WriteFileBytes(dir.File("a.wav"), c.file);
  ReadOut r = ReadAll(dir.File("a.wav"));
  EXPECT_TRUE(r.opened);
  EXPECT_EQ(r.announced, c.announced);
  EXPECT_EQ(r.blocks.size(), c.delivered);
  EXPECT_FALSE(r.complete);
  EXPECT_EQ(r.error, c.error);
}

const BadCase kBadCases[] = {
    {"NoDataChunk", FmtThen({}), 0, 0, CWavReader::Error::NoData},
    {"ChunkOfSize4GiBBeforeData", FmtThen({Chunk("junk", 0xFFFFFFFFu, Pattern(10)), Chunk("data", Pattern(100))}), 0, 0,
     CWavReader::Error::NoData},
    {"ChunkRunningPastTheEnd", FmtThen({Chunk("junk", 1000, Pattern(10))}), 0, 0, CWavReader::Error::NoData},
    {"HeaderCutInside", FmtThen({Bytes{'d', 'a', 't', 'a', 1}}), 0, 0, CWavReader::Error::NoData},
    {"DataPastTheEndPartialBlock", FmtThen({Chunk("data", 5000, Pattern(3000))}), 3, 1, CWavReader::Error::ShortRead},
    {"DataPastTheEndWholeBlocks", FmtThen({Chunk("data", 4705, Pattern(4704))}), 3, 2, CWavReader::Error::ShortRead},
    {"DataSizeNear4GiB", FmtThen({Chunk("data", 0xFFFFFFFFu, Pattern(100))}), 1826092, 0, CWavReader::Error::ShortRead},
};

INSTANTIATE_TEST_SUITE_P(Files, WavLyingSizes, ::testing::ValuesIn(kBadCases),
                         [](const auto& info) { return std::string(info.param.name); });


}  // namespace
