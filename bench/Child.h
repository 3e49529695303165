// Running the programs measured: one child at a time, timed from spawn to
// exit, with its peak resident memory and processor time.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

// The folder of the running program, where the programs measured lie.
inline std::string BinDir() { return std::filesystem::canonical("/proc/self/exe").parent_path().string(); }

struct Child {
  int status = -1;
  double seconds = 0;
  long maxRssKb = 0;
  double cpuSeconds = 0;  // user and system
  std::string out;  // first line of standard output, when asked for
};

// Runs argv to its end with standard output to /dev/null (or its first line
// read back), timing it from spawn to exit.
inline Child Run(const std::vector<std::string>& argv, bool bReadLine = false) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int pipeFd[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (bReadLine && ::pipe2(pipeFd, O_CLOEXEC) == 0)
    posix_spawn_file_actions_adddup2(&actions, pipeFd[1], 1);
  else
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  Child c;
  pid_t pid = 0;
  const auto t0 = std::chrono::steady_clock::now();
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (pipeFd[1] >= 0) ::close(pipeFd[1]);
  if (rc != 0) {
    if (pipeFd[0] >= 0) ::close(pipeFd[0]);
    return c;
  }
  if (pipeFd[0] >= 0) {
    char ch;
    while (::read(pipeFd[0], &ch, 1) == 1 && ch != '\n') c.out += ch;
    c.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();  // the child answered: what is measured ends here
    ::close(pipeFd[0]);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  if (!bReadLine) c.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  c.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  c.maxRssKb = usage.ru_maxrss;
  c.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return c;
}

}  // namespace bench
