// The process and what surrounds it: environment, working folder, clocks, error
// texts, standard error and the desktop notification, shared modules.
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

extern char **environ;

namespace plat {

std::string current_dir() {
  char buf[4096];
  return ops.getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

const char *env(const char *name) {
  return ops.getenv(name);
}

int64_t now() {
  struct timespec ts = {0, 0};
  ops.clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec);
}

int64_t monotonic_ms() {
  struct timespec ts = {0, 0};
  ops.clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int64_t monotonic_us() {
  struct timespec ts = {0, 0};
  ops.clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

std::string local_time_text(int64_t seconds) {
  time_t t = static_cast<time_t>(seconds);
  struct tm local;
  if (!ops.localtime_r(&t, &local)) return "?\n";
  // asctime's own form, in English whatever the locale, as asctime writes it.
  static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[64];
  snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[local.tm_wday % 7],
           kMonths[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
           local.tm_year + 1900);
  return text;
}

void sleep_ms(int ms) {
  struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
  ops.nanosleep(&ts, nullptr);
}

void yield_cpu() {
  sched_yield();
}

// Linux keeps a nice value per thread: the run lowers only the thread it runs on.
int thread_niceness() {
  errno = 0;
  int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  return errno ? 0 : nice;
}

void lower_thread_priority(int niceness) {
  niceness = std::clamp(niceness, 0, 19);
  if (niceness > thread_niceness()) setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), niceness);
}

std::string error_text(int err) {
  char buf[256];
  // The GNU strerror_r may return a static text instead of filling buf.
  const char *text = strerror_r(err, buf, sizeof buf);
  return text ? text : "";
}

void print_error(const std::string &line) {
  std::string text = line + "\n";
  write_all(2, text.data(), text.size());  // nobody to tell when standard error is gone
}

void *load_module(const std::string &path) {
  return ops.dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}
void *module_symbol(void *module, const char *name) {
  return module ? ops.dlsym(module, name) : nullptr;
}

std::string module_dir() {
  Dl_info info;
  if (ops.dladdr(reinterpret_cast<void *>(&module_dir), &info) && info.dli_fname) {
    // For an engine linked into the program the loader names the program as it was
    // started (argv[0]: "quillo" from the PATH, or a link to it); the kernel knows
    // the file itself.
    std::string p = strchr(info.dli_fname, '/') ? info.dli_fname : "/proc/self/exe";
    std::string resolved;
    if (resolve_path(p, &resolved)) p = resolved;
    size_t slash = p.rfind('/');
    if (slash != std::string::npos) return slash == 0 ? "/" : p.substr(0, slash);
  }
  return current_dir();
}

void message_box(const char *text, const char *caption) {
  print_error(std::string(caption) + ": " + text);
  // A desktop user never sees standard error; a notification reaches them when a
  // session bus and notify-send are there. Failure to notify is harmless.
  if (ops.getenv("DISPLAY") || ops.getenv("WAYLAND_DISPLAY")) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char *argv[] = {const_cast<char *>("notify-send"), const_cast<char *>(caption), const_cast<char *>(text),
                    nullptr};
    pid_t pid;
    if (ops.posix_spawnp(&pid, "notify-send", &actions, nullptr, argv, environ) == 0)
      ops.waitpid(pid, nullptr, 0);
    posix_spawn_file_actions_destroy(&actions);
  }
}

}  // namespace plat
