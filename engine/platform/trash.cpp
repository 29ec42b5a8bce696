// The desktop trash (freedesktop.org trash specification): a user's own picture is
// moved there rather than destroyed, so a deletion asked for by mistake can be undone
// from the file manager.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/platform.h"

namespace plat {
namespace {

std::string parent_of(const std::string &path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string name_of(const std::string &path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "$XDG_DATA_HOME/Trash", XDG's default ~/.local/share when the variable is unset
// or not absolute; "" when no home is known.
std::string home_trash() {
  const char *data = env("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::string(data) + "/Trash";
  const char *home = env("HOME");
  if (!home || home[0] != '/') return "";
  return std::string(home) + "/.local/share/Trash";
}

// Makes a trash folder with its "files" and "info" folders, private to the user.
// 0 or an errno; a level that is a symbolic link or no folder is refused.
int make_parents(const std::string &folder) {
  if (folder == "/" || folder == "." || is_dir(folder)) return 0;
  if (int err = make_parents(parent_of(folder))) return err;
  return ops.mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST ? errno : 0;
}

int ready_trash(const std::string &trash) {
  if (int err = make_parents(parent_of(trash))) return err;
  for (const std::string &dir : {trash, trash + "/files", trash + "/info"}) {
    if (ops.mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    Stat st;
    if (!stat_entry(dir, &st)) return errno;
    if (st.is_link || !st.is_dir) return ENOTDIR;
  }
  return 0;
}

// The trash for a file on another file system than the home trash: the mount
// point's ".Trash-<uid>", the form every implementation must accept.
std::string mount_trash(const std::string &folder, uint64_t dev) {
  std::string top = folder;
  while (top != "/") {
    Stat st;
    std::string up = parent_of(top);
    if (!stat_path(up, &st) || st.dev != dev) break;
    top = up;
  }
  return (top == "/" ? std::string() : top) + "/.Trash-" + std::to_string(ops.geteuid());
}

std::string percent_path(const std::string &path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' ||
                 c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string deletion_date() {
  time_t t = static_cast<time_t>(now());
  struct tm local {};
  ops.localtime_r(&t, &local);
  char text[80];
  snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
           local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

// The n-th name tried for a file in the trash: "a.jpg", "a.2.jpg", "a.3.jpg" …
std::string trash_name(const std::string &name, int n) {
  if (n == 1) return name;
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return name + "." + std::to_string(n);
  return name.substr(0, dot) + "." + std::to_string(n) + name.substr(dot);
}

// Writes the info file under a name no other entry holds (made with O_EXCL, as the
// trash specification asks, so two programs never share a name). 0 with *name set,
// or an errno.
int claim_info(const std::string &trash, const std::string &path, std::string *name) {
  std::string info = "[Trash Info]\nPath=" + percent_path(path) + "\nDeletionDate=" + deletion_date() + "\n";
  for (int n = 1; n < 10000; ++n) {
    std::string candidate = trash_name(name_of(path), n);
    if (exists(trash + "/files/" + candidate)) continue;
    std::string info_path = trash + "/info/" + candidate + ".trashinfo";
    int fd = ops.open(info_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return errno;
    int err = write_all(fd, info.data(), info.size());
    if (ops.close(fd) != 0 && !err) err = errno ? errno : EIO;
    if (err) {
      ops.unlink(info_path.c_str());
      return err;
    }
    *name = candidate;
    return 0;
  }
  return EEXIST;
}

}  // namespace

int move_to_trash(const std::string &path) {
  if (path.empty() || path[0] != '/') return EINVAL;
  Stat folder;
  if (!stat_path(parent_of(path), &folder)) return errno;
  Stat entry;
  if (!stat_entry(path, &entry)) return errno;
  std::string trash = home_trash();
  Stat home;
  bool same_device =
      !trash.empty() && ready_trash(trash) == 0 && stat_path(trash, &home) && home.dev == folder.dev;
  if (!same_device) {
    trash = mount_trash(parent_of(path), folder.dev);
    if (int err = ready_trash(trash)) return err;
  }
  std::string name;
  if (int err = claim_info(trash, path, &name)) return err;
  if (ops.rename(path.c_str(), (trash + "/files/" + name).c_str()) != 0) {
    int err = errno ? errno : EIO;
    ops.unlink((trash + "/info/" + name + ".trashinfo").c_str());
    return err;
  }
  return 0;
}

}  // namespace plat
