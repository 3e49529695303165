// Registration of cantrel.ocx: what it writes, and that unregistering gives
// the registry back as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "OcxLibrary.h"
#include "control/interface/CantrelIds.h"
#include "platform/com/Guid.h"
#include "platform/com/Resources.h"
#include "platform/registry/Registry.h"
#include "tests/support/TestSupport.h"

namespace {

void SeedForeignEntries() {
  reg::Registry().Update([](reg::RegTree& t) {
    t.SetString("CLSID\\{00000000-0000-0000-0000-0000000000AA}\\InprocServer32", "", "/lib/other.so");
    t.SetString("Other.Class.1\\CLSID", "", "{00000000-0000-0000-0000-0000000000AA}");
    t.SetString("TypeLib\\{00000000-0000-0000-0000-0000000000BB}\\1.0\\0\\win32", "", "/lib/other.so");
  });
}

TEST(Registration, WritesEveryValueOfTheFiveClassesAndTheTypeLibrary) {
  testsupport::ScopedRegistry registry;
  OcxLibrary ocx;
  ASSERT_EQ(ocx.Register(), S_OK);
  const reg::RegTree t = reg::Registry().Load();
  const std::string path = std::filesystem::canonical(OcxLibrary::Path()).string();
  const std::string ctrl = "CLSID\\" + GuidToString(CLSID_Cantrel);
  const std::string page = "CLSID\\" + GuidToString(CLSID_CCantrelPropPage);
  const std::string lib = GuidToString(LIBID_cantrelLib);
  struct Row {
    std::string key, name, value;
  };
  std::vector<Row> rows = {
      {ctrl, "", "cantrel Control"},
      {ctrl + "\\InprocServer32", "", path},
      {ctrl + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {ctrl + "\\ProgID", "", "CANTREL.cantrelCtrl.1"},
      {ctrl + "\\ToolboxBitmap32", "", path + ", 1"},
      {ctrl + "\\MiscStatus", "", "0"},
      {ctrl + "\\MiscStatus\\1", "", "131473"},
      {ctrl + "\\TypeLib", "", lib},
      {ctrl + "\\Version", "", "1.0"},
      {"CANTREL.cantrelCtrl.1", "", "cantrel Control"},
      {"CANTREL.cantrelCtrl.1\\CLSID", "", GuidToString(CLSID_Cantrel)},
      {page, "", "cantrel Property Page"},
      {page + "\\InprocServer32", "", path},
      {"TypeLib\\" + lib + "\\1.0\\0\\win32", "", path},
  };
  for (auto [clsid, progID] : {std::pair{CLSID_Drive, "cantrel.Drive"}, {CLSID_Drives, "cantrel.Drives"},
                               {CLSID_CEnumDrives, "morvish.EnumDrives"}}) {
    const std::string key = "CLSID\\" + GuidToString(clsid);
    rows.push_back({key + "\\InprocServer32", "", path});
    rows.push_back({key + "\\InprocServer32", "ThreadingModel", "Apartment"});
    rows.push_back({std::string(progID) + "\\CLSID", "", GuidToString(clsid)});
  }
  for (const Row& r : rows) EXPECT_EQ(t.GetString(r.key, r.name), r.value) << r.key << " / " << r.name;
  EXPECT_TRUE(t.HasKey(ctrl + "\\Control"));
  EXPECT_FALSE(t.HasKey(ctrl + "\\Insertable"));
  EXPECT_FALSE(t.Get(page + "\\InprocServer32", "ThreadingModel"));
  EXPECT_FALSE(t.HasKey(page + "\\ProgID"));
  // The library describes the enumerator under another class id; only the
  // module's is registered.
  EXPECT_FALSE(t.HasKey("CLSID\\" + GuidToString(CLSID_EnumDrives)));
}

class RoundTrip : public ::testing::TestWithParam<bool> {};

TEST_P(RoundTrip, UnregisteringGivesBackTheRegistryAsItWas) {
  testsupport::ScopedRegistry registry;
  if (GetParam()) SeedForeignEntries();
  const reg::RegTree before = reg::Registry().Load();
  OcxLibrary ocx;
  EXPECT_EQ(ocx.Unregister(), SELFREG_E_TYPELIB);  // nothing to remove yet
  EXPECT_TRUE(reg::Registry().Load() == before);
  ASSERT_EQ(ocx.Register(), S_OK);
  ASSERT_EQ(ocx.Register(), S_OK);  // again: the same registry
  ASSERT_EQ(ocx.Unregister(), S_OK);
  const reg::RegTree after = reg::Registry().Load();
  EXPECT_TRUE(after == before) << after.Serialize();
}

INSTANTIATE_TEST_SUITE_P(Registries, RoundTrip, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "WithOtherClasses" : "Empty"); });

TEST(Registration, ATypeLibraryThatCannotBeRegisteredGivesTheTypeLibraryErrorAndNoClass) {
  // A copy of the library whose type library is damaged.
  testsupport::TempDir dir;
  std::vector<uint8_t> bytes = testsupport::ReadFileBytes(OcxLibrary::Path());
  std::optional<std::vector<ResourceEntry>> entries = ReadResourcesFromFile(OcxLibrary::Path());
  ASSERT_TRUE(entries);
  const ResourceEntry* tlb = FindResource(*entries, "TYPELIB", 1);
  ASSERT_TRUE(tlb && tlb->data.size() > 16);
  auto at = std::search(bytes.begin(), bytes.end(), tlb->data.begin(), tlb->data.end());
  ASSERT_NE(at, bytes.end());
  for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(~at[i]);
  const std::string copy = dir.File("cantrel.ocx");
  testsupport::WriteFileBytes(copy, bytes);

  testsupport::ScopedRegistry registry;
  SeedForeignEntries();
  const reg::RegTree before = reg::Registry().Load();
  OcxLibrary damaged(copy);
  ASSERT_TRUE(damaged.Register);
  EXPECT_EQ(damaged.Register(), SELFREG_E_TYPELIB);
  EXPECT_TRUE(reg::Registry().Load() == before) << reg::Registry().Load().Serialize();
}

}  // namespace
