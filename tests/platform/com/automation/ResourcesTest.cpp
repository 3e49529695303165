#include <gtest/gtest.h>

#include <cstring>
#include <random>
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
  EXPECT_EQ(FindResource(*back, "STRING", 1), nullptr);
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
  WriteFileBytes(dir.File("empty"), {});
  EXPECT_FALSE(ReadResourcesFromFile(dir.File("text")));
  EXPECT_FALSE(ReadResourcesFromFile(dir.File("empty")));
  EXPECT_FALSE(ReadResourcesFromFile(dir.File("missing")));
  EXPECT_FALSE(ReadResourcesFromFile(dir.Path()));  // a folder
  // A library without the section.
  EXPECT_FALSE(ReadResourcesFromFile(BinDir() + "/libpxcom.so"));
}

// Reads a little-endian field of the ELF header.
uint64_t Field(const std::vector<uint8_t>& f, size_t at, size_t width) {
  uint64_t v = 0;
  for (size_t i = 0; i < width; ++i) v |= static_cast<uint64_t>(f[at + i]) << (8 * i);
  return v;
}
void SetField(std::vector<uint8_t>& f, size_t at, size_t width, uint64_t v) {
  for (size_t i = 0; i < width; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(ResourceSection, SurvivesDamagedElfHeaders) {
  const auto original = ReadFileBytes(BinDir() + "/libpxres_sample_entries.so");
  ASSERT_GT(original.size(), 64u);
  const uint64_t shoff = Field(original, 0x28, 8);
  const uint64_t shnum = Field(original, 0x3C, 2);
  const uint64_t shstrndx = Field(original, 0x3E, 2);
  ASSERT_LT(shoff + shnum * 64, original.size() + 1);
  const size_t strHeader = shoff + shstrndx * 64;

  struct Case {
    const char* what;
    size_t at;
    size_t width;
    uint64_t value;
  };
  const std::vector<Case> cases = {
      {"section headers past the end", 0x28, 8, original.size()},
      {"section header offset overflowing", 0x28, 8, ~0ull - 8},
      {"small section header size", 0x3A, 2, 8},
      {"string table index out of range", 0x3E, 2, shnum},
      {"string table past the end", strHeader + 0x18, 8, original.size() - 2},
      {"string table size overflowing", strHeader + 0x20, 8, ~0ull},
      {"not 64-bit", 4, 1, 1},
  };
  TempDir dir;
  for (const auto& c : cases) {
    auto bad = original;
    SetField(bad, c.at, c.width, c.value);
    WriteFileBytes(dir.File("bad.so"), bad);
    EXPECT_FALSE(ReadResourcesFromFile(dir.File("bad.so"))) << c.what;
  }
  // Every truncation of the file, at a coarse step, and random damage: no crash.
  for (size_t n = 0; n < original.size(); n += 97) {
    WriteFileBytes(dir.File("cut.so"), std::vector<uint8_t>(original.begin(), original.begin() + n));
    (void)ReadResourcesFromFile(dir.File("cut.so"));
  }
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    auto bad = original;
    for (int k = 0; k < 4; ++k) bad[rng() % 64 + (rng() % 2 ? shoff : 0) % bad.size()] ^= static_cast<uint8_t>(rng());
    WriteFileBytes(dir.File("flip.so"), bad);
    (void)ReadResourcesFromFile(dir.File("flip.so"));
  }
}

}  // namespace
