#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <filesystem>

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

void WriteText(const std::string& path, const std::string& text) {
  testsupport::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// Sets or clears an environment variable for the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace

TEST(Registry, DefaultPathFollowsTheEnvironment) {
  ScopedEnv home("HOME", "/home/tester");
  {
    ScopedEnv reg("COMPONENT_REGISTRY", "/tmp/private-registry");
    EXPECT_EQ(Registry::DefaultPath(), "/tmp/private-registry");
  }
  ScopedEnv reg("COMPONENT_REGISTRY", nullptr);
  {
    ScopedEnv xdg("XDG_DATA_HOME", "/data");
    EXPECT_EQ(Registry::DefaultPath(), "/data/cantrel/registry");
  }
  {
    ScopedEnv xdg("XDG_DATA_HOME", "relative/ignored");
    EXPECT_EQ(Registry::DefaultPath(), "/home/tester/.local/share/cantrel/registry");
  }
  ScopedEnv xdg("XDG_DATA_HOME", nullptr);
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

TEST(Registry, EmptyFileIsAnEmptyRegistry) {
  TempDir dir;
  WriteText(dir.File("registry"), "");
  Registry r(dir.File("registry"));
  EXPECT_TRUE(r.Load() == RegTree());
  r.Update([](RegTree& t) { t.SetDword("k", "n", 1); });
  EXPECT_EQ(r.Load().GetDword("k", "n"), 1u);
}

TEST(Registry, DamagedFileIsReportedAndLeftUntouched) {
  TempDir dir;
  const std::string damaged = "#cantrel-registry 1\n[CLSID]\n\"a\"=dword:1\n\"b\"=string:\"unterminated\n";
  WriteText(dir.File("registry"), damaged);
  Registry r(dir.File("registry"));
  try {
    r.Load();
    ADD_FAILURE() << "damaged file loaded";
  } catch (const RegistryError& e) {
    EXPECT_NE(std::string(e.what()).find("line 4"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(dir.File("registry")), std::string::npos) << e.what();
  }
  bool edited = false;
  EXPECT_THROW(r.Update([&](RegTree& t) {
    edited = true;
    t.DeleteKey("CLSID");
  }),
               RegistryError);
  EXPECT_FALSE(edited);
  EXPECT_EQ(ReadText(dir.File("registry")), damaged);
}

TEST(Registry, AFailedEditChangesNothing) {
  TempDir dir;
  Registry r(dir.File("registry"));
  r.Update([](RegTree& t) { t.SetString("k", "", "before"); });
  std::string before = ReadText(dir.File("registry"));
  EXPECT_THROW(r.Update([](RegTree& t) {
    t.SetString("k", "", "after");
    throw std::runtime_error("edit gave up");
  }),
               std::runtime_error);
  EXPECT_EQ(ReadText(dir.File("registry")), before);
}

TEST(Registry, UnreadableFolderIsAnError) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  std::filesystem::create_directory(dir.File("locked"));
  std::filesystem::permissions(dir.File("locked"), std::filesystem::perms::owner_read);
  Registry r(dir.File("locked/registry"));
  EXPECT_THROW(r.Update([](RegTree& t) { t.CreateKey("x"); }), RegistryError);
  std::filesystem::permissions(dir.File("locked"), std::filesystem::perms::owner_all);
}

TEST(Registry, TwoProcessesWritingAtOnceLoseNothing) {
  TempDir dir;
  const std::string path = dir.File("registry");
  constexpr int kPerProcess = 150;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      int status = 0;
      try {
        Registry r(path);
        for (int i = 0; i < kPerProcess; ++i)
          r.Update([&](RegTree& t) { t.SetDword("Writers\\p" + std::to_string(c), "v" + std::to_string(i), i); });
      } catch (...) {
        status = 3;
      }
      _exit(status);
    }
  }
  for (pid_t pid : children) {
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << st;
  }
  RegTree t = Registry(path).Load();
  for (int c = 0; c < 2; ++c) {
    std::string key = "Writers\\p" + std::to_string(c);
    EXPECT_EQ(t.ValueNames(key).size(), static_cast<size_t>(kPerProcess)) << key;
    for (int i = 0; i < kPerProcess; ++i) EXPECT_EQ(t.GetDword(key, "v" + std::to_string(i)), uint32_t(i));
  }
}
