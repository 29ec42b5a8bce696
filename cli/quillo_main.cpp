// quillo: runs the engine's two-call run protocol on a folder and prints the
// catalog's entry page. Also the program the desktop front end's external run starts.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli_options.h"
#include "console_thumbnails.h"
#include "platform/platform.h"
#include "settings/user_settings.h"
#include "thumbnail_module.h"
#include "zuno.h"

extern char **environ;

namespace {

constexpr int kExitFailed = 1, kExitUsage = 2, kExitLocked = 3, kExitThumbnails = 4, kExitInterrupted = 130;
constexpr const char *kDone = "完了";
constexpr const char *kError = "エラー";
constexpr int kMaxSteps = 64;  // the gathering has fewer than ten steps; more means a fault

volatile sig_atomic_t g_interrupted = 0;

// --- progress on the terminal ---

struct Progress {
  bool enabled = false;  // status texts at all
  bool bar = false;      // a redrawn bar on a terminal
  int total = 0;
  int count = 0;
  std::string status;

  void draw() {
    if (!bar) return;
    constexpr int kWidth = 30;
    int filled = total > 0 ? std::min(kWidth, count * kWidth / total) : 0;
    std::string line(kWidth, ' ');
    for (int i = 0; i < filled; ++i) line[i] = '#';
    fprintf(stderr, "\r[%s] %d/%d %s\033[K", line.c_str(), std::min(count, total), total, status.c_str());
    fflush(stderr);
  }
  void set_status(const std::string &text) {
    status = text;
    count = 0;
    if (bar)
      draw();
    else if (enabled)
      fprintf(stderr, "quillo: %s\n", text.c_str());
  }
  void finish() {
    if (bar) fprintf(stderr, "\r\033[K");
  }
};

Progress g_progress;

void on_total(int count) {
  g_progress.total = count;
  g_progress.draw();
}
void on_step() {
  ++g_progress.count;
  if (g_progress.count % 16 == 0 || g_progress.count == g_progress.total) g_progress.draw();
}
void on_poll() {
  if (g_interrupted) ZunoAbortReq();
}
void on_tick() {}

void on_interrupt(int) {
  g_interrupted = 1;
  signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends the program at once
}

// --- paths ---

std::string program_folder() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = '\0';
  std::string p = buf;
  return p.substr(0, p.rfind('/'));
}

std::string absolute(const std::string &path) {
  char buf[PATH_MAX];
  if (realpath(path.c_str(), buf)) return buf;
  return path;
}

bool is_folder(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Makes the folder and its missing parents; true when it is a folder afterwards.
bool make_folders(const std::string &path) {
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/') continue;
    std::string part = path.substr(0, pos);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return is_folder(path);
}

// The engine's private temporary folder, the one the desktop program looks in for the
// lock; "" and the reason in *why when it cannot be made or is refused.
std::string temp_folder(std::string *why) {
  plat::TempFolder t = plat::check_temp_dir();
  switch (t.refusal) {
    case plat::TempRefusal::none:
      return t.path;
    case plat::TempRefusal::link:
      *why = "refusing the temporary folder " + t.candidate + ": it is a symbolic link";
      break;
    case plat::TempRefusal::not_folder:
      *why = "refusing the temporary folder " + t.candidate + ": it is not a folder";
      break;
    case plat::TempRefusal::not_owned:
      *why = "refusing the temporary folder " + t.candidate + ": it belongs to another user";
      break;
    case plat::TempRefusal::open_to_others:
      *why = "refusing the temporary folder " + t.candidate + ": other users can write it (chmod 700 it)";
      break;
    case plat::TempRefusal::cannot_make:
      *why = "cannot make the temporary folder " + t.candidate + ": " + plat::error_text(t.err);
      break;
  }
  return "";
}

// --- engine calls ---

std::string last_error() {
  char area[ZUNO_BUFSIZE] = "";
  char *p = area;
  ZunoGetLastErr(&p);
  return area[0] ? area : "unknown error";
}

std::string engine_text(int number) {
  char area[ZUNO_BUFSIZE] = "";
  char *p = area;
  ZunoGetStr(number, &p);
  return area;
}

int fail(const std::string &text, int code = kExitFailed) {
  g_progress.finish();
  fprintf(stderr, "quillo: %s\n", text.c_str());
  return code;
}

// The lock that tells the desktop program a run is under way. The descriptor stays
// open (and the lock held) until the process ends. *folder: the private temporary folder.
int hold_lock_file(std::string *folder_out) {
  std::string why;
  std::string folder = temp_folder(&why);
  if (folder.empty()) return fail(why);
  *folder_out = folder;
  std::string path = folder + "/quillo.lok";
  // Never through a link: the lock must not make or open a file elsewhere.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return fail("cannot open the lock file " + path + ": " + strerror(errno));
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return fail("another quillo is running (it holds " + path + ")", kExitLocked);
    return fail("cannot lock " + path + ": " + strerror(errno));
  }
  return 0;
}

int put_settings(const CliOptions &o) {
  // No window to keep alive: the engine never pauses to yield (a pause every hundred
  // files was a third of the page writing). Ctrl-C then ends the program at once.
  // Thumbnail files for a folder's catalog, as the desktop program makes them; a cache run's catalog shows
  // the pictures themselves unless --set asks otherwise.
  std::vector<std::pair<std::string, std::string>> puts = {{"CpuPriority", "100"},
                                                           {"MakeThumbnail", o.mode.empty() ? "1" : "0"}};
  puts.insert(puts.end(), o.settings_to_put.begin(), o.settings_to_put.end());
  for (const auto &[key, value] : puts) {
    SettingPut put;
    if (std::string err = setting_put_for(key, value, &put); !err.empty()) return fail(err, kExitUsage);
    int r = put.text ? ZunoPutStr(put.number, put.text_value.c_str()) : ZunoPut(put.number, put.value);
    if (r != 0) return fail("cannot set " + key + ": " + last_error());
  }
  return 0;
}

// Wall-clock milliseconds of the phases of a run, for --timings.
struct PhaseClock {
  using Clock = std::chrono::steady_clock;
  bool enabled = false;
  Clock::time_point last = Clock::now();

  void lap(const std::string &phase) {
    Clock::time_point now = Clock::now();
    if (enabled)
      fprintf(stderr, "timing: %-24s %8.1f ms\n", phase.c_str(),
              std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
  }
};

PhaseClock g_clock;

// Gathers until the engine says done or error; false on error.
bool gather() {
  std::string step_text = "gather: start";
  for (int step = 0; step < kMaxSteps; ++step) {
    char area[ZUNO_BUFSIZE] = "";
    char *p = area;
    ZunoGetFiles(&p);
    g_clock.lap(step_text);
    step_text = std::string("gather: ") + area;
    g_progress.set_status(area);
    if (strcmp(area, kDone) == 0) return true;
    if (strcmp(area, kError) == 0) return false;
  }
  return false;
}

void open_in_browser(const std::string &page) {
  if (!getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY")) return;
  const char *argv[] = {"xdg-open", page.c_str(), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char **>(argv), environ) != 0)
    fprintf(stderr, "quillo: cannot start xdg-open\n");
}

// The settings folder: the one --settings names, else the program folder's own, or
// for an installed program the user's copy of its settings (*made when this run made
// it). "" with the reason in *why when the copy cannot be made.
std::string settings_folder(const CliOptions &o, bool *made, std::string *why) {
  *made = false;
  if (!o.settings.empty()) return absolute(o.settings);
  std::string folder = user_settings_for(program_folder(), made);
  if (folder.empty()) *why = ZunoGetLastErr(nullptr);
  return folder;
}

// The terminal as the thumbnail step's screen: the bar shows each picture, plain status lines the step only
// (one line per picture would bury the messages).
ConsoleThumbnails terminal_console(const std::string &private_folder) {
  ConsoleThumbnails console;
  console.engine.last_count = &ZunoLastCount;
  console.engine.get_thumb_info = &ZunoGetThumbInfo;
  console.engine.get_last_err = &ZunoGetLastErr;
  console.marker_folder = private_folder;
  console.status = [phase_shown = false](const std::string &text) mutable {
    if (g_progress.bar) {
      g_progress.status = text;
      g_progress.draw();
    } else if (g_progress.enabled && !phase_shown) {
      fprintf(stderr, "quillo: %s\n", text.c_str());
      phase_shown = true;
    }
  };
  console.total = [](int maximum) {
    g_progress.count = 0;
    on_total(maximum);
  };
  console.value = [](int value) {
    g_progress.count = value - 1;
    on_step();
  };
  console.message = [](const std::string &text) {
    g_progress.finish();
    fprintf(stderr, "quillo: %s\n", text.c_str());
  };
  console.interrupted = &g_interrupted;
  return console;
}

// Set once the thumbnail module runs: from then on Qt's threads live in the process.
bool g_qt_loaded = false;

// Qt's worker threads (its own image-scaling pool among them) outlive the thumbnail step and end on their
// own timers; running the program's exit handlers and static destructors while one of them is half-way out
// is a race (the leak checker of a sanitizer build crashed on it now and then). Everything the run writes
// is written and closed by then, so such a run ends at once.
[[noreturn]] void end_past_qt(int status) {
  fflush(stdout);
  fflush(stderr);
  _exit(status);
}

// The thumbnail files the catalog's pages show; the exit status they leave (the catalog stays either way).
int make_thumbnails(const std::string &private_folder, const std::string &thumbs) {
  const ThumbnailModule module = load_thumbnail_module(program_folder(), QUILLO_THUMBNAIL_MODULE);
  g_clock.lap("load thumbnail module");
  if (!module.make) {
    g_progress.finish();
    fprintf(stderr, "quillo: %s\n", module.error.c_str());
    fprintf(stderr, "quillo: the catalog is written, but it has no thumbnail files\n");
    return kExitThumbnails;
  }
  // Ctrl-C ends the step after the pictures in hand, leaving only whole thumbnail files; a second one ends
  // the program at once.
  g_interrupted = 0;
  signal(SIGINT, on_interrupt);
  const ConsoleThumbnails console = terminal_console(private_folder);
  ConsoleThumbnailResult made;
  g_qt_loaded = true;
  module.make(&console, thumbs.c_str(), &made);
  signal(SIGINT, SIG_DFL);
  g_clock.lap("thumbnails");
  g_progress.finish();
  if (g_progress.enabled)
    fprintf(stderr, "quillo: %d thumbnails written, %d pictures could not be decoded\n", made.written,
            made.unreadable);
  if (made.interrupted) {
    fprintf(stderr, "quillo: interrupted: some pictures have no thumbnail file\n");
    return kExitInterrupted;
  }
  if (made.complete()) return 0;
  fprintf(stderr, "quillo: the catalog is written, but %s\n",
          made.folder_missing
              ? "it has no thumbnail folder"
              : (std::to_string(made.unwritten) + " thumbnail files could not be written").c_str());
  return kExitThumbnails;
}

int run(const CliOptions &o) {
  std::string why;
  bool first_run = false;
  std::string settings = settings_folder(o, &first_run, &why);
  if (settings.empty()) return fail(why);
  // A cache mode names the engine's special target and output instead of folders.
  bool cache_mode = !o.mode.empty();
  std::string folder = cache_mode ? (o.mode == "backup" ? "$iecache" : "$backup") : absolute(o.folder);
  if (!cache_mode && !is_folder(folder)) return fail("no such folder: " + o.folder);
  std::string private_folder;
  if (int r = hold_lock_file(&private_folder)) return r;
  if (ZunoInit(settings.c_str()) != 0) return fail(ZunoGetLastErr(nullptr));  // whole, not cut at 255 bytes
  if (int r = put_settings(o)) return r;
  if (!o.cache_folder.empty() && ZunoPutStr(ZUNO_CacheFolder, absolute(o.cache_folder).c_str()) != 0)
    return fail("cannot set CacheFolder: " + last_error());
  // Only an engine that yields asks the poll callback, which turns Ctrl-C into an abort.
  if (ZunoGet(ZUNO_CpuPriority) < 100) signal(SIGINT, on_interrupt);
  std::string output = o.output.empty() ? engine_text(ZUNO_OutputPath) : o.output;
  if (output.empty())
    return fail("no output folder: give --output or set OutputPath in quillo.ini", kExitUsage);
  if (!make_folders(output)) return fail("cannot make the output folder " + output + ": " + strerror(errno));
  output = absolute(output);
  if (first_run && g_progress.enabled)
    fprintf(stderr, "quillo: first run: your settings are %s/quillo.ini, catalogs go to %s\n",
            settings.c_str(), output.c_str());
  if (cache_mode) {
    // "$cache_view" and "$site_lunch" stand for the OutputPath setting.
    if (ZunoPutStr(ZUNO_OutputPath, output.c_str()) != 0)
      return fail("cannot set OutputPath: " + last_error());
    output = o.mode == "site" ? "$site_lunch" : "$cache_view";
  }
  ZunoSetProgressProc(on_total, on_step, on_poll, on_tick);

  g_clock.lap("settings");
  int r = ZunoNewMain(settings.c_str(), folder.c_str(), output.c_str());
  g_clock.lap("prepare");
  if (r == ZUNO_BUSY) return fail("the engine is busy");
  int folders = 0, files = 0, outputs = 0, bytes = 0;
  if (!gather()) {
    ZunoLastCount(0, &folders, &files, &outputs, &bytes);
    return fail(last_error(), g_interrupted ? kExitInterrupted : kExitFailed);
  }
  g_progress.set_status("カタログ作成中");
  g_clock.lap("gather: done");
  r = ZunoNewMain(settings.c_str(), folder.c_str(), output.c_str());
  g_clock.lap("write pages");
  // The thumbnail step walks the run's list, so the list is kept for it.
  const bool thumbnails = r > 0 && ZunoGet(ZUNO_MakeThumbnail) == 1;
  int pictures = ZunoLastCount(thumbnails ? 1 : 0, &folders, &files, &outputs, &bytes);
  if (r < 0) return fail(last_error(), g_interrupted ? kExitInterrupted : kExitFailed);
  std::string harvested = cache_mode ? folder : o.folder;
  if (r == 0) return fail("no picture of " + harvested + " passed the settings' filters; no catalog written");
  g_progress.finish();

  char area[ZUNO_BUFSIZE] = "";
  char *p = area;
  ZunoLastOutPut(&p);
  std::string catalog = std::string(area) + "/" + engine_text(ZUNO_HtmlOut);
  std::string page = catalog + "/" + o.entry;
  if (g_progress.enabled)
    fprintf(stderr, "quillo: %d of %d pictures placed, %d files, %d folders, %d ms\n", outputs, pictures,
            files, folders, r);
  int status = 0;
  if (thumbnails) {
    status = make_thumbnails(private_folder, catalog + "/Thumbs");
    ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
  }
  printf("%s\n", page.c_str());
  fflush(stdout);
  if (o.open) open_in_browser(page);
  return status;
}

int list_caches() {
  int needed = ZunoListCaches(nullptr, 0);
  std::string text(needed > 0 ? static_cast<size_t>(needed) + 1 : 1, '\0');
  if (needed < 0 || ZunoListCaches(text.data(), static_cast<int>(text.size())) < 0) {
    fprintf(stderr, "quillo: cannot list the browser caches\n");
    return kExitFailed;
  }
  if (needed == 0) fprintf(stderr, "quillo: no Chromium or Firefox cache found\n");
  fputs(text.c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  CliOptions o;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string err = parse_cli_options(args, &o);
  if (o.help) {
    fputs(cli_usage().c_str(), stdout);
    return 0;
  }
  if (o.version) {
    printf("quillo %s\n", QUILLO_VERSION);
    return 0;
  }
  if (o.list_caches) return list_caches();
  if (!err.empty()) {
    fprintf(stderr, "quillo: %s\nTry 'quillo --help'.\n", err.c_str());
    return kExitUsage;
  }
  g_progress.enabled = !o.quiet;
  g_progress.bar = !o.quiet && isatty(STDERR_FILENO);
  g_clock.enabled = o.timings;
  const int status = run(o);
  if (g_qt_loaded) end_past_qt(status);
  return status;
}
