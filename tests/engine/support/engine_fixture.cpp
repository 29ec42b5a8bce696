#include "engine_fixture.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "zuno.h"

namespace fs = std::filesystem;

void reset_engine() {
  EngineState &e = engine();
  empty_list(&e.files);
  empty_list(&e.link_pages);
  char *page = e.rec.PageBuffer;
  void *module = e.pattern_module;
  memset(&e, 0, sizeof e);
  free(page);
  e.pattern_module = module;  // a loaded module stays loaded, as in the library
}

std::string program_dir() {
  return QUILLO_PROGRAM_DIR;
}
std::string source_dir() {
  return QUILLO_SOURCE_DIR;
}

void EngineTest::SetUp() {
  // Taken once: each test points TEMP at its own folder, which it removes afterwards.
  static const std::string base = fs::temp_directory_path().string();
  std::string tmpl = base + "/quillo-test-XXXXXX";
  char *made = mkdtemp(tmpl.data());
  ASSERT_NE(made, nullptr);
  dir_ = made;
  setenv("TEMP", dir_.c_str(), 1);
  // No test may find the browser caches of whoever runs the tests: the caches a
  // run finds by itself are looked for below these.
  setenv("HOME", (dir_ + "/home").c_str(), 1);
  setenv("XDG_CACHE_HOME", (dir_ + "/home/.cache").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (dir_ + "/home/.config").c_str(), 1);
  reset_engine();
  // Linked statically, the engine cannot find its pattern module beside itself; hand
  // it the built one, as if it had been loaded before.
  if (!engine().pattern_module)
    engine().pattern_module = dlopen((program_dir() + "/librexp32.so").c_str(), RTLD_NOW | RTLD_LOCAL);
}

void EngineTest::TearDown() {
  reset_engine();
  unsetenv("XDG_CACHE_HOME");
  unsetenv("XDG_CONFIG_HOME");
  std::error_code ec;
  // Read-only files made by a test must not block the clean-up.
  for (auto it = fs::recursive_directory_iterator(dir_, ec); it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(dir_, ec);
}

std::string EngineTest::path(const std::string &name) const {
  return dir_ + "/" + name;
}

std::string EngineTest::write(const std::string &name, const std::string &content) {
  std::string p = path(name);
  fs::create_directories(fs::path(p).parent_path());
  std::ofstream(p, std::ios::binary) << content;
  return p;
}

std::string EngineTest::read(const std::string &name) const {
  std::ifstream in(name.size() && name[0] == '/' ? name : path(name), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string EngineTest::mkdir(const std::string &name) {
  fs::create_directories(path(name));
  return path(name);
}

std::string EngineTest::picture(const std::string &name, int width, int height, const std::string &extra) {
  std::string p = path(name);
  fs::create_directories(fs::path(p).parent_path());
  std::string cmd = "/usr/bin/convert -size " + std::to_string(width) + "x" + std::to_string(height) +
                    " plasma:red-blue " + extra + " '" + p + "' 2>/dev/null";
  EXPECT_EQ(system(cmd.c_str()), 0) << cmd;
  return p;
}

int count_of(const std::string &text, const std::string &what) {
  int n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

CommandOutcome EngineTest::run_command(const std::string &command) {
  CommandOutcome o;
  std::string err_file = path("command-stderr.txt");
  FILE *p = popen((command + " 2>'" + err_file + "'").c_str(), "r");
  if (!p) return o;
  char line[1024];
  while (fgets(line, sizeof line, p)) o.out += line;
  int status = pclose(p);
  o.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  o.err = read(err_file);
  return o;
}

std::string EngineTest::program_settings(const std::string &name) {
  std::string folder = mkdir(name);
  fs::copy_file(program_dir() + "/quillo.ini", folder + "/quillo.ini", fs::copy_options::overwrite_existing);
  fs::copy(program_dir() + "/html", folder + "/html", fs::copy_options::recursive);
  return folder;
}

std::string EngineTest::gather() {
  char area[ZUNO_BUFSIZE] = "";
  char *buf = area;
  for (int i = 0; i < 20; ++i) {
    ZunoGetFiles(&buf);
    if (std::string(area) == "完了" || std::string(area) == "エラー") break;
  }
  return area;
}
