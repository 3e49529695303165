#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/registry/Registry.h"
#include "tests/support/TestSupport.h"

using reg::Registry;
using reg::RegistryError;
using reg::RegTree;
using testsupport::TempDir;

namespace {

std::string ReadText(const std::string& path) {
  auto bytes = testsupport::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

// Changes the environment for good: no other test here reads it.
TEST(Registry, DefaultPathFollowsTheEnvironment) {
  setenv("HOME", "/home/tester", 1);
  setenv("XDG_DATA_HOME", "/data", 1);
  setenv("COMPONENT_REGISTRY", "/tmp/private-registry", 1);
  EXPECT_EQ(Registry::DefaultPath(), "/tmp/private-registry");
  unsetenv("COMPONENT_REGISTRY");
  EXPECT_EQ(Registry::DefaultPath(), "/data/cantrel/registry");
  setenv("XDG_DATA_HOME", "relative/ignored", 1);
  EXPECT_EQ(Registry::DefaultPath(), "/home/tester/.local/share/cantrel/registry");
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(Registry::DefaultPath(), "/home/tester/.local/share/cantrel/registry");
}

TEST(Registry, MissingFileAndFolderAreCreatedOnUpdate) {
  TempDir dir;
  Registry r(dir.File("deep/er/registry"));
  EXPECT_TRUE(r.Load() == RegTree());
  EXPECT_FALSE(std::filesystem::exists(dir.File("deep")));
  r.Update([](RegTree& t) { t.SetString("CLSID\\{X}", "", "x"); });
  EXPECT_EQ(r.Load().GetString("clsid\\{x}"), "x");
  // Only the file and its lock remain: no temporary files.
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.File("deep/er")))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"registry", "registry.lock"}));
}

// Which line is damaged: the parser's test.
TEST(Registry, ADamagedFileOrAFailedEditLeavesTheFileAsItWas) {
  TempDir dir;
  Registry r(dir.File("registry"));
  r.Update([](RegTree& t) { t.SetString("k", "", "before"); });
  const std::string before = ReadText(dir.File("registry"));
  EXPECT_THROW(r.Update([](RegTree& t) {
    t.SetString("k", "", "after");
    throw std::runtime_error("edit gave up");
  }),
               std::runtime_error);
  EXPECT_EQ(ReadText(dir.File("registry")), before);

  const std::string damaged = before + "\"b\"=string:\"unterminated\n";
  std::ofstream(dir.File("registry")) << damaged;
  try {
    r.Load();
    ADD_FAILURE() << "damaged file loaded";
  } catch (const RegistryError& e) {
    EXPECT_NE(std::string(e.what()).find(dir.File("registry")), std::string::npos) << e.what();
  }
  EXPECT_THROW(r.Update([](RegTree&) { ADD_FAILURE() << "a damaged file was edited"; }), RegistryError);
  EXPECT_EQ(ReadText(dir.File("registry")), damaged);
}
