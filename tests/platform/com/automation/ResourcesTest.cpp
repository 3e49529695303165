#include <gtest/gtest.h>

#include <tuple>

#include "platform/com/Resources.h"
#include "tests/support/TestSupport.h"

using testsupport::BinDir;
using testsupport::TempDir;

namespace {

std::vector<ResourceEntry> Sample() {
  return {{"TYPELIB", 1, {1, 2, 3, 4, 5}}, {"STRING", 200, {'G', 'e', 'n'}}, {"ICON", 1, {}}};
}

// Sections embedded at build time are read by the control library's tests.
TEST(ResourceTable, PacksAndUnpacks) {
  const auto blob = PackResources(Sample());
  const auto back = UnpackResources(blob.data(), blob.size());
  ASSERT_TRUE(back);
  ASSERT_EQ(back->size(), 3u);
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(std::tie((*back)[i].type, (*back)[i].id, (*back)[i].data),
              std::tie(Sample()[i].type, Sample()[i].id, Sample()[i].data));
  EXPECT_EQ(FindResource(*back, "STRING", 200), &(*back)[1]);
  EXPECT_EQ(FindResource(*back, "string", 200), nullptr);  // types are exact

  // Zero padding after the table (as a linker may add) is accepted.
  auto padded = blob;
  padded.resize(blob.size() + 7, 0);
  EXPECT_TRUE(UnpackResources(padded.data(), padded.size()));
}

TEST(ResourceTable, RefusesDamage) {
  const auto blob = PackResources(Sample());
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
}

TEST(ResourceSection, RefusesFilesWithoutAUsableSection) {
  TempDir dir;
  testsupport::WriteFileBytes(dir.File("text"), {'h', 'e', 'l', 'l', 'o'});
  // Not a library, missing, a folder, a library without the section.
  for (const std::string& path : {dir.File("text"), dir.File("missing"), dir.Path(), BinDir() + "/libpxcom.so"})
    EXPECT_FALSE(ReadResourcesFromFile(path)) << path;
}

}  // namespace
