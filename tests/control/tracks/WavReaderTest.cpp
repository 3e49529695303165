#include <gtest/gtest.h>

#include <chrono>
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
    std::string path = dir.File("d" + std::to_string(c.bytes) + ".wav");
    Bytes audio = testsupport::MakeWav(path, c.bytes);
    ReadOut r = ReadAll(path);
    ASSERT_TRUE(r.opened) << c.bytes;
    EXPECT_EQ(r.announced, c.blocks) << c.bytes;
    EXPECT_EQ(r.blocks.size(), c.blocks) << c.bytes;
    EXPECT_TRUE(r.complete) << c.bytes;
    EXPECT_EQ(Joined(r.blocks), Padded(audio)) << c.bytes;
  }
}

TEST(WavReader, LastBlockOf4705HoldsOneByteThenSilence) {
  testsupport::TempDir dir;
  std::string path = dir.File("a.wav");
  Bytes audio = testsupport::MakeWav(path, 4705);
  ReadOut r = ReadAll(path);
  ASSERT_EQ(r.blocks.size(), 3u);
  EXPECT_EQ(r.blocks[2][0], audio[4704]);
  EXPECT_EQ(Bytes(r.blocks[2].begin() + 1, r.blocks[2].end()), Bytes(kBlock - 1, 0));
}

// Files whose data search has to cope with what comes before "data".
struct SearchCase {
  const char* name;
  Bytes beforeData;  // chunks after the RIFF header
  std::string dataTag;
};

TEST(WavReader, DataSearch) {
  testsupport::TempDir dir;
  Bytes fmt = Chunk("fmt ", FmtBlock());
  Bytes oddPadded = Chunk("LIST", Pattern(5));
  oddPadded.push_back(0);  // RIFF pad byte after an odd body
  Bytes big = Chunk("junk", Pattern(5000));
  SearchCase cases[] = {
      {"format then data", fmt, "data"},
      {"upper-case DATA", fmt, "DATA"},
      {"LIST before the format chunk", [&] { Bytes b = Chunk("LIST", Pattern(4)); Append(b, fmt); return b; }(), "data"},
      {"odd chunk with its pad byte", [&] { Bytes b = fmt; Append(b, oddPadded); return b; }(), "data"},
      {"body longer than the scratch size", [&] { Bytes b = fmt; Append(b, big); return b; }(), "data"},
      {"extended format chunk", Chunk("fmt ", 18, [] { Bytes b = FmtBlock(); Put16(b, 0); return b; }()), "data"},
  };
  int i = 0;
  for (const auto& c : cases) {
    std::string path = dir.File("s" + std::to_string(i++) + ".wav");
    Bytes audio = Pattern(3000);
    Bytes file = RiffHeader();
    Append(file, c.beforeData);
    Append(file, Chunk(c.dataTag, audio));
    testsupport::WriteFileBytes(path, file);
    ReadOut r = ReadAll(path);
    EXPECT_EQ(r.announced, 2u) << c.name;
    EXPECT_TRUE(r.complete) << c.name;
    EXPECT_EQ(Joined(r.blocks), Padded(audio)) << c.name;
  }
}

// Files the reader must refuse to stage in full without crashing, hanging or
// reading beyond the file.
struct BadCase {
  const char* name;
  Bytes file;
  DWORD announced;
  size_t delivered;
  CWavReader::Error error;
};

TEST(WavReader, LyingSizesEndTheTrackEarly) {
  testsupport::TempDir dir;
  Bytes fmt = Chunk("fmt ", FmtBlock());
  auto file = [&](std::initializer_list<Bytes> parts) {
    Bytes b = RiffHeader();
    for (const auto& p : parts) Append(b, p);
    return b;
  };
  BadCase cases[] = {
      {"no data chunk", file({fmt}), 0, 0, CWavReader::Error::NoData},
      {"only the RIFF header", RiffHeader(), 0, 0, CWavReader::Error::NoData},
      {"short RIFF header", Bytes{'R', 'I', 'F'}, 0, 0, CWavReader::Error::NoData},
      {"chunk of size 0xFFFFFFFF before data", file({fmt, Chunk("junk", 0xFFFFFFFFu, Pattern(10)), Chunk("data", Pattern(100))}),
       0, 0, CWavReader::Error::NoData},
      {"chunk running past the end", file({fmt, Chunk("junk", 1000, Pattern(10))}), 0, 0, CWavReader::Error::NoData},
      {"header cut inside", file({fmt, Bytes{'d', 'a', 't', 'a', 1}}), 0, 0, CWavReader::Error::NoData},
      {"data past the end, partial block", file({fmt, Chunk("data", 5000, Pattern(3000))}), 3, 1,
       CWavReader::Error::ShortRead},
      {"data past the end, whole blocks present", file({fmt, Chunk("data", 4705, Pattern(4704))}), 3, 2,
       CWavReader::Error::ShortRead},
      {"data size near 4 GiB", file({fmt, Chunk("data", 0xFFFFFFFFu, Pattern(100))}), 1826092, 0,
       CWavReader::Error::ShortRead},
  };
  int i = 0;
  for (const auto& c : cases) {
    std::string path = dir.File("b" + std::to_string(i++) + ".wav");
    testsupport::WriteFileBytes(path, c.file);
    auto start = std::chrono::steady_clock::now();
    ReadOut r = ReadAll(path);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << c.name;
    EXPECT_TRUE(r.opened) << c.name;
    EXPECT_EQ(r.announced, c.announced) << c.name;
    EXPECT_EQ(r.blocks.size(), c.delivered) << c.name;
    EXPECT_FALSE(r.complete) << c.name;
    EXPECT_EQ(r.error, c.error) << c.name;
  }
}

TEST(WavReader, MissingFileDoesNotOpen) {
  testsupport::TempDir dir;
  CWavReader reader;
  EXPECT_FALSE(reader.Open(Utf8ToUtf16(dir.File("gone.wav"))));
  EXPECT_EQ(reader.LastError(), CWavReader::Error::CannotOpen);
  EXPECT_EQ(reader.BlockCount(), 0u);
  Bytes block(kBlock);
  EXPECT_FALSE(reader.NextBlock(block.data()));
  EXPECT_FALSE(reader.Complete());
}

TEST(WavReader, ReopenStartsAfresh) {
  testsupport::TempDir dir;
  std::string good = dir.File("good.wav"), bad = dir.File("bad.wav");
  Bytes audio = testsupport::MakeWav(good, 2352);
  testsupport::WriteFileBytes(bad, RiffHeader());
  CWavReader reader;
  ASSERT_TRUE(reader.Open(Utf8ToUtf16(bad)));
  EXPECT_EQ(reader.LastError(), CWavReader::Error::NoData);
  ASSERT_TRUE(reader.Open(Utf8ToUtf16(good)));
  EXPECT_EQ(reader.LastError(), CWavReader::Error::None);
  Bytes block(kBlock);
  ASSERT_TRUE(reader.NextBlock(block.data()));
  EXPECT_EQ(block, audio);
  EXPECT_FALSE(reader.NextBlock(block.data()));
  EXPECT_TRUE(reader.Complete());
}

}  // namespace
