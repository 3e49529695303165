// A machine for the tests that run the command-line tools as separate
// processes: a private class registry with the control and the
// disc-mastering service registered by regsvr, virtual recorders added by
// discmaster, and a folder for WAV files. The tools inherit the registry
// through the environment.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

class ToolsTestBed {
 public:
  // bRegister: the control and the service; bRecorder: one unpaced recorder.
  explicit ToolsTestBed(bool bRegister = true, bool bRecorder = true) {
    for (const char* library : {"cantrel.ocx", "libimapisvc.so"})
      if (bRegister) Expect0({Bin("regsvr"), Bin(library)});
    if (bRegister && bRecorder) m_recorder = AddRecorder("max");
  }

  static std::string Bin(const std::string& name) { return testsupport::BinDir() + "/" + name; }

  testsupport::ProcessResult Run(const std::vector<std::string>& argv, const std::string& input = {}) const {
    return testsupport::RunProcess(argv, input, 120);
  }
  testsupport::ProcessResult Cantrel(std::vector<std::string> args) const {
    args.insert(args.begin(), Bin("cantrel"));
    return Run(args);
  }
  void Expect0(const std::vector<std::string>& argv) const {
    auto r = Run(argv);
    ASSERT_EQ(r.status, 0) << argv[0] << ": " << r.out << r.err;
  }
  // Runs in the background; *pPid is the child's process id on return.
  static std::future<testsupport::ProcessResult> Start(const std::vector<std::string>& argv, pid_t* pPid) {
    auto started = std::make_shared<std::promise<pid_t>>();
    auto result = std::async(std::launch::async, [argv, started] {
      return testsupport::RunProcess(argv, {}, 120, [&](pid_t pid) { started->set_value(pid); });
    });
    *pPid = started->get_future().get();
    return result;
  }

  // A recorder writing to a new folder at speed x 75 blocks a second ("max":
  // unpaced); returns the folder.
  std::string AddRecorder(const std::string& speed) {
    const std::string folder = m_folders.emplace_back(std::make_unique<testsupport::TempDir>())->Path();
    Expect0({Bin("discmaster"), "add-virtual", "--folder", folder, "--media", "cd-rw", "--speed", speed});
    return folder;
  }

  // The images a recorder holds ("folder/disc-NNNN" with a .bin or a .cue),
  // in their order.
  std::vector<std::string> Images(std::string folder = {}) const {
    if (folder.empty()) folder = m_recorder;
    std::vector<std::string> names;
    for (int n = 1; n < 100; ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "/disc-%04d", n);
      if (std::filesystem::exists(folder + name + ".bin") || std::filesystem::exists(folder + name + ".cue"))
        names.push_back(folder + name);
    }
    return names;
  }
  // Files the service keeps only while it works: stash and temporary files.
  static std::vector<std::string> WorkFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      std::string name = e.path().filename().string();
      if (name.rfind(".stash-", 0) == 0 || name.find(".tmp-") != std::string::npos) names.push_back(name);
    }
    return names;
  }

  // The audio as a disc holds it: every track padded to whole 2352-byte blocks.
  static std::vector<uint8_t> Padded(std::vector<uint8_t> data) {
    data.resize((data.size() + 2351) / 2352 * 2352, 0);
    return data;
  }

  testsupport::ScopedRegistry m_registry;
  std::vector<std::unique_ptr<testsupport::TempDir>> m_folders;
  std::string m_recorder;
  testsupport::TempDir m_files;
};

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
