// A program started in the background whose life a test controls: watched
// while it runs, killed at a chosen moment, reaped. Its standard error goes
// to a file, so a child that writes a lot never blocks on a full pipe.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class CChildProcess {
 public:
  // Starts argv[0] (a path) with the test's environment.
  explicit CChildProcess(const std::vector<std::string>& argv);
  // Kills and reaps a child that is still running.
  ~CChildProcess();
  CChildProcess(const CChildProcess&) = delete;
  CChildProcess& operator=(const CChildProcess&) = delete;

  pid_t Pid() const { return m_pid; }
  bool Running();
  void Kill(int nSignal);
  // The exit status, or -signal when a signal ended it; a child still
  // running after two minutes is killed.
  int Wait();
  std::string Err() const;

 private:
  pid_t m_pid = -1;
  bool m_bReaped = false;
  int m_nStatus = 0;
  std::string m_strErr;
};
