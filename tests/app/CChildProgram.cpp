#include "tests/app/CChildProgram.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

CChildProgram::CChildProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  std::vector<std::string> entries;
  for (char** p = environ; *p; ++p) {
    const std::string entry(*p);
    const std::string name = entry.substr(0, entry.find('='));
    bool bReplaced = false;
    for (const std::string& e : env) bReplaced |= e.compare(0, name.size() + 1, name + "=") == 0;
    if (!bReplaced) entries.push_back(entry);
  }
  entries.insert(entries.end(), env.begin(), env.end());
  std::vector<char*> cargv, cenv;
  for (const std::string& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
  cargv.push_back(nullptr);
  for (const std::string& e : entries) cenv.push_back(const_cast<char*>(e.c_str()));
  cenv.push_back(nullptr);
  m_pid = ::fork();
  if (m_pid == 0) {
    ::execve(cargv[0], cargv.data(), cenv.data());
    ::_exit(127);
  }
}

CChildProgram::~CChildProgram() { Kill(); }

bool CChildProgram::IsRunning() {
  if (m_pid <= 0 || m_bReaped) return false;
  int status = 0;
  if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
    m_bReaped = true;
    return false;
  }
  return true;
}

void CChildProgram::Kill() {
  if (m_pid <= 0 || m_bReaped) return;
  ::kill(m_pid, SIGKILL);
  int status = 0;
  ::waitpid(m_pid, &status, 0);
  m_bReaped = true;
}
