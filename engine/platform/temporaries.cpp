// Temporary files that are written beside their destination and renamed into
// place. Each carries the writing process's id, so two runs writing into one
// folder never meet on a name, and a run that was killed midway leaves files that
// a later run can recognise as nobody's and remove.
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <mutex>
#include <string_view>

#include "platform/platform.h"

namespace plat {

namespace {

constexpr std::string_view kMark = ".part";

// Reads the decimal number that fills `digits`; false for an empty, non-digit or
// overlong field.
bool parse_number(std::string_view digits, long *out) {
  if (digits.empty() || digits.size() > 10) return false;
  long v = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *out = v;
  return true;
}

// The process id in a name made by temporary_name ("x.jpg.part1234_7"), or 0 when
// the name is not one of ours.
pid_t temporary_owner(std::string_view name) {
  size_t mark = name.rfind(kMark);
  if (mark == std::string_view::npos || mark == 0) return 0;
  std::string_view tail = name.substr(mark + kMark.size());
  size_t underscore = tail.find('_');
  if (underscore == std::string_view::npos) return 0;
  long pid = 0, serial = 0;
  if (!parse_number(tail.substr(0, underscore), &pid) || !parse_number(tail.substr(underscore + 1), &serial))
    return 0;
  if (pid <= 0 || pid > INT_MAX) return 0;  // kill(0 or -n) would ask about whole groups
  return static_cast<pid_t>(pid);
}

// Only a process that is certainly gone gives up its files: EPERM means it runs
// under another user, which is alive all the same.
bool process_is_gone(pid_t pid) {
  return ops.kill(pid, 0) != 0 && errno == ESRCH;
}

// This process's id for the names, asked of the system once rather than once per file;
// a child made by fork asks again.
std::atomic<pid_t> g_own_pid{0};

pid_t own_pid() {
  pid_t pid = g_own_pid.load(std::memory_order_relaxed);
  if (pid != 0) return pid;
  static std::once_flag watch_forks;
  std::call_once(watch_forks, [] { pthread_atfork(nullptr, nullptr, [] { g_own_pid.store(0); }); });
  pid = ops.getpid();
  g_own_pid.store(pid, std::memory_order_relaxed);
  return pid;
}

}  // namespace

std::string temporary_name(const std::string &path) {
  static std::atomic<unsigned> serial{0};
  return path + std::string(kMark) + std::to_string(own_pid()) + "_" + std::to_string(++serial);
}

int open_temporary(const std::string &path, std::string *tmp) {
  if (path.empty()) {  // "" names no file, not one in the working folder
    errno = ENOENT;
    return -1;
  }
  // A leftover of an earlier process that had our id can hold a name; the next
  // serial is free then.
  for (int attempt = 0; attempt < 100; ++attempt) {
    *tmp = temporary_name(path);
    int fd = ops.open(tmp->c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

int remove_stale_temporaries(const std::string &folder) {
  std::vector<std::string> names;
  if (!list_dir(folder, &names)) return 0;
  int removed = 0;
  for (const std::string &name : names) {
    pid_t owner = temporary_owner(name);
    if (owner == 0 || !process_is_gone(owner)) continue;
    std::string path = folder + "/" + name;
    struct statx st;
    // Only plain files: a link or folder of that name is nothing this engine made.
    if (ops.statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE, &st) != 0 || !S_ISREG(st.stx_mode))
      continue;
    if (ops.unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace plat
