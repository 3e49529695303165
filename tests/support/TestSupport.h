// Shared helpers for tests: temporary folders, a private class registry, the
// folder that holds the built binaries.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// The folder of the running test binary (every built binary lies there).
std::string BinDir();

// A fresh folder removed with everything in it at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Points COMPONENT_REGISTRY at an empty file in its own temporary folder for
// its lifetime and restores the previous value afterwards.
class ScopedRegistry {
 public:
  ScopedRegistry();
  ~ScopedRegistry();
  ScopedRegistry(const ScopedRegistry&) = delete;
  ScopedRegistry& operator=(const ScopedRegistry&) = delete;
  const std::string& Path() const { return path_; }
  const TempDir& Dir() const { return dir_; }

 private:
  TempDir dir_;
  std::string path_;
  std::string previous_;
  bool hadPrevious_ = false;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A RIFF/WAVE file: stereo 16-bit at `rate` (or the given channels) holding
// `dataBytes` bytes of a deterministic pattern; returns the data bytes.
std::vector<uint8_t> MakeWav(const std::string& path, uint32_t dataBytes, uint16_t channels = 2,
                             uint32_t rate = 44100);

// Runs a program with arguments, captures stdout and stderr; returns the
// exit status (-signal when killed by a signal). onStart learns the child's
// process id as soon as it runs, for a caller that kills it from elsewhere.
struct ProcessResult {
  int status = -1;
  std::string out;
  std::string err;
};
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& stdinText = {},
                         int timeoutSeconds = 120, const std::function<void(pid_t)>& onStart = {});

}  // namespace testsupport
