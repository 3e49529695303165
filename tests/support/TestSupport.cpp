#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

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

static void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(x & 0xFF);
  v.push_back(x >> 8);
}
static void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back((x >> (8 * i)) & 0xFF);
}

std::vector<uint8_t> MakeWav(const std::string& path, uint32_t dataBytes, uint16_t channels, uint32_t rate) {
  std::vector<uint8_t> data(dataBytes);
  uint32_t x = 0x12345678u ^ dataBytes;
  for (auto& b : data) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  std::vector<uint8_t> f;
  f.insert(f.end(), {'R', 'I', 'F', 'F'});
  Put32(f, 36 + dataBytes);
  f.insert(f.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(f, 16);
  Put16(f, 1);
  Put16(f, channels);
  Put32(f, rate);
  Put32(f, rate * channels * 2);
  Put16(f, static_cast<uint16_t>(channels * 2));
  Put16(f, 16);
  f.insert(f.end(), {'d', 'a', 't', 'a'});
  Put32(f, dataBytes);
  f.insert(f.end(), data.begin(), data.end());
  WriteFileBytes(path, f);
  return data;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& stdinText, int timeoutSeconds,
                         const std::function<void(pid_t)>& onStart) {
  int in[2], out[2], err[2];
  // Close-on-exec: a child started meanwhile by another thread must not hold
  // these pipes open.
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  if (onStart) onStart(pid);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  signal(SIGPIPE, SIG_IGN);
  if (!stdinText.empty()) (void)!write(in[1], stdinText.data(), stdinText.size());
  close(in[1]);
  ProcessResult r;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  while (open > 0) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
    if (left <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    if (poll(fds, 2, left) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
      }
    }
  }
  for (auto& p : fds)
    if (p.fd >= 0) close(p.fd);
  int st = 0;
  waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
  return r;
}

}  // namespace testsupport
