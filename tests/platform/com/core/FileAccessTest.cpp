// Opening a path a user gave: only a regular file under exactly that name
// opens, and nothing waits for a writer or a device.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "platform/base/UniqueFd.h"
#include "platform/com/FileAccess.h"
#include "platform/com/Utf.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::TempDir;

struct PathCase {
  const char* name;
  std::function<std::u16string(const TempDir&)> make;
  bool opens;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

class OpenForReadTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(OpenForReadTest, OpensOnlyARegularFileAtOnce) {
  testsupport::TempDir dir;
  const std::u16string path = GetParam().make(dir);
  auto result = std::async(std::launch::async, [&] { return UniqueFd(OpenForRead(path)); });
  if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    // Let a blocked open of the FIFO return so that the test can end.
    UniqueFd writer(::open(dir.File("fifo").c_str(), O_WRONLY | O_NONBLOCK));
    FAIL() << "opening did not return";
  }
  UniqueFd fd = result.get();
  EXPECT_EQ(fd.Valid(), GetParam().opens);
  if (fd.Valid()) {
    EXPECT_EQ(::fcntl(fd.Get(), F_GETFL) & O_NONBLOCK, 0);  // reads wait for data as usual
  }
}

std::u16string In(const TempDir& dir, const std::string& name) { return Utf8ToUtf16(dir.File(name)); }
// A file "a" of one byte, and its path.
std::u16string FileA(const TempDir& d) { return testsupport::WriteFileBytes(d.File("a"), {1}), In(d, "a"); }

const PathCase kPaths[] = {
    {"RegularFile", FileA, true},
    {"BackslashSeparated", [](const TempDir& d) { std::u16string p = FileA(d); return p[p.size() - 2] = u'\\', p; }, true},
    {"FifoWithoutWriter", [](const TempDir& d) { ::mkfifo(d.File("fifo").c_str(), 0600); return In(d, "fifo"); }, false},
    {"Folder", [](const TempDir& d) { return Utf8ToUtf16(d.Path()); }, false},
    {"Missing", [](const TempDir& d) { return In(d, "none"); }, false},
    {"Empty", [](const TempDir&) { return std::u16string(); }, false},
    {"EmbeddedNul", [](const TempDir& d) { return FileA(d) + u'\0' + u"x"; }, false},
    // A lone surrogate must not open the file named with U+FFFD in its place.
    {"UnpairedSurrogate", [](const TempDir& d) { testsupport::WriteFileBytes(d.File("bad\xEF\xBF\xBD.wav"), {1}); return In(d, "bad") + u'\xD800' + u".wav"; }, false},
};

INSTANTIATE_TEST_SUITE_P(Paths, OpenForReadTest, ::testing::ValuesIn(kPaths),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Utf, ExactConversionRefusesOnlyUnpairedSurrogates) {
  std::string out;
  EXPECT_TRUE(Utf16ToUtf8Exact(u"a\xD83D\xDE00\xFFFD", out));
  EXPECT_EQ(out, "a\xF0\x9F\x98\x80\xEF\xBF\xBD");
  for (std::u16string s : {u"\xD800", u"\xDC00x", u"x\xD800\xD800\xDC00"}) EXPECT_FALSE(Utf16ToUtf8Exact(s, out));
  EXPECT_EQ(Utf16ToUtf8(u"a\xD800"), "a\xEF\xBF\xBD");  // text keeps its replacement character
}

}  // namespace
