// The private folder inside the shared temporary folder that holds every fixed
// name the engine makes there (error log, lock file, listings, picture view).
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/platform.h"

namespace plat {

namespace {

std::string shared_temp_dir() {
  for (const char *name : {"TEMP", "TMPDIR"}) {
    const char *v = ops.getenv(name);
    if (v && *v) return v;
  }
  return "/tmp";
}

// Examines the folder through a descriptor opened without following a link, so the
// answer is about the very folder the name held, not one a link swapped in afterwards.
TempRefusal examine_private_dir(const std::string &path, int *err) {
  struct statx named;
  if (ops.statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE, &named) != 0) {
    *err = errno;
    return TempRefusal::cannot_make;
  }
  if (S_ISLNK(named.stx_mode)) return TempRefusal::link;
  if (!S_ISDIR(named.stx_mode)) return TempRefusal::not_folder;
  int fd = ops.open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0);
  if (fd < 0) {
    *err = errno;
    return errno == ELOOP     ? TempRefusal::link
           : errno == ENOTDIR ? TempRefusal::not_folder
                              : TempRefusal::cannot_make;
  }
  struct stat st;
  TempRefusal refusal = TempRefusal::none;
  if (ops.fstat(fd, &st) != 0) {
    *err = errno;
    refusal = TempRefusal::cannot_make;
  } else if (!S_ISDIR(st.st_mode)) {
    refusal = TempRefusal::not_folder;
  } else if (st.st_uid != ops.geteuid()) {
    refusal = TempRefusal::not_owned;
  } else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    refusal = TempRefusal::open_to_others;
  }
  ops.close(fd);
  return refusal;
}

}  // namespace

TempFolder check_temp_dir() {
  TempFolder t;
  std::string base = shared_temp_dir();
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  t.candidate = (base == "/" ? "" : base) + "/quillo-" + std::to_string(ops.geteuid());
  if (ops.mkdir(t.candidate.c_str(), 0700) != 0 && errno != EEXIST) {
    t.err = errno ? errno : EIO;
    t.refusal = TempRefusal::cannot_make;
    return t;
  }
  t.refusal = examine_private_dir(t.candidate, &t.err);
  if (t.refusal == TempRefusal::none) t.path = t.candidate;
  return t;
}

std::string temp_dir() {
  return check_temp_dir().path;
}

}  // namespace plat
