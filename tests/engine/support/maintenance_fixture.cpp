#include "maintenance_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "html/html_builder.h"
#include "platform/platform.h"
#include "zuno.h"

namespace fs = std::filesystem;

void MaintenanceTest::SetUp() {
  EngineTest::SetUp();
  const char *home = getenv("HOME");
  saved_home_ = home ? home : "";
  setenv("HOME", mkdir("home").c_str(), 1);
  setenv("XDG_DATA_HOME", path("xdg").c_str(), 1);
  settings_ = mkdir("prog");
  std::string ini;
  ASSERT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &ini));
  write("prog/quillo.ini", ini);
  fs::copy(program_dir() + "/html", settings_ + "/html", fs::copy_options::recursive);
  ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
  out_ = mkdir("out");
  ZunoPutStr(ZUNO_OutputPath, out_.c_str());
  ZunoPut(ZUNO_CpuPriority, 100);
  cache_ = path("profile/Local Settings/Temporary Internet Files");
  backup_ = out_ + "/Temporary Internet Files/Images";
  use_windows_profile();
}

void MaintenanceTest::TearDown() {
  unsetenv("OS");
  unsetenv("USERPROFILE");
  unsetenv("WINDIR");
  unsetenv("XDG_DATA_HOME");
  if (saved_home_.empty())
    unsetenv("HOME");
  else
    setenv("HOME", saved_home_.c_str(), 1);
  html_reset();
  EngineTest::TearDown();
}

void MaintenanceTest::use_windows_profile() {
  setenv("OS", "Windows_NT", 1);
  setenv("USERPROFILE", path("profile").c_str(), 1);
}

void MaintenanceTest::use_desktop_folders() {
  unsetenv("OS");
  unsetenv("USERPROFILE");
  unsetenv("WINDIR");
}

std::string MaintenanceTest::catalog_page(const std::string &name, const std::vector<std::string> &links,
                                          const std::string &thumb) {
  std::string page = path(name);
  fs::create_directories(fs::path(page).parent_path());
  EXPECT_EQ(html_creat_hl(page, "catalog"), 0);
  html_set_body(nullptr, 0, "#FFFFFF", "#000000", "#0000FF", "#FF0000", "#800080");
  for (const std::string &link : links)
    html_add_thumb_link(true, link, thumb.empty() ? link : thumb, 80, 60, 160, 120, 4000);
  EXPECT_EQ(html_close_page(page), 0);
  return page;
}

std::vector<std::string> MaintenanceTest::trashed() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto &entry : fs::directory_iterator(path("xdg/Trash/files"), ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}
