#include <gtest/gtest.h>

#include "platform/com/Resources.h"
#include "tests/support/TestSupport.h"

using testsupport::BinDir;

namespace {

// Packing and reading back: the fuzzer's oracle, and the control library's
// resources, packed when it is built and read by its tests.
TEST(ResourceTable, RefusesDamageButNotZeroPadding) {
  const auto blob = PackResources({{"TYPELIB", 1, {1, 2, 3, 4, 5}}, {"STRING", 200, {'G', 'e', 'n'}}, {"ICON", 1, {}}});
  for (size_t n = 0; n < blob.size(); ++n)
    EXPECT_FALSE(UnpackResources(blob.data(), n)) << "truncated to " << n;
  // Magic, version, a count beyond the data, type lengths zero and huge, a
  // data length beyond the end.
  for (auto [offset, value] : {std::pair<size_t, uint8_t>{0, 'X'}, {4, 2}, {8, 0xFF}, {12, 0}, {15, 0x7F},
                               {12 + 4 + 7 + 4 + 3, 0x10}}) {
    auto bad = blob;
    bad[offset] = value;
    EXPECT_FALSE(UnpackResources(bad.data(), bad.size())) << offset;
  }
  auto trailing = blob;
  trailing.push_back(1);
  EXPECT_FALSE(UnpackResources(trailing.data(), trailing.size()));
  EXPECT_FALSE(UnpackResources(nullptr, 0));
  auto padded = blob;  // as a linker may add
  padded.resize(blob.size() + 7, 0);
  EXPECT_TRUE(UnpackResources(padded.data(), padded.size()));
}

TEST(ResourceSection, RefusesFilesWithoutAUsableSection) {
  testsupport::TempDir dir;
  testsupport::WriteFileBytes(dir.File("text"), {'h', 'e', 'l', 'l', 'o'});
  // Not a library, missing, a folder, a library without the section.
  for (const std::string& path : {dir.File("text"), dir.File("missing"), dir.Path(), BinDir() + "/libpxcom.so"})
    EXPECT_FALSE(ReadResourcesFromFile(path)) << path;
}

}  // namespace
