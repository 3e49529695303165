#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <utility>

namespace fs = std::filesystem;

namespace testsupport {

std::string BinDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) throw std::runtime_error("cannot read /proc/self/exe");
  buf[n] = 0;
  return fs::path(buf).parent_path().string();
}

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "cantrel-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

ScopedRegistry::ScopedRegistry() : path_(dir_.File("registry")) {
  if (const char* p = std::getenv("COMPONENT_REGISTRY")) {
    previous_ = p;
    hadPrevious_ = true;
  }
  setenv("COMPONENT_REGISTRY", path_.c_str(), 1);
}

ScopedRegistry::~ScopedRegistry() {
  if (hadPrevious_)
    setenv("COMPONENT_REGISTRY", previous_.c_str(), 1);
  else
    unsetenv("COMPONENT_REGISTRY");
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot open " + path);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> MakeWav(const std::string& path, uint32_t dataBytes, uint16_t channels, uint32_t rate) {
  std::vector<uint8_t> data(dataBytes);
  uint32_t x = 0x12345678u ^ dataBytes;
  for (auto& b : data) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  // "RIFF" size "WAVE", "fmt " 16 PCM channels rate bytes-per-second block-align bits, "data" size.
  const std::pair<uint32_t, int> fields[] = {
      {0x46464952, 4}, {36 + dataBytes, 4}, {0x45564157, 4}, {0x20746D66, 4}, {16, 4}, {1, 2}, {channels, 2},
      {rate, 4}, {rate * channels * 2, 4}, {channels * 2u, 2}, {16, 2}, {0x61746164, 4}, {dataBytes, 4}};
  std::vector<uint8_t> f;
  for (auto [value, bytes] : fields)
    for (int i = 0; i < bytes; ++i) f.push_back(static_cast<uint8_t>(value >> (8 * i)));
  f.insert(f.end(), data.begin(), data.end());
  WriteFileBytes(path, f);
  return data;
}

// Files, not pipes, for the standard streams: nothing to pump while waiting,
// and a descendant that keeps them open cannot hold the caller up.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& stdinText, int timeoutSeconds,
                         const std::function<void(pid_t)>& onStart) {
  TempDir dir;
  WriteFileBytes(dir.File("in"), std::vector<uint8_t>(stdinText.begin(), stdinText.end()));
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int fd = 0;
    for (const char* name : {"in", "out", "err"}) {
      const int flags = O_CLOEXEC | (fd ? O_WRONLY | O_CREAT : O_RDONLY);
      if (dup2(open(dir.File(name).c_str(), flags, 0600), fd++) < 0) _exit(126);
    }
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  if (onStart) onStart(pid);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int st = 0;
  while (waitpid(pid, &st, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ProcessResult r;
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
  for (auto [name, text] : {std::pair{"out", &r.out}, {"err", &r.err}}) {
    std::ifstream f(dir.File(name), std::ios::binary);
    text->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  return r;
}

}  // namespace testsupport
