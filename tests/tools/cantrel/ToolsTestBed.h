// A machine for the command-line hosts' tests: a private class registry with
// the control and the disc-mastering service registered by regsvr, a virtual
// recorder added by discmaster, and a folder for WAV files. The tools run as
// separate processes and inherit the registry through the environment.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

class ToolsTestBed {
 public:
  // bRegister: the control and the service; bRecorder: one virtual recorder.
  explicit ToolsTestBed(bool bRegister = true, bool bRecorder = true) {
    for (const char* library : {"cantrel.ocx", "libimapisvc.so"})
      if (bRegister) Expect0({Bin("regsvr"), Bin(library)});
    if (bRegister && bRecorder)
      Expect0({Bin("discmaster"), "add-virtual", "--folder", m_recorder.Path(), "--media", "cd-rw"});
  }

  static std::string Bin(const std::string& name) { return testsupport::BinDir() + "/" + name; }

  testsupport::ProcessResult Run(const std::vector<std::string>& argv, const std::string& input = {}) const {
    return testsupport::RunProcess(argv, input, 120);
  }
  void Expect0(const std::vector<std::string>& argv) const {
    auto r = Run(argv);
    ASSERT_EQ(r.status, 0) << argv[0] << ": " << r.out << r.err;
  }

  // The images the virtual recorder wrote, in their order.
  std::vector<std::string> Images() const {
    std::vector<std::string> names;
    for (int n = 1; n < 100; ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "disc-%04d.bin", n);
      if (std::ifstream(m_recorder.File(name)).good()) names.push_back(m_recorder.File(name));
    }
    return names;
  }

  // The audio as a disc holds it: every track padded to whole 2352-byte blocks.
  static std::vector<uint8_t> Padded(std::vector<uint8_t> data) {
    data.resize((data.size() + 2351) / 2352 * 2352, 0);
    return data;
  }

  testsupport::ScopedRegistry m_registry;
  testsupport::TempDir m_recorder;
  testsupport::TempDir m_files;
};

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
