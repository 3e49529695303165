#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WavBytes.h"
#include "control/tracks/CWavFile.h"
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

struct CheckCase {
  const char* name;
  Bytes file;
  SHORT expected;
};

std::vector<CheckCase> CheckCases() {
  Bytes plain = Wav(Chunk("fmt ", FmtBlock()));
  Bytes ext18 = FmtBlock();
  Put16(ext18, 0);
  Bytes riffCase = RiffHeader("RiFf", "wave");
  Append(riffCase, Chunk("FMT ", FmtBlock()));
  Bytes listFirst = RiffHeader();
  Append(listFirst, Chunk("LIST", Pattern(4)));
  Append(listFirst, Chunk("fmt ", FmtBlock()));
  Bytes hugeFmt = RiffHeader();
  Append(hugeFmt, Chunk("fmt ", 0xFFFFFFFFu, FmtBlock()));
  Append(hugeFmt, Pattern(100));
  return {
      {"plain stereo 44100", plain, 0},
      {"tags in mixed case", riffCase, 0},
      {"fmt with any fourth letter", Wav(Chunk("fmtX", FmtBlock())), 0},
      {"fmt with a zero fourth byte", Wav(Chunk(std::string("fmt\0", 4), FmtBlock())), 0},
      {"first three letters differ", Wav(Chunk("fmx ", FmtBlock())), -1},
      {"LIST before fmt", listFirst, -1},
      {"not RIFF", [] { Bytes b = RiffHeader("RIFX"); Append(b, Chunk("fmt ", FmtBlock())); return b; }(), -1},
      {"not WAVE", [] { Bytes b = RiffHeader("RIFF", "AVI "); Append(b, Chunk("fmt ", FmtBlock())); return b; }(), -1},
      {"mono 44100", Wav(Chunk("fmt ", FmtBlock(1))), -2},
      {"mono 48000", Wav(Chunk("fmt ", FmtBlock(1, 48000))), -2},
      {"six channels", Wav(Chunk("fmt ", FmtBlock(6))), -2},
      {"stereo 48000", Wav(Chunk("fmt ", FmtBlock(2, 48000))), -3},
      {"stereo 22050", Wav(Chunk("fmt ", FmtBlock(2, 22050))), -3},
      {"8-bit stereo 44100", Wav(Chunk("fmt ", FmtBlock(2, 44100, 8))), 0},
      {"float format tag", Wav(Chunk("fmt ", FmtBlock(2, 44100, 32, 3))), 0},
      {"size 18 with its two bytes", Wav(Chunk("fmt ", ext18)), 0},
      {"size 18 cut after 16", Truncated(Wav(Chunk("fmt ", 18, FmtBlock())), 36), -1},
      {"size 18 cut after 17", Truncated(Wav(Chunk("fmt ", ext18)), 37), -1},
      {"size 14", Wav(Chunk("fmt ", 14, FmtBlock())), 0},
      {"size 0", Wav(Chunk("fmt ", 0, FmtBlock())), 0},
      {"size near 4 GiB on a short file", hugeFmt, -1},
      {"no data chunk", Wav(Chunk("fmt ", FmtBlock()), {}), 0},
      {"empty file", {}, -1},
      {"11 bytes", Truncated(plain, 11), -1},
      {"RIFF header only", Truncated(plain, 12), -1},
      {"format block cut at 35", Truncated(plain, 35), -1},
      {"format block complete at 36", Truncated(plain, 36), 0},
  };
}

TEST(WavFileCheck, TableOfHeaders) {
  testsupport::TempDir dir;
  int i = 0;
  for (const auto& c : CheckCases()) {
    std::string path = dir.File("case" + std::to_string(i++) + ".wav");
    testsupport::WriteFileBytes(path, c.file);
    EXPECT_EQ(CWavFile::CheckFile(Utf8ToUtf16(path)), c.expected) << c.name;
  }
}

TEST(WavFileCheck, PathsThatCannotBeRead) {
  testsupport::TempDir dir;
  EXPECT_EQ(CWavFile::CheckFile(Utf8ToUtf16(dir.File("missing.wav"))), -1);
  EXPECT_EQ(CWavFile::CheckFile(u""), -1);
  // A folder opens for reading but delivers no bytes.
  EXPECT_EQ(CWavFile::CheckFile(Utf8ToUtf16(dir.Path())), -1);
}

TEST(WavFileCheck, BackslashSeparatedPath) {
  testsupport::TempDir dir;
  std::string path = dir.File("fw1.0.wav");
  testsupport::MakeWav(path, 100);
  std::u16string win = Utf8ToUtf16(path);
  for (auto& c : win)
    if (c == u'/') c = u'\\';
  EXPECT_EQ(CWavFile::CheckFile(win), 0);
}

}  // namespace
