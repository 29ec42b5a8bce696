// What copying a catalog's pictures costs the system per file, and what a copy still
// promises when its source changes under it: every copy is whole or absent, carries its
// source's times, and an existing file is kept or replaced as the copy mode says.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "collect/collect_steps.h"
#include "collect/file_types.h"
#include "core/engine_state.h"
#include "core/file_list.h"
#include "engine_fixture.h"
#include "platform/ops.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

plat::Ops g_real;
std::map<std::string, int> g_calls;    // system calls by name
std::vector<std::string> g_looked_at;  // the paths statx was asked about by name
std::string g_cut_path;                // the source a copy call cuts short (or lengthens) first
int64_t g_cut_to = 0;
int g_refused_open = 0;  // the errno opens of g_refused_path fail with
std::string g_refused_path;

int counting_open(const char *path, int flags, mode_t mode) {
  ++g_calls["open"];
  if (g_refused_open && g_refused_path == path) {
    errno = g_refused_open;
    return -1;
  }
  return g_real.open(path, flags, mode);
}
int counting_statx(int dir_fd, const char *path, int flags, unsigned mask, struct statx *st) {
  ++g_calls["statx"];
  if (*path) g_looked_at.push_back(path);
  return g_real.statx(dir_fd, path, flags, mask, st);
}
int counting_fstat(int fd, struct stat *st) {
  ++g_calls["fstat"];
  return g_real.fstat(fd, st);
}
// Changes the size of g_cut_path once, just before the first piece of it is copied.
void change_source_once() {
  if (g_cut_path.empty()) return;
  ASSERT_EQ(::truncate(g_cut_path.c_str(), g_cut_to), 0);
  g_cut_path.clear();
}
ssize_t counting_copy_file_range(int in, off_t *in_off, int out, off_t *out_off, size_t n, unsigned flags) {
  ++g_calls["copy_file_range"];
  change_source_once();
  return g_real.copy_file_range(in, in_off, out, out_off, n, flags);
}
ssize_t refused_copy_file_range(int, off_t *, int, off_t *, size_t, unsigned) {
  ++g_calls["copy_file_range"];
  errno = EXDEV;
  return -1;
}
ssize_t counting_pread(int fd, void *buf, size_t n, off_t offset) {
  ++g_calls["pread"];
  change_source_once();
  return g_real.pread(fd, buf, n, offset);
}
pid_t counting_getpid() {
  ++g_calls["getpid"];
  return g_real.getpid();
}
int counting_futimens(int fd, const struct timespec times[2]) {
  ++g_calls["futimens"];
  return g_real.futimens(fd, times);
}
int failing_futimens(int, const struct timespec *) {
  ++g_calls["futimens"];
  errno = EIO;
  return -1;
}
int counting_utimensat(int dir_fd, const char *path, const struct timespec times[2], int flags) {
  ++g_calls["utimensat"];
  return g_real.utimensat(dir_fd, path, times, flags);
}
int counting_rename(const char *from, const char *to) {
  ++g_calls["rename"];
  return g_real.rename(from, to);
}
int counting_mkdir(const char *path, mode_t mode) {
  ++g_calls["mkdir"];
  return g_real.mkdir(path, mode);
}

class CopyCosts : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_real = plat::default_ops();
    g_calls.clear();
    g_looked_at.clear();
    g_cut_path.clear();
    g_refused_open = 0;
    out_ = mkdir("out");
  }
  void count_calls(plat::ScopedOps &os) {
    os->open = counting_open;
    os->statx = counting_statx;
    os->fstat = counting_fstat;
    os->copy_file_range = counting_copy_file_range;
    os->pread = counting_pread;
    os->getpid = counting_getpid;
    os->futimens = counting_futimens;
    os->utimensat = counting_utimensat;
    os->rename = counting_rename;
    os->mkdir = counting_mkdir;
  }
  // A source under pics/ with set, distinct times, as its copy must carry them.
  std::string source(const std::string &name, const std::string &bytes) {
    std::string p = write("pics/" + name, bytes);
    EXPECT_EQ(plat::set_times(p, 1000000000, 1200000000), 0);
    return p;
  }
  // The list a scan of these sources leaves (sizes and times as they were then), in the
  // order given; copying rewrites the paths, so a later copy needs a fresh list.
  FileNode *list_of(const std::vector<std::string> &paths) {
    reset_engine();
    FileNode *n = &engine().files;
    for (const std::string &p : paths) {
      plat::Stat st;
      EXPECT_TRUE(plat::stat_path(p, &st)) << p;
      set_node_text(&n->path, p);
      n->type = TYPE_JPEG;
      n->depth = 1;
      n->size = st.size;
      n->accessed = st.accessed;
      n->created = st.created;
      n->modified = st.modified;
      n->flags = FLAG_LISTED_FILE;
      n->next = new_node();
      n = n->next;
    }
    return &engine().files;
  }
  int copy(int mode, const std::vector<std::string> &paths) {
    return zunocopy(mode, list_of(paths), out_.c_str(), path("pics").c_str());
  }
  std::string copy_path(const std::string &name) const { return out_ + "/Images/" + name; }
  // Every name in the folder of a copy: a temporary left behind shows here.
  std::vector<std::string> names_beside(const std::string &name) const {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(fs::path(copy_path(name)).parent_path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string last_error() const { return engine().last_error; }

  std::string out_;
};

TEST_F(CopyCosts, AFreshCatalogCostsTwoOpensOneLookAndOneKernelCopyPerFile) {
  std::vector<std::string> paths;
  // Sorted lists come back to a folder again and again.
  for (int i = 0; i < 12; ++i)
    paths.push_back(source(std::string(i % 3 == 0   ? "a/"
                                       : i % 3 == 1 ? "b/c/"
                                                    : "") +
                               "p" + std::to_string(i) + ".JPG",
                           std::string(5000 + i, static_cast<char>('a' + i))));
  plat::temporary_name("warm");  // the process id is asked for once, by whichever name comes first
  FileNode *head = list_of(paths);
  {
    plat::ScopedOps os;
    count_calls(os);
    ASSERT_EQ(zunocopy(1, head, out_.c_str(), path("pics").c_str()), 0) << last_error();
  }
  const int n = static_cast<int>(paths.size());
  EXPECT_EQ(g_calls["open"], 2 * n) << "the source and the temporary, nothing else";
  EXPECT_EQ(g_calls["statx"], n + 1) << "each open source once, and Images once";
  EXPECT_EQ(g_calls["fstat"], 0);
  EXPECT_EQ(g_calls["copy_file_range"], n) << "no call to hear the end of a file of known size";
  EXPECT_EQ(g_calls["pread"], 0);
  EXPECT_EQ(g_calls["getpid"], 0) << "the temporary names' process id is known";
  EXPECT_EQ(g_calls["futimens"], n);
  EXPECT_EQ(g_calls["utimensat"], 0) << "times are set on the open copy, not by its path";
  EXPECT_EQ(g_calls["rename"], n);
  EXPECT_EQ(g_calls["mkdir"], 4) << "Images, a, b, b/c: each once";
  for (int i = 0; i < n; ++i) {
    std::string rel = paths[i].substr(path("pics/").size());
    std::string copied = copy_path(rel.substr(0, rel.size() - 4) + ".jpg");
    plat::Stat src, st;
    ASSERT_TRUE(plat::stat_path(paths[i], &src));
    ASSERT_TRUE(plat::stat_path(copied, &st));
    EXPECT_EQ(st.accessed, 1000000000) << "the source's access time before the copy read it";
    EXPECT_EQ(st.modified, src.created) << "the time the engine always gave a copy";
    EXPECT_EQ(read(copied), std::string(5000 + i, static_cast<char>('a' + i))) << copied;
  }
  EXPECT_EQ(names_beside("a/p0.jpg"), (std::vector<std::string>{"p0.jpg", "p3.jpg", "p6.jpg", "p9.jpg"}));
}

TEST_F(CopyCosts, ARunIntoAnExistingCatalogLooksOnlyAtNamesThatAreThere) {
  std::vector<std::string> paths = {source("a/one.jpg", "one"), source("a/two.jpg", "two")};
  ASSERT_EQ(copy(1, paths), 0) << last_error();
  write("out/Images/a/two.jpg", "the user's own edit");
  paths.push_back(source("a/three.jpg", "three"));
  {
    plat::ScopedOps os;
    count_calls(os);
    ASSERT_EQ(copy(1, paths), 0) << last_error();
  }
  EXPECT_EQ(read(copy_path("a/two.jpg")), "the user's own edit") << "kept, as the mode says";
  EXPECT_EQ(read(copy_path("a/three.jpg")), "three");
  auto looked = [](const std::string &p) { return std::count(g_looked_at.begin(), g_looked_at.end(), p); };
  EXPECT_EQ(looked(copy_path("a/one.jpg")), 1);
  EXPECT_EQ(looked(copy_path("a/two.jpg")), 1);
  EXPECT_EQ(looked(copy_path("a/three.jpg")), 0) << "the folder's listing said it was not there";
  EXPECT_EQ(g_calls["copy_file_range"], 1) << "kept files are not read";
  // Replacing: every copy is made again from its source.
  ASSERT_EQ(copy(3, paths), 0) << last_error();
  EXPECT_EQ(read(copy_path("a/two.jpg")), "two");
  EXPECT_EQ(names_beside("a/one.jpg"), (std::vector<std::string>{"one.jpg", "three.jpg", "two.jpg"}));
}

TEST_F(CopyCosts, AFolderThatCannotBeListedHasEachNameLookedAtAndKeepsWhatIsThere) {
  std::vector<std::string> paths = {source("a/one.jpg", "one")};
  ASSERT_EQ(copy(1, paths), 0) << last_error();
  write("out/Images/a/one.jpg", "kept");
  paths.push_back(source("a/two.jpg", "two"));
  plat::ScopedOps os;
  count_calls(os);
  g_refused_path = copy_path("a");
  g_refused_open = EACCES;
  ASSERT_EQ(copy(0, paths), 0) << last_error();
  EXPECT_EQ(read(copy_path("a/one.jpg")), "kept");
  EXPECT_EQ(read(copy_path("a/two.jpg")), "two");
  EXPECT_EQ(std::count(g_looked_at.begin(), g_looked_at.end(), copy_path("a/two.jpg")), 1);
}

TEST_F(CopyCosts, AFolderAtACopysNameInAnExistingFolderFailsTheRunAndStays) {
  std::vector<std::string> paths = {source("a/one.jpg", "one")};
  mkdir("out/Images/a/one.jpg");
  write("out/Images/a/one.jpg/inside", "the user's");
  EXPECT_EQ(copy(3, paths), -1);
  EXPECT_NE(last_error().find("同じ名前のフォルダがあるためコピーできません"), std::string::npos)
      << last_error();
  EXPECT_EQ(read(copy_path("a/one.jpg/inside")), "the user's");
  EXPECT_EQ(names_beside("a/one.jpg"), (std::vector<std::string>{"one.jpg"}));
}

TEST_F(CopyCosts, ASourceChangedAfterTheListingIsCopiedWholeAsItIsNow) {
  std::vector<std::string> paths = {source("grew.jpg", "short"),
                                    source("shrank.jpg", std::string(9000, 's'))};
  FileNode *head = list_of(paths);  // the listing's sizes: 5 and 9000
  std::string grown = std::string(70000, 'g') + "end";
  write("pics/grew.jpg", grown);
  write("pics/shrank.jpg", "tiny");
  ASSERT_EQ(zunocopy(1, head, out_.c_str(), path("pics").c_str()), 0) << last_error();
  EXPECT_TRUE(read(copy_path("grew.jpg")) == grown) << "every byte the file holds now, not the listed five";
  EXPECT_EQ(read(copy_path("shrank.jpg")), "tiny");
}

TEST_F(CopyCosts, ASourceCutShortWhileItIsCopiedFailsAndLeavesThePreviousCopy) {
  for (bool kernel : {true, false}) {
    SCOPED_TRACE(kernel ? "kernel copy" : "buffered copy");
    std::string bytes(200000, kernel ? 'k' : 'b');
    std::vector<std::string> paths = {source("cut.jpg", bytes)};
    write("out/Images/cut.jpg", "the previous copy");
    plat::ScopedOps os;
    count_calls(os);
    if (!kernel) os->copy_file_range = refused_copy_file_range;
    g_cut_path = paths[0];
    g_cut_to = 1000;
    EXPECT_EQ(copy(3, paths), -1);
    EXPECT_NE(last_error().find("コピーできません"), std::string::npos) << last_error();
    EXPECT_NE(last_error().find(strerror(EIO)), std::string::npos) << last_error();
    EXPECT_EQ(read(copy_path("cut.jpg")), "the previous copy");
    EXPECT_EQ(names_beside("cut.jpg"), (std::vector<std::string>{"cut.jpg"})) << "no temporary is left";
  }
}

TEST_F(CopyCosts, ASourceThatGrowsWhileItIsCopiedGivesTheFileAsItWasOpened) {
  std::string bytes(100000, 'o');
  std::vector<std::string> paths = {source("grows.jpg", bytes)};
  plat::ScopedOps os;
  count_calls(os);
  g_cut_path = paths[0];
  g_cut_to = 300000;  // a writer appends while the copy runs
  ASSERT_EQ(copy(1, paths), 0) << last_error();
  EXPECT_TRUE(read(copy_path("grows.jpg")) == bytes) << "the bytes and the size the open found, not a mix";
}

TEST_F(CopyCosts, TimesThatCannotBeSetFailTheCopyAndLeaveNoFile) {
  std::vector<std::string> paths = {source("t.jpg", "bytes")};
  plat::ScopedOps os;
  count_calls(os);
  os->futimens = failing_futimens;
  EXPECT_EQ(copy(1, paths), -1);
  EXPECT_NE(last_error().find("コピーできません"), std::string::npos) << last_error();
  EXPECT_TRUE(fs::is_empty(out_ + "/Images"));
}

TEST_F(CopyCosts, AnUnreadableSourceKeepsAnExistingCopyAndOtherwiseFailsByName) {
  std::string src = source("locked.jpg", "secret");
  write("out/Images/locked.jpg", "kept copy");
  plat::ScopedOps os;
  count_calls(os);
  g_refused_path = src;
  g_refused_open = EACCES;
  std::string copied;
  EXPECT_EQ(bincopy(1, src.c_str(), (out_ + "/Images").c_str(), &copied), 0)
      << "a kept copy needs no reading";
  EXPECT_EQ(read(copied), "kept copy");
  EXPECT_EQ(bincopy(3, src.c_str(), (out_ + "/Images").c_str()), -1);
  EXPECT_NE(last_error().find("コピーできません: " + src), std::string::npos) << last_error();
  EXPECT_NE(last_error().find(strerror(EACCES)), std::string::npos) << last_error();
  EXPECT_EQ(read(copied), "kept copy");
  EXPECT_EQ(bincopy(3, path("pics/gone.jpg").c_str(), (out_ + "/Images").c_str()), -1);
  EXPECT_EQ(last_error(), "コピー元のファイルがありません: " + path("pics/gone.jpg"));
}

TEST_F(CopyCosts, AFifoNamedLikeAPictureFailsWithoutHangingAndLeavesNoFile) {
  mkdir("pics");
  ASSERT_EQ(::mkfifo(path("pics/pipe.jpg").c_str(), 0600), 0);
  EXPECT_EQ(bincopy(3, path("pics/pipe.jpg").c_str(), out_.c_str()), -1);
  EXPECT_NE(last_error().find("コピーできません"), std::string::npos) << last_error();
  EXPECT_TRUE(fs::is_empty(out_));
}

TEST_F(CopyCosts, TemporaryNamesAskTheProcessIdOnceAndAForkedChildItsOwn) {
  plat::temporary_name(path("x"));
  {
    plat::ScopedOps os;
    count_calls(os);
    for (int i = 0; i < 50; ++i) plat::temporary_name(path("x"));
    EXPECT_EQ(g_calls["getpid"], 0);
  }
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  pid_t child = ::fork();
  if (child == 0) {
    std::string name = plat::temporary_name("x");
    ssize_t w = ::write(pipe_fds[1], name.data(), name.size());
    _exit(w == static_cast<ssize_t>(name.size()) ? 0 : 1);
  }
  ::close(pipe_fds[1]);
  char buf[256] = {};
  ssize_t got = ::read(pipe_fds[0], buf, sizeof buf - 1);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_GT(got, 0);
  EXPECT_EQ(std::string(buf).rfind("x.part" + std::to_string(child) + "_", 0), 0u)
      << buf << ": a child's temporaries must not pass for its parent's";
}

}  // namespace
