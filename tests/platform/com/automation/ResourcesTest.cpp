#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "platform/com/Resources.h"
#include "tests/support/TestSupport.h"

using testsupport::BinDir;
using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

std::vector<ResourceEntry> Sample() {
  return {{"TYPELIB", 1, {1, 2, 3, 4, 5}}, {"STRING", 200, {'G', 'e', 'n'}}, {"ICON", 1, {}}};
}

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

  struct Case {
    const char* what;
    size_t offset;
    uint8_t value;
  };
  const std::vector<Case> cases = {
      {"magic", 0, 'X'},
      {"version", 4, 2},
      {"count beyond the data", 8, 0xFF},
      {"type length zero", 12, 0},
      {"type length huge", 15, 0x7F},
      {"data length beyond the end", 12 + 4 + 7 + 4 + 3, 0x10},
  };
  for (const auto& c : cases) {
    auto bad = blob;
    bad[c.offset] = c.value;
    EXPECT_FALSE(UnpackResources(bad.data(), bad.size())) << c.what;
  }
  auto trailing = blob;
  trailing.push_back(1);
  EXPECT_FALSE(UnpackResources(trailing.data(), trailing.size()));
  EXPECT_FALSE(UnpackResources(nullptr, 0));
}

TEST(ResourceSection, ReadsEntriesEmbeddedAtBuildTime) {
  const auto entries = ReadResourcesFromFile(BinDir() + "/libpxres_sample_entries.so");
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 2u);
  const ResourceEntry* text = FindResource(*entries, "STRING", 1);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(text->data.begin(), text->data.end()), "first entry text\n");
  const ResourceEntry* raw = FindResource(*entries, "RCDATA", 300);
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(raw->data, ReadFileBytes(BinDir() + "/pxres_sample.blob"));
}

TEST(ResourceSection, ReadsAPackedBlobEmbeddedAtBuildTime) {
  const auto entries = ReadResourcesFromFile(BinDir() + "/libpxres_sample_blob.so");
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 3u);
  EXPECT_EQ(FindResource(*entries, "STRING", 7)->data, (std::vector<uint8_t>{'s', 'e', 'v', 'e', 'n'}));
  EXPECT_EQ(FindResource(*entries, "BITMAP", 1)->data, std::vector<uint8_t>(300, 0xAB));
  EXPECT_TRUE(FindResource(*entries, "STRING", 8)->data.empty());
}

TEST(ResourceSection, RefusesFilesWithoutAUsableSection) {
  TempDir dir;
  WriteFileBytes(dir.File("text"), {'h', 'e', 'l', 'l', 'o'});
  // Not a library, missing, a folder, a library without the section.
  for (const std::string& path : {dir.File("text"), dir.File("missing"), dir.Path(), BinDir() + "/libpxcom.so"})
    EXPECT_FALSE(ReadResourcesFromFile(path)) << path;
}

}  // namespace
