#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/registry/Registry.h"
#include "tests/support/TestSupport.h"

// Threads of one process use separate lock descriptors, so they exclude each
// other as separate processes do.
TEST(RegistryThreads, ConcurrentUpdatesAndLoadsLoseNothing) {
  testsupport::TempDir dir;
  const std::string path = dir.File("registry");
  constexpr int kThreads = 4, kPerThread = 40;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      reg::Registry r(path);
      for (int i = 0; i < kPerThread; ++i) {  // a torn file read throws, and ends the test
        r.Update([&](reg::RegTree& tree) { tree.SetDword(std::string("T").append(std::to_string(t)), std::to_string(i), i); });
        (void)r.Load();
      }
    });
  }
  for (auto& th : threads) th.join();
  reg::RegTree tree = reg::Registry(path).Load();
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(tree.ValueNames(std::string("T").append(std::to_string(t))).size(), static_cast<size_t>(kPerThread));
}
