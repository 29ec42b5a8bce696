#include "platform/programs.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "platform/platform.h"

extern char **environ;

namespace plat {

std::string find_program(const char *name) {
  const char *path = getenv("PATH");
  std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    start = end + 1;
    if (dir.empty() || dir[0] != '/') continue;  // a relative PATH entry would depend on the working folder
    std::string candidate = dir + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

namespace {

// Waits for the child, killing it when the time is up; its wait status, or -1.
int wait_at_most(pid_t child, int timeout_ms) {
  for (int waited = 0;; waited += 10) {
    int status = 0;
    pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) return status;
    if (done < 0) return -1;
    if (waited >= timeout_ms) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return -1;
    }
    sleep_ms(10);
  }
}

}  // namespace

int run_program(const std::vector<std::string> &argv, int timeout_ms) {
  if (argv.empty() || argv[0].empty() || argv[0][0] != '/') return -1;
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd = 0; fd <= 2; ++fd)
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  pid_t child = 0;
  int err = posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (err != 0) return -1;
  int status = wait_at_most(child, timeout_ms);
  return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace plat
