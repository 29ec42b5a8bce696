// The engine's one seam to the operating system. Nothing outside engine/platform/
// calls the OS directly, and the services here make every raw call through the
// table `plat::ops` (ops.h), which tests swap with plat::ScopedOps to inject
// short writes, EIO, ENOSPC and refusals.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ops.h"

namespace plat {

struct Stat {
  bool is_dir = false;
  bool is_file = false;
  bool writable = false;  // owner write bit
  bool is_link = false;   // the name is a symbolic link (the rest describes its target); stat_entry only
  int64_t size = 0;
  int64_t accessed = 0;  // seconds since 1970
  int64_t modified = 0;
  int64_t created = 0;  // birth time where the file system has one, else modified
  uint64_t dev = 0, ino = 0;
};

// Status of a path, following symbolic links. false (errno set) when it cannot be read.
bool stat_path(const std::string &path, Stat *st);
// The same for a folder entry, telling whether the name itself is a symbolic link:
// one query for ordinary entries, two for links.
bool stat_entry(const std::string &path, Stat *st);
bool exists(const std::string &path);
bool is_dir(const std::string &path);
// True when this user may write into the path (permissions and a read-only mount alike).
bool may_write(const std::string &path);

// Names in a folder in enumeration order, without "." and "..". false when unreadable.
bool list_dir(const std::string &folder, std::vector<std::string> *names);

// A folder listed once and held open, so its entries are looked at by name relative
// to it: the kernel walks the folder's path once, not once per entry.
class OpenFolder {
 public:
  OpenFolder() = default;
  ~OpenFolder();
  OpenFolder(const OpenFolder &) = delete;
  OpenFolder &operator=(const OpenFolder &) = delete;
  // Lists the folder as list_dir does, keeping it open; false (errno set) when unreadable.
  bool list(const std::string &folder, std::vector<std::string> *names);
  // stat_entry of the entry `name` of the listed folder.
  bool stat_entry(const std::string &name, Stat *st) const;

 private:
  DIR *dir_ = nullptr;
};

// True for the kernel's own file systems (proc, sysfs, cgroup ...): endless, and no pictures.
bool is_virtual_fs(const std::string &folder);

// Whole-file helpers. read_file: false (errno set) on any failure.
bool read_file(const std::string &path, std::string *out);
// Writes `data` to a fresh file beside `path`, checks every write, fsync and close,
// then renames it over `path`. On failure nothing at `path` changes; returns 0 or an errno.
int write_file_atomic(const std::string &path, const std::string &data);
// The same without the fsync: whole or nothing for every reader and for a process
// that dies midway, but not for a power loss. For output a run can make again (the
// catalog pages), where a sync per page would cost more than the scan.
int write_file_replace(const std::string &path, const std::string &data);
// Writes all of `data` to fd, retrying short writes; 0 or an errno.
int write_all(int fd, const void *data, size_t n);

// Temporary files beside a destination, renamed into place when complete.
// temporary_name returns `path` + ".part<pid>_<serial>", a name no other process
// and no other call of this one uses. open_temporary creates a fresh file of such a
// name for writing: its descriptor with *tmp set, or -1 (errno set).
std::string temporary_name(const std::string &path);
int open_temporary(const std::string &path, std::string *tmp);
// Removes the temporaries of processes that are no longer running (plain files
// named "*.part<digits>_<digits>" directly in `folder`), left by a run that was
// killed midway. Returns how many were removed (0 when the folder is unreadable).
int remove_stale_temporaries(const std::string &folder);

// Opens files of a list folder by folder. A run reads its list in the order the scan made it, so the
// files of a folder come together; opening each by its name inside the folder's descriptor spares the
// kernel the walk of every path from the root (an eighth of a large run's time).
class FolderCursor {
 public:
  FolderCursor() = default;
  ~FolderCursor();
  FolderCursor(const FolderCursor &) = delete;
  FolderCursor &operator=(const FolderCursor &) = delete;
  // A descriptor of `path` opened with flags as open(2) would give; -1 (errno set) when it cannot be.
  int open_file(const char *path, int flags);

 private:
  std::string folder_;
  int fd_ = -1;
};

// A read-only file with bounded positioned reads.
class InFile {
 public:
  InFile() = default;
  ~InFile();
  InFile(const InFile &) = delete;
  InFile &operator=(const InFile &) = delete;
  bool open(const std::string &path);  // false (errno set) when it cannot be opened as a regular file
  // A file the caller has just listed as regular with this size: one system call fewer per file, which a
  // run over a large tree pays a hundred thousand times. Reads past what it really holds come back short.
  bool open_listed(const char *path, int64_t listed_size, FolderCursor *folders = nullptr);
  int64_t size() const { return size_; }
  // Reads up to n bytes at offset; returns the count read (0 past the end, -1 on error).
  ssize_t read_at(int64_t offset, void *buf, size_t n);
  void close();

 private:
  int fd_ = -1;
  int64_t size_ = 0;
};

// Keeps reads of upcoming files in flight while one reader takes them in list order: a
// few threads read the first bytes of the files at most `ahead` places past the
// reader into the page cache, so a cold disk serves many at once. The reader reads
// every byte itself as before; the threads only warm, and what they meet is ignored.
// `paths` must outlive the object, which stops and joins its threads when destroyed.
class ReadAhead {
 public:
  ReadAhead(const std::vector<const char *> &paths, int threads, size_t ahead, size_t window);
  ~ReadAhead();
  ReadAhead(const ReadAhead &) = delete;
  ReadAhead &operator=(const ReadAhead &) = delete;
  // The reader has come to paths[index].
  void reached(size_t index);
  struct Shared;

 private:
  Shared *shared_;
};
// How many readers take part in a read ahead, the engine's own thread included: 1
// reads alone. An engine-internal knob, so tests can compare with a reading alone.
extern int read_ahead_readers;

int make_dir(const std::string &path);                                       // 0 or errno (EEXIST included)
int remove_file(const std::string &path);                                    // 0 or errno
int remove_dir(const std::string &path);                                     // 0 or errno
int rename_path(const std::string &from, const std::string &to);             // 0 or errno
int set_times(const std::string &path, int64_t accessed, int64_t modified);  // 0 or errno
int set_writable(const std::string &path, bool writable);                    // owner write bit; 0 or errno
// Moves a file (or a symbolic link itself) to the desktop trash of the freedesktop.org
// trash specification: the home trash ($XDG_DATA_HOME/Trash) when the file is on its
// file system, else the mount point's ".Trash-<uid>"; an info file records where it
// came from. `path` must be absolute. 0, or an errno with the file left in place.
int move_to_trash(const std::string &path);

std::string current_dir();
const char *env(const char *name);  // nullptr when unset
// Every fixed name made in the temporary folder lives in a private subfolder of it,
// because TEMP, else TMPDIR, else /tmp is a folder other users can write: a name
// there could be a link they planted. The subfolder "quillo-<uid>" is made with mode
// 0700 when missing and used only while it is a real folder (not a symbolic link),
// owned by this user and writable by nobody else; otherwise it is refused, never
// followed nor repaired, since another user may already have planted names inside.
enum class TempRefusal { none, cannot_make, link, not_folder, not_owned, open_to_others };
struct TempFolder {
  std::string path;       // the verified private folder; empty when refused
  std::string candidate;  // the private folder's name, refused or not
  TempRefusal refusal = TempRefusal::none;
  int err = 0;  // the errno when it could not be made or examined
};
TempFolder check_temp_dir();
// The verified private temporary folder, or "" when it is refused.
std::string temp_dir();
// Appends `data` in one write to the file at `path`, made (mode 0600) when missing. A
// symbolic link or anything but a regular file at `path` is refused (ELOOP, EISDIR),
// never followed. Returns 0 or an errno.
int append_file(const std::string &path, const std::string &data);
int64_t now();  // seconds since 1970
// A time as the C library's asctime writes it, in local time, with its line break:
// "Wed Jun 30 21:49:08 1993\n".
std::string local_time_text(int64_t seconds);
void sleep_ms(int ms);
// Lets any other runnable thread have the processor now; returns at once when none waits.
void yield_cpu();
// Raises the calling thread's nice value to `niceness` (0 to 19); never lowers it, which
// an unprivileged program may not do. Best effort: a refusal leaves the thread as it was.
void lower_thread_priority(int niceness);
// The calling thread's nice value.
int thread_niceness();
std::string error_text(int err);  // the standard text for an errno
// Writes one line (a line break is added) to standard error, for whoever started the program.
void print_error(const std::string &line);

// The canonical absolute form of an existing path ("." and ".." and links
// resolved); false (errno set) when it does not exist.
bool resolve_path(const std::string &path, std::string *out);
// Takes the exclusive run lock of a folder without waiting: 0 with *fd set, EBUSY
// when another run holds it, or an errno. unlock_folder releases it (fd -1 is fine).
int lock_folder(const std::string &folder, int *fd);
void unlock_folder(int *fd);
// Removes a folder and everything below it without following links; 0 or the
// first errno met (what could be removed is gone).
int remove_tree(const std::string &folder);
// Milliseconds of a clock that only moves forward, for run times.
int64_t monotonic_ms();
int64_t monotonic_us();  // the same clock in microseconds

// Shared modules by name.
void *load_module(const std::string &path);
void *module_symbol(void *module, const char *name);
// The folder that holds libzuno.so itself, or the program that links the engine in,
// with symbolic links resolved (a program started through a link on the PATH).
std::string module_dir();

// The engine's one message box: standard error, plus a desktop notification
// through notify-send when a display is present.
void message_box(const char *text, const char *caption);

}  // namespace plat
