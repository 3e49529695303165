#include "tests/robust/CChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

std::string TempName(const char* tag) {
  std::string pattern = "/tmp/robust-child-" + std::string(tag) + "-XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  close(fd);
  return pattern;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

CChildProcess::CChildProcess(const std::vector<std::string>& argv)
    : m_strOut(TempName("out")), m_strErr(TempName("err")) {
  m_pid = fork();
  if (m_pid < 0) throw std::runtime_error("fork failed");
  if (m_pid == 0) {
    int out = open(m_strOut.c_str(), O_WRONLY | O_TRUNC);
    int err = open(m_strErr.c_str(), O_WRONLY | O_TRUNC);
    int in = open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || in < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
}

CChildProcess::~CChildProcess() {
  if (!m_bReaped && m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  unlink(m_strOut.c_str());
  unlink(m_strErr.c_str());
}

bool CChildProcess::Running() {
  if (m_bReaped) return false;
  int st = 0;
  pid_t r = waitpid(m_pid, &st, WNOHANG);
  if (r == m_pid) {
    m_bReaped = true;
    m_nStatus = WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
    return false;
  }
  return true;
}

void CChildProcess::Kill(int nSignal) {
  if (!m_bReaped) kill(m_pid, nSignal);
}

int CChildProcess::Wait(int nTimeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
  while (Running()) {
    if (std::chrono::steady_clock::now() > deadline) {
      Kill(SIGKILL);
      while (Running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return -1000;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return m_nStatus;
}

std::string CChildProcess::Out() const { return Slurp(m_strOut); }
std::string CChildProcess::Err() const { return Slurp(m_strErr); }
