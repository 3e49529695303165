#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <future>
#include <string>
#include <vector>

#include "WavBytes.h"
#include "control/tracks/CWavFile.h"
#include "control/tracks/CWavReader.h"
#include "platform/base/LittleEndian.h"
#include "platform/base/UniqueFd.h"
#include "platform/com/Utf.h"
#include "tests/support/TestSupport.h"

using namespace wavbytes;

namespace {

Bytes Wav(const Bytes& fmtChunk, const Bytes& rest = Chunk("data", Pattern(8))) {
  Bytes b = RiffHeader();
  Append(b, fmtChunk);
  Append(b, rest);
  return b;
}

Bytes Truncated(Bytes b, size_t n) {
  b.resize(n);
  return b;
}

struct HeaderCase {
  const char* name;
  Bytes file;
  SHORT expected;
  friend void PrintTo(const HeaderCase& row, std::ostream* os) { *os << row.name; }
};

// The add-time check, and the same verdict from the burn's reader on the
// same bytes: the two never disagree about a header.
class WavHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(WavHeader, CheckAndReaderAgree) {
  testsupport::TempDir dir;
  const std::string path = dir.File("a.wav");
  testsupport::WriteFileBytes(path, GetParam().file);
  EXPECT_EQ(CWavFile::CheckFile(Utf8ToUtf16(path)), GetParam().expected);
  CWavReader reader;
  ASSERT_TRUE(reader.Open(Utf8ToUtf16(path)));
  EXPECT_EQ(reader.Format().nCheck, GetParam().expected);
  if (GetParam().expected != 0) {
    EXPECT_EQ(reader.LastError(), CWavReader::Error::BadFormat);
  }
}

std::vector<HeaderCase> HeaderCases() {
  Bytes plain = Wav(Chunk("fmt ", FmtBlock()));
  Bytes ext18 = FmtBlock();
  PutLe16(ext18, 0);
  Bytes riffCase = RiffHeader("RiFf", "wave");
  Append(riffCase, Chunk("FMT ", FmtBlock()));
  Bytes listFirst = RiffHeader();
  Append(listFirst, Chunk("LIST", Pattern(4)));
  Append(listFirst, Chunk("fmt ", FmtBlock()));
  Bytes hugeFmt = RiffHeader();
  Append(hugeFmt, Chunk("fmt ", 0xFFFFFFFFu, FmtBlock()));
  Append(hugeFmt, Pattern(100));
  Bytes notRiff = RiffHeader("RIFX");
  Append(notRiff, Chunk("fmt ", FmtBlock()));
  Bytes notWave = RiffHeader("RIFF", "AVI ");
  Append(notWave, Chunk("fmt ", FmtBlock()));
  return {
      {"PlainStereo44100", plain, 0},
      {"TagsInMixedCase", riffCase, 0},
      {"FmtWithAnyFourthLetter", Wav(Chunk("fmtX", FmtBlock())), 0},
      {"FirstThreeLettersDiffer", Wav(Chunk("fmx ", FmtBlock())), -1},
      {"ListBeforeFmt", listFirst, -1},
      {"NotRiff", notRiff, -1},
      {"NotWave", notWave, -1},
      {"Mono48000", Wav(Chunk("fmt ", FmtBlock(1, 48000))), -2},
      {"Stereo48000", Wav(Chunk("fmt ", FmtBlock(2, 48000))), -3},
      {"Size18WithItsTwoBytes", Wav(Chunk("fmt ", ext18)), 0},
      {"Size18CutAfter16", Truncated(Wav(Chunk("fmt ", 18, FmtBlock())), 36), -1},
      {"Size14", Wav(Chunk("fmt ", 14, FmtBlock())), 0},
      {"SizeNear4GiBOnAShortFile", hugeFmt, -1},
      {"EmptyFile", {}, -1},
      {"FormatBlockCutAt35", Truncated(plain, 35), -1},
      {"FormatBlockCompleteAt36NoData", Truncated(plain, 36), 0},
  };
}

INSTANTIATE_TEST_SUITE_P(Headers, WavHeader, ::testing::ValuesIn(HeaderCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Every sample format is added (hosts rely on it); only 16-bit PCM burns.
class WavFormat : public ::testing::TestWithParam<FormatRow> {};

TEST_P(WavFormat, AddedAlwaysBurntOnlyAs16BitPcm) {
  testsupport::TempDir dir;
  const std::string path = dir.File("a.wav");
  testsupport::WriteFileBytes(path, WavFile(GetParam().fmtBody, Pattern(3000)));
  EXPECT_EQ(CWavFile::CheckFile(Utf8ToUtf16(path)), 0);
  CWavReader reader;
  ASSERT_TRUE(reader.Open(Utf8ToUtf16(path)));
  EXPECT_EQ(CWavFile::Describe(reader.Format()), GetParam().description);
  EXPECT_EQ(reader.LastError(), GetParam().burnable ? CWavReader::Error::None : CWavReader::Error::BadFormat);
  EXPECT_EQ(reader.BlockCount(), GetParam().burnable ? 2u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Formats, WavFormat, ::testing::ValuesIn(FormatRows()),
                         [](const auto& info) { return std::string(info.param.name); });

// Paths that are no regular file, or name no file exactly, are refused at
// once by both; before, a FIFO hung the caller and /dev/zero the reader.
TEST(WavFile, PathsThatAreNoFileAreRefusedAtOnce) {
  testsupport::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  testsupport::MakeWav(dir.File("bad\xEF\xBF\xBD.wav"), 100);
  for (const std::u16string& path : {Utf8ToUtf16(dir.File("fifo")), std::u16string(u"/dev/zero"),
                                     Utf8ToUtf16(dir.File("bad")) + u"\xD800.wav", Utf8ToUtf16(dir.Path()),
                                     Utf8ToUtf16(dir.File("missing.wav"))}) {
    auto done = std::async(std::launch::async, [path] {
      CWavReader reader;
      return std::make_pair(CWavFile::CheckFile(path), reader.Open(path));
    });
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      UniqueFd writer(::open(dir.File("fifo").c_str(), O_WRONLY | O_NONBLOCK));  // lets a blocked open return
      FAIL() << Utf16ToUtf8(path) << " blocked";
    }
    EXPECT_EQ(done.get(), std::make_pair(SHORT{-1}, false)) << Utf16ToUtf8(path);
  }
}

}  // namespace
