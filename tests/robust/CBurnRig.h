// A machine in a temporary folder for tests that run the command-line tools
// as separate processes: a private class registry with the control and the
// disc-mastering service registered, virtual recorders, WAV files, and
// readers for what a recorder folder holds afterwards.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

class CBurnRig {
 public:
  // Registers cantrel.ocx and the service; check Ready() before use.
  CBurnRig();
  bool Ready() const { return m_bReady; }
  const std::string& Problem() const { return m_strProblem; }

  // Adds a virtual recorder writing to a new folder; speed 0 is unpaced,
  // n paces it at n x 75 blocks a second. Returns the folder.
  std::string AddRecorder(unsigned nSpeed);
  // A stereo 44100 Hz WAV file of nBlocks blocks and nExtra bytes; returns
  // its audio as a disc holds it (padded to whole blocks).
  std::vector<uint8_t> MakeWav(const std::string& name, uint32_t nBlocks, uint32_t nExtra = 0);
  std::string Path(const std::string& name) const { return m_files.File(name); }

  std::string Bin(const std::string& tool) const { return testsupport::BinDir() + "/" + tool; }
  const std::string& RegistryPath() const { return m_registry.Path(); }

  // "disc-NNNN" names with a .bin or a .cue in the folder.
  static std::vector<std::string> Images(const std::string& folder);
  // Files the service leaves only while it works: stash and temporary files.
  static std::vector<std::string> WorkFiles(const std::string& folder);
  // The recorder's tray file as key=value pairs (empty when there is none).
  static std::map<std::string, std::string> Tray(const std::string& folder);

 private:
  testsupport::ScopedRegistry m_registry;
  testsupport::TempDir m_files;
  std::vector<std::unique_ptr<testsupport::TempDir>> m_recorders;
  bool m_bReady = false;
  std::string m_strProblem;
};
