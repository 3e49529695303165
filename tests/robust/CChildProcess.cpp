#include "tests/robust/CChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

CChildProcess::CChildProcess(const std::vector<std::string>& argv) : m_strErr("/tmp/robust-child-err-XXXXXX") {
  int err = mkstemp(m_strErr.data());
  if (err < 0) throw std::runtime_error("mkstemp failed");
  m_pid = fork();
  if (m_pid < 0) throw std::runtime_error("fork failed");
  if (m_pid == 0) {
    int null = open("/dev/null", O_RDWR);
    if (null < 0) _exit(126);
    dup2(null, 0);
    dup2(null, 1);
    dup2(err, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(err);
}

CChildProcess::~CChildProcess() {
  if (!m_bReaped && m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  unlink(m_strErr.c_str());
}

bool CChildProcess::Running() {
  int st = 0;
  if (!m_bReaped && waitpid(m_pid, &st, WNOHANG) == m_pid) {
    m_bReaped = true;
    m_nStatus = WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
  }
  return !m_bReaped;
}

void CChildProcess::Kill(int nSignal) {
  if (!m_bReaped) kill(m_pid, nSignal);
}

int CChildProcess::Wait() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (Running()) {
    if (std::chrono::steady_clock::now() > deadline) Kill(SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return m_nStatus;
}

std::string CChildProcess::Err() const {
  std::ifstream in(m_strErr, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
