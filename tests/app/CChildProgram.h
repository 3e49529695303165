// A program started in the background for a test and killed at the end.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class CChildProgram {
 public:
  // env: "NAME=value" entries added to (or replacing those of) this
  // process's environment.
  CChildProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env);
  ~CChildProgram();
  CChildProgram(const CChildProgram&) = delete;
  CChildProgram& operator=(const CChildProgram&) = delete;

  bool IsRunning();
  // SIGKILL, then reaps the child.
  void Kill();

 private:
  pid_t m_pid = -1;
  bool m_bReaped = false;
};
