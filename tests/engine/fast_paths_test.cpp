// The fast paths give what the plain ones gave: a kernel copy and a buffered copy
// write the same file, the sort by position keeps every record's chain place and the
// stable order of the key, and the mirror folders are made once per folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "collect/collect_steps.h"
#include "collect/file_types.h"
#include "collect/list_sort.h"
#include "collect/picture_header.h"
#include "core/engine_state.h"
#include "core/file_list.h"
#include "engine_fixture.h"
#include "platform/ops.h"
#include "platform/platform.h"
#include "zuno.h"

namespace {

plat::Ops g_real;
int g_kernel_copies = 0, g_preads = 0, g_mkdirs = 0, g_statx = 0;
int g_refusal = 0;  // the errno every kernel copy is refused with, 0 for none

ssize_t counting_copy_file_range(int in, off_t *in_off, int out, off_t *out_off, size_t n, unsigned flags) {
  ++g_kernel_copies;
  if (g_refusal) {
    errno = g_refusal;
    return -1;
  }
  return g_real.copy_file_range(in, in_off, out, out_off, n, flags);
}
// A file system that copies nothing and says so with 0 at the start of the file.
ssize_t empty_copy_file_range(int, off_t *, int, off_t *, size_t, unsigned) {
  ++g_kernel_copies;
  return 0;
}
ssize_t counting_pread(int fd, void *buf, size_t n, off_t offset) {
  ++g_preads;
  return g_real.pread(fd, buf, n, offset);
}
int counting_statx(int dir_fd, const char *path, int flags, unsigned mask, struct statx *st) {
  ++g_statx;
  return g_real.statx(dir_fd, path, flags, mask, st);
}
int g_opens = 0, g_opens_in_folder = 0;
int counting_open(const char *path, int flags, mode_t mode) {
  ++g_opens;
  return g_real.open(path, flags, mode);
}
int counting_openat(int dir_fd, const char *name, int flags, mode_t mode) {
  ++g_opens_in_folder;
  return g_real.openat(dir_fd, name, flags, mode);
}
std::vector<std::string> g_sources;  // pictures opened by path for reading, in order
int recording_open(const char *path, int flags, mode_t mode) {
  if ((flags & (O_ACCMODE | O_DIRECTORY)) == O_RDONLY && strstr(path, "/pics/")) g_sources.push_back(path);
  return g_real.open(path, flags, mode);
}
int g_fstats = 0;
int counting_fstat(int fd, struct stat *st) {
  ++g_fstats;
  return g_real.fstat(fd, st);
}
int counting_mkdir(const char *path, mode_t mode) {
  ++g_mkdirs;
  return g_real.mkdir(path, mode);
}

class FastPaths : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_real = plat::default_ops();
    g_kernel_copies = g_preads = g_mkdirs = g_statx = g_refusal = 0;
  }
  void count_calls(plat::ScopedOps &os) {
    os->copy_file_range = counting_copy_file_range;
    os->pread = counting_pread;
    os->mkdir = counting_mkdir;
    os->statx = counting_statx;
  }
  // Bytes no two offsets of which repeat in a short cycle, so a block written twice or skipped shows.
  static std::string varied_bytes(size_t n) {
    std::string s(n, '\0');
    std::mt19937 gen(7);
    for (char &c : s) c = static_cast<char>(gen());
    return s;
  }
  // A source with set, distinct times, as a copy must carry them.
  std::string source(const std::string &name, const std::string &bytes) {
    std::string p = write(name, bytes);
    EXPECT_EQ(plat::set_times(p, 1000000000, 1200000000), 0);
    return p;
  }
  struct Copy {
    std::string bytes;
    int64_t accessed = 0, modified = 0;
    mode_t mode = 0;
  };
  Copy copy_of(const std::string &p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return {read(p.substr(dir_.size() + 1)), st.st_atime, st.st_mtime, st.st_mode};
  }
};

TEST_F(FastPaths, KernelAndBufferedCopiesWriteTheSameWholeFileWithItsTimes) {
  // Empty, below one buffer, several buffers with a ragged end.
  for (size_t size : {size_t{0}, size_t{3000}, size_t{(1 << 16) * 5 + 123}}) {
    SCOPED_TRACE(size);
    std::string bytes = varied_bytes(size);
    std::string src = source("src/p" + std::to_string(size) + ".jpg", bytes);
    plat::Stat st;
    ASSERT_TRUE(plat::stat_path(src, &st));
    std::vector<Copy> copies;
    for (int refusal : {0, EXDEV, ENOSYS, EOPNOTSUPP, EINVAL}) {
      SCOPED_TRACE(refusal);
      // Each copy reads the source, which moves its access time on: set it again.
      ASSERT_EQ(plat::set_times(src, 1000000000, 1200000000), 0);
      ASSERT_TRUE(plat::stat_path(src, &st));
      plat::ScopedOps os;
      count_calls(os);
      g_refusal = refusal;
      g_preads = 0;
      std::string dest = mkdir("out" + std::to_string(size) + "_" + std::to_string(refusal));
      std::string copied;
      ASSERT_EQ(bincopy(3, src.c_str(), dest.c_str(), &copied), 0) << engine().last_error;
      EXPECT_EQ(copied, dest + "/p" + std::to_string(size) + ".jpg");
      if (refusal == 0 || size == 0)
        EXPECT_EQ(g_preads, 0) << "the kernel copy reads nothing through the buffer, nor an empty file";
      else
        EXPECT_GT(g_preads, 0) << "a refused kernel copy falls back to the buffer";
      copies.push_back(copy_of(copied));
      std::vector<std::string> names;
      ASSERT_TRUE(plat::list_dir(dest, &names));
      EXPECT_EQ(names.size(), 1u) << "no temporary is left beside the copy";
    }
    if (size > 0) {
      EXPECT_GT(g_kernel_copies, 0);
    }
    for (const Copy &c : copies) {
      EXPECT_TRUE(c.bytes == bytes) << "the copy holds every byte, in order";
      EXPECT_EQ(c.accessed, 1000000000);
      EXPECT_EQ(c.modified, st.created) << "the copy carries the time the engine always gave it";
      EXPECT_TRUE(S_ISREG(c.mode));
      EXPECT_EQ(c.mode, copies[0].mode) << "both ways give the copy the same permissions";
    }
  }
}

TEST_F(FastPaths, AKernelCopyThatCopiesNothingFallsBackToTheBuffer) {
  std::string bytes = varied_bytes(100000);
  std::string src = source("src/a.png", bytes);
  std::string dest = mkdir("out");
  plat::ScopedOps os;
  count_calls(os);
  os->copy_file_range = empty_copy_file_range;
  ASSERT_EQ(bincopy(3, src.c_str(), dest.c_str()), 0) << engine().last_error;
  EXPECT_EQ(g_kernel_copies, 1);
  EXPECT_TRUE(read("out/a.png") == bytes);
}

TEST_F(FastPaths, AnExistingCopyIsKeptOrReplacedByModeAsBefore) {
  std::string src = source("src/a.gif", "new bytes");
  std::string dest = mkdir("out");
  write("out/a.gif", "old");
  plat::ScopedOps os;
  count_calls(os);
  ASSERT_EQ(bincopy(1, src.c_str(), dest.c_str()), 0);
  EXPECT_EQ(read("out/a.gif"), "old");
  EXPECT_EQ(g_kernel_copies, 0) << "a kept file is not read at all";
  ASSERT_EQ(bincopy(3, src.c_str(), dest.c_str()), 0);
  EXPECT_EQ(read("out/a.gif"), "new bytes");
}

// A hand-made list of files under `root`, in the scan's folder-by-folder order.
FileNode *list_files(const std::vector<std::string> &paths) {
  FileNode *n = &engine().files;
  for (const std::string &p : paths) {
    set_node_text(&n->path, p);
    n->type = TYPE_JPEG;
    n->depth = 1;
    n->next = new_node();
    n = n->next;
  }
  return &engine().files;
}

TEST_F(FastPaths, MirrorFoldersAreMadeOncePerFolderAndEveryCopyLandsInIt) {
  std::vector<std::string> paths;
  for (const char *folder : {"", "/a", "/a/b", "/c", "/a"})
    for (int i = 0; i < 4; ++i) {
      std::string name = std::string("root") + folder + "/f" + std::to_string(paths.size()) + ".JPG";
      paths.push_back(source(name, "picture " + name));
    }
  std::string out = mkdir("out");
  FileNode *head = list_files(paths);
  {
    plat::ScopedOps os;
    count_calls(os);
    ASSERT_EQ(zunocopy(3, head, out.c_str(), path("root").c_str()), 0) << engine().last_error;
    EXPECT_EQ(g_mkdirs, 4) << "Images, a, a/b, c: each once";
    // Each copy looks at its open source once; the folders this run made, and the names
    // in them, are never looked at: only Images is, once.
    EXPECT_EQ(g_statx, static_cast<int>(paths.size()) + 1);
  }
  size_t i = 0;
  for (FileNode *n = head; is_listed(n); n = n->next, ++i) {
    std::string rel = paths[i].substr(path("root").size());
    std::string expected = out + "/Images" + rel.substr(0, rel.size() - 4) + ".jpg";
    EXPECT_EQ(std::string(n->path), expected);
    EXPECT_EQ(read(expected.substr(dir_.size() + 1)), "picture root" + rel);
  }
}

TEST_F(FastPaths, AFileInTheWayOfAMirrorFolderStillFailsTheCopy) {
  std::string a = source("root/x/a.jpg", "a");
  std::string b = source("root/y/b.jpg", "b");
  std::string out = mkdir("out");
  write("out/Images/y", "the user's own file");
  FileNode *head = list_files({a, b});
  EXPECT_EQ(zunocopy(3, head, out.c_str(), path("root").c_str()), -1);
  EXPECT_NE(std::string(engine().last_error).find("フォルダを作れません"), std::string::npos);
  EXPECT_EQ(read("out/Images/y"), "the user's own file");
  EXPECT_EQ(read("out/Images/x/a.jpg"), "a");
}

// One record of the sort tests: every key the sort types read, and an identity.
struct Keys {
  std::string name;  // the file name, the identity
  int64_t accessed, created, modified, taken;
  int16_t width, height;
};

// The order the sort must give, made the plain way: whole records, stably sorted.
std::vector<std::string> expected_order(std::vector<Keys> items, int type, int mode) {
  auto key = [type](const Keys &k) -> int64_t {
    switch (type) {
      case 1:
        return k.accessed;
      case 2:
        return k.created;
      case 3:
        return int64_t{k.width} * k.height;
      case 5:
        return k.taken ? k.taken : k.modified;
      default:
        return 0;
    }
  };
  auto stem = [](const std::string &name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  };
  std::stable_sort(items.begin(), items.end(), [&](const Keys &a, const Keys &b) {
    int c = 0;
    if (type == 4)
      c = compare_names(stem(a.name).c_str(), stem(b.name).c_str());
    else
      c = key(a) < key(b) ? -1 : key(a) > key(b) ? 1 : 0;
    return mode == 0 ? c > 0 : c < 0;
  });
  std::vector<std::string> out;
  for (const Keys &k : items) out.push_back(k.name);
  return out;
}

// Records with many ties on every key, names with shared prefixes, top-bit bytes and dots.
std::vector<Keys> mixed_records() {
  std::vector<Keys> items;
  std::mt19937 gen(11);
  const char *stems[] = {"a", "ab", "abc", "B", "b", "\xc1", ".hidden", "a.b", "z9", "z10"};
  for (int i = 0; i < 60; ++i) {
    Keys k;
    k.name = std::string(stems[gen() % 10]) + (i % 3 ? ".jpg" : ".png") + (i % 7 ? "" : ".gif");
    k.name = std::to_string(i) + "_" + k.name;
    if (i % 4 == 0) k.name = stems[gen() % 10] + std::string(".jpg");  // same names, told apart below
    k.accessed = gen() % 5;
    k.created = (gen() % 3) * 5000000000LL;
    k.modified = gen() % 4;
    k.taken = gen() % 2 ? gen() % 4 : 0;
    k.width = static_cast<int16_t>(gen() % 3 + 1);
    k.height = static_cast<int16_t>(gen() % 2 + 1);
    items.push_back(k);
  }
  return items;
}

TEST_F(FastPaths, EverySortTypeGivesTheStableOrderAndKeepsTheChain) {
  std::vector<Keys> items = mixed_records();
  for (int type = 0; type <= 5; ++type)
    for (int mode : {0, 1}) {
      SCOPED_TRACE("type " + std::to_string(type) + " mode " + std::to_string(mode));
      reset_engine();
      std::vector<FileNode *> chain;
      FileNode *n = &engine().files;
      for (size_t i = 0; i < items.size(); ++i) {
        const Keys &k = items[i];
        set_node_text(&n->path, "/d" + std::to_string(i % 3) + "/" + k.name);
        set_node_text(&n->source, std::to_string(i));  // the identity, whatever the name
        n->accessed = k.accessed;
        n->created = k.created;
        n->modified = k.modified;
        n->taken = k.taken;
        n->width = k.width;
        n->height = k.height;
        n->size = static_cast<int64_t>(i);
        chain.push_back(n);
        n->next = new_node();
        n = n->next;
      }
      FileNode *terminal = n;
      // Ties are told apart by the original position, so number the expectation's records.
      std::vector<Keys> numbered = items;
      for (size_t i = 0; i < numbered.size(); ++i) numbered[i].name += "#" + std::to_string(i);
      std::vector<std::string> expected = expected_order(numbered, type, mode);
      ASSERT_EQ(sort_list(type, mode, &engine().files), 0);
      std::vector<std::string> got;
      size_t at = 0;
      for (FileNode *m = &engine().files; is_listed(m); m = m->next, ++at) {
        ASSERT_LT(at, chain.size());
        EXPECT_EQ(m, chain[at]) << "every record keeps its place in the chain";
        int id = atoi(m->source);
        EXPECT_EQ(m->size, id) << "a record's fields move together";
        EXPECT_EQ(std::string(m->path), "/d" + std::to_string(id % 3) + "/" + items[id].name);
        got.push_back(items[id].name + "#" + std::to_string(id));
      }
      EXPECT_EQ(chain[items.size() - 1]->next, terminal);
      EXPECT_EQ(terminal->next, nullptr);
      EXPECT_EQ(got, expected);
    }
}

TEST_F(FastPaths, ASortOfOneRecordOrNoneChangesNothing) {
  ASSERT_EQ(sort_list(4, 1, &engine().files), 0);
  EXPECT_EQ(engine().files.next, nullptr);
  set_node_text(&engine().files.path, "/d/only.jpg");
  engine().files.next = new_node();
  ASSERT_EQ(sort_list(5, 0, &engine().files), 0);
  EXPECT_STREQ(engine().files.path, "/d/only.jpg");
  EXPECT_FALSE(is_listed(engine().files.next));
}

// Headers read with reads in flight give what one reader alone gives.
std::string g_calls;  // the progress callbacks in the order they came
std::atomic<int> g_warmed{0};
void on_total(int count) {
  g_calls += "T" + std::to_string(count) + " ";
}
void on_step() {
  g_calls += "S";
}
void on_poll() {
  g_calls += "P";
}
void on_tick() {
  g_calls += "K";
}
int counting_warm_file(const char *path, size_t n) {
  ++g_warmed;
  return g_real.warm_file(path, n);
}

// A disk slow enough that the reader does not outrun the threads' start.
ssize_t slow_pread(int fd, void *buf, size_t n, off_t offset) {
  struct timespec wait = {0, 300000};
  nanosleep(&wait, nullptr);
  return g_real.pread(fd, buf, n, offset);
}

// A clock that moves one microsecond a reading: every file comes at once, as from a warm cache.
int fast_clock(clockid_t, struct timespec *now) {
  static int64_t us = 0;
  ++us;
  *now = {static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
  return 0;
}

// A GIF header of a given size: enough for the header reader, made without a converter.
std::string gif_header(uint16_t w, uint16_t h) {
  std::string s = "GIF89a";
  for (uint16_t v : {w, h}) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
  }
  return s + std::string("\x80\0\0", 3) + std::string(600, '\0') + ";";
}

class ReadsInFlight : public FastPaths {
 protected:
  void SetUp() override {
    FastPaths::SetUp();
    settings_ = program_settings("prog");
    ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
    out_ = mkdir("out");
    ZunoPutStr(ZUNO_OutputPath, out_.c_str());
    ZunoPut(ZUNO_CpuPriority, 100);
    ZunoPut(ZUNO_SubdirDepth, 5);
    target_ = mkdir("pics");
    picture("pics/real.jpg", 120, 90);
    picture("pics/sub/real.webp", 64, 32);
    // Real PNG and BMP pictures of a few sizes, each under many names, and generated GIFs.
    std::vector<std::string> models;
    for (int i = 0; i < 3; ++i)
      models.push_back(read(picture("models/m" + std::to_string(i) + ".png", 30 + i, 20)));
    models.push_back(read(picture("models/m.bmp", 12, 34)));
    for (int i = 0; i < 400; ++i) {
      std::string folder = "pics/" + std::string(i % 3 == 0 ? "" : i % 3 == 1 ? "a/" : "a/b/");
      if (i % 2 == 0)
        write(folder + "g" + std::to_string(i) + ".gif", gif_header(static_cast<uint16_t>(5 + i), 7));
      else if (i % 7 == 0)
        write(folder + "m" + std::to_string(i) + ".bmp", models[3]);
      else
        write(folder + "p" + std::to_string(i) + ".png", models[i % 3]);
    }
    write("pics/a/cut.png", models[0].substr(0, 20));  // too short: left out
    write("pics/a/notes.txt", "no picture");
  }
  void TearDown() override {
    plat::read_ahead_readers = 9;
    ZunoSetProgressProc(nullptr, nullptr, nullptr, nullptr);
    FastPaths::TearDown();
  }

  // The list a gathering leaves, every field a page or a filter reads, and the callbacks on the way.
  std::string gather_with(int readers) {
    plat::read_ahead_readers = readers;
    g_calls.clear();
    ZunoSetProgressProc(on_total, on_step, on_poll, on_tick);
    EXPECT_GE(ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0);
    EXPECT_EQ(gather(), "完了");
    std::string list;
    for (FileNode *n = &engine().files; is_listed(n); n = n->next) {
      list += std::string(n->path) + " d" + std::to_string(n->depth) + " t" + std::to_string(n->type) + " f" +
              std::to_string(n->flags) + " " + std::to_string(n->width) + "x" + std::to_string(n->height) +
              " " + std::to_string(n->disp_width) + "x" + std::to_string(n->disp_height) + " k" +
              std::to_string(n->size_kb) + " p" + std::to_string(n->passed) + " b" +
              std::to_string(n->banner) + " " + std::to_string(n->pixel_width) + "x" +
              std::to_string(n->pixel_height) + "\n";
    }
    // The pages are written from the list too, with their own callbacks.
    EXPECT_GT(ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0);
    ZunoSetProgressProc(nullptr, nullptr, nullptr, nullptr);
    int folders = 0, files = 0, outputs = 0, bytes = 0;
    int pictures = ZunoLastCount(0, &folders, &files, &outputs, &bytes);
    return list + "calls " + g_calls + "\nerror " + engine().last_error + "\ncounts " +
           std::to_string(pictures) + " " + std::to_string(folders) + " " + std::to_string(files) + " " +
           std::to_string(outputs) + " " + std::to_string(bytes);
  }

  std::string settings_, out_, target_;
};

// The first line where two gatherings part, for a short failure message.
std::string first_difference(const std::string &a, const std::string &b) {
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  size_t line = a.rfind('\n', at);
  line = line == std::string::npos ? 0 : line + 1;
  return "alone:   " + a.substr(line, 160) + "\nreaders: " + b.substr(line, 160);
}

TEST_F(ReadsInFlight, TheListAndTheCallbacksAreTheSameAsWithOneReader) {
  plat::ScopedOps os;
  os->warm_file = counting_warm_file;
  os->pread = slow_pread;
  std::string alone = gather_with(1);
  EXPECT_EQ(g_warmed, 0) << "one reader warms nothing";
  EXPECT_NE(alone.find("p1.png d1 t4 f0 31x20"), std::string::npos) << "the headers were read";
  EXPECT_NE(alone.find("m7.bmp d1 t8 f0 12x34"), std::string::npos);
  EXPECT_NE(alone.find("11x7"), std::string::npos);
  EXPECT_NE(alone.find("real.webp d1 t128 f0 64x32"), std::string::npos);
  EXPECT_NE(alone.find("cut.png d1 t4 f0 0x0 0x0 k-1"), std::string::npos) << "a cut picture is left out";
  EXPECT_NE(alone.find("calls KKK"), std::string::npos) << alone.substr(alone.find("calls"));
  for (int readers : {9, 2, 17}) {
    SCOPED_TRACE(readers);
    g_warmed = 0;
    std::string with = gather_with(readers);
    EXPECT_TRUE(with == alone) << first_difference(alone, with);
    EXPECT_GT(g_warmed, 0) << "the other readers warmed files";
  }
}

TEST_F(ReadsInFlight, AFastDiskIsReadWithoutTheThreads) {
  plat::ScopedOps os;
  os->warm_file = counting_warm_file;
  os->clock_gettime = fast_clock;
  std::string alone = gather_with(1);
  g_warmed = 0;
  std::string with = gather_with(9);
  EXPECT_EQ(g_warmed, 0) << "waking threads would cost more than the reads they save";
  EXPECT_TRUE(with == alone) << first_difference(alone, with);
}

TEST_F(ReadsInFlight, AFileThatCannotBeWarmedIsStillReadByTheReader) {
  plat::ScopedOps os;
  std::string alone = gather_with(1);
  os->pread = slow_pread;
  os->warm_file = [](const char *, size_t) {
    ++g_warmed;
    errno = EIO;
    return -1;
  };
  g_warmed = 0;
  std::string with = gather_with(9);
  EXPECT_GT(g_warmed, 0);
  EXPECT_TRUE(with == alone) << first_difference(alone, with);
}

// Steps the gathering up to the header reads: the list is made, no header is read yet.
void gather_until_headers() {
  char area[ZUNO_BUFSIZE] = "";
  char *buf = area;
  for (int i = 0; i < 10 && std::string(area) != "情報取り出し中"; ++i) ZunoGetFiles(&buf);
  ASSERT_EQ(std::string(area), "情報取り出し中");
}

TEST_F(ReadsInFlight, AListedPictureIsOpenedInItsFolderWithoutAskingItsSizeAgainButOnlyOnce) {
  plat::ScopedOps os;
  os->fstat = counting_fstat;
  os->open = counting_open;
  os->openat = counting_openat;
  plat::read_ahead_readers = 1;
  ASSERT_GE(ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0);
  EXPECT_EQ(gather(), "完了");
  EXPECT_LT(g_fstats, 40) << "the headers of about 400 listed pictures were read without an fstat each";
  EXPECT_LT(g_opens, 40) << "each folder is opened by its path once, not each picture";
  EXPECT_GT(g_opens_in_folder, 390);
  // A second look at the same nodes (as a later view of the list takes) asks the files again.
  g_fstats = 0;
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) {
    if (n->type != TYPE_PNG || n->size_kb < 0) continue;
    EXPECT_GE(read_picture_node(nullptr, n), 0) << n->path;
  }
  EXPECT_GT(g_fstats, 100);
}

TEST_F(ReadsInFlight, APictureChangedAfterTheListingIsReadAsItIsNowAndNothingHangs) {
  ASSERT_GE(ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0);
  gather_until_headers();
  // Between the listing and the header reads: one picture cut short, one grown, one turned into a fifo
  // (a blocking open would hang the run), one into a folder, one removed.
  std::string pics = dir_ + "/pics/";
  ASSERT_EQ(::truncate((pics + "p3.png").c_str(), 10), 0);
  write("pics/g0.gif", gif_header(77, 66) + std::string(100000, 'x'));
  ASSERT_EQ(::unlink((pics + "g6.gif").c_str()), 0);
  ASSERT_EQ(::mkfifo((pics + "g6.gif").c_str(), 0600), 0);
  ASSERT_EQ(::unlink((pics + "g12.gif").c_str()), 0);
  ASSERT_EQ(::mkdir((pics + "g12.gif").c_str(), 0700), 0);
  ASSERT_EQ(::unlink((pics + "g18.gif").c_str()), 0);
  EXPECT_EQ(gather(), "完了");
  std::string list;
  for (FileNode *n = &engine().files; is_listed(n); n = n->next)
    list += std::string(n->path).substr(pics.size()) + " " + std::to_string(n->width) + "x" +
            std::to_string(n->height) + " k" + std::to_string(n->size_kb) + "\n";
  EXPECT_NE(list.find("p3.png 0x0 k-1"), std::string::npos) << list.substr(0, 400);
  EXPECT_NE(list.find("g0.gif 77x66"), std::string::npos);
  for (const char *gone : {"g6.gif 0x0 k-1", "g12.gif 0x0 k-1", "g18.gif 0x0 k-1"})
    EXPECT_NE(list.find(gone), std::string::npos) << gone;
  EXPECT_NE(list.find("g24.gif 29x7 k0"), std::string::npos) << "the rest is read as always";
}

TEST_F(FastPaths, FilesOpenedFolderByFolderAreTheFilesTheirPathsName) {
  std::string a = write("a/x.gif", "in a"), b = write("b/x.gif", "in b"), top = write("x.gif", "on top");
  std::string ab = write("a/b/x.gif", "in a/b");
  plat::FolderCursor folders;
  // Back and forth between folders, one of them a prefix of the other, and a doubled slash.
  const std::pair<std::string, std::string> files[] = {{a, "in a"},
                                                       {b, "in b"},
                                                       {a, "in a"},
                                                       {ab, "in a/b"},
                                                       {a, "in a"},
                                                       {top, "on top"},
                                                       {dir_ + "//x.gif", "on top"}};
  for (const auto &[path, bytes] : files) {
    int fd = folders.open_file(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0) << path;
    char got[16] = "";
    ASSERT_GT(::read(fd, got, sizeof got - 1), 0);
    ::close(fd);
    EXPECT_EQ(got, bytes) << path;
  }
  EXPECT_LT(folders.open_file((dir_ + "/a/none.gif").c_str(), O_RDONLY), 0);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_LT(folders.open_file((dir_ + "/gone/x.gif").c_str(), O_RDONLY), 0) << "a folder that is not there";
}

TEST_F(ReadsInFlight, CopiesGoFolderByFolderWhateverTheCatalogsOrder) {
  // Sorted by name, the catalog alternates between the three folders at nearly every picture.
  ZunoPut(ZUNO_SortType, 4);
  ZunoPut(ZUNO_FileCopy, 1);
  plat::ScopedOps os;
  os->open = recording_open;
  g_sources.clear();
  ASSERT_GE(ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0);
  ASSERT_EQ(gather(), "完了") << engine().last_error;
  ASSERT_GT(g_sources.size(), 390u);
  int switches = 0;
  auto folder = [](const std::string &p) { return p.substr(0, p.rfind('/')); };
  for (size_t i = 1; i < g_sources.size(); ++i) switches += folder(g_sources[i]) != folder(g_sources[i - 1]);
  // The scan lists a subfolder where it meets it: four folders, each entered and left once.
  EXPECT_LE(switches, 6) << "each folder's sources are read together";
  // Every node now names its copy, and the list keeps the catalog's order.
  std::string previous;
  int copies = 0;
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) {
    if (n->type == TYPE_FOLDER || is_folder_entry(n) || n->size_kb < 0) continue;
    std::string path = n->path;
    EXPECT_NE(path.find("/Images/"), std::string::npos) << path;
    EXPECT_TRUE(plat::exists(path)) << path;
    ++copies;
  }
  EXPECT_GT(copies, 390);
}

}  // namespace
