#include "core/user_folders.h"

#include <cerrno>
#include <string_view>

#include "core/text.h"
#include "platform/platform.h"

namespace {

// An absolute folder from the variable, else `fallback` below the home.
bool xdg_base(const char *variable, const char *fallback, std::string *out) {
  const char *value = plat::env(variable);
  // The XDG base directory rules ignore a relative value.
  if (value && value[0] == '/') {
    *out = without_trailing_separator(value);
    return true;
  }
  const char *home = plat::env("HOME");
  if (!home || home[0] != '/') return false;
  *out = join_path(without_trailing_separator(home), fallback);
  return true;
}

// The value of `KEY="..."` in a user-dirs.dirs line, its backslash escapes taken
// out; false when the line sets another key.
bool user_dirs_value(std::string_view line, std::string_view key, std::string *value) {
  size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) return false;
  line.remove_prefix(start);
  if (line.substr(0, key.size()) != key || line.substr(key.size(), 2) != "=\"") return false;
  line.remove_prefix(key.size() + 2);
  value->clear();
  for (size_t i = 0; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    *value += line[i];
  }
  return true;
}

}  // namespace

bool program_folder_shared(const std::string &program_folder) {
  return plat::exists(join_path(program_folder, kInstallMark)) || !plat::may_write(program_folder);
}

bool user_settings_folder(std::string *out) {
  if (!xdg_base("XDG_CONFIG_HOME", ".config", out)) return false;
  *out = join_path(*out, "quillo");
  return true;
}

bool user_data_folder(std::string *out) {
  if (!xdg_base("XDG_DATA_HOME", ".local/share", out)) return false;
  *out = join_path(*out, "quillo");
  return true;
}

bool user_pictures_folder(std::string *out) {
  const char *home_env = plat::env("HOME");
  if (!home_env || home_env[0] != '/') return false;
  const std::string home = without_trailing_separator(home_env);
  *out = join_path(home, "Pictures");
  std::string config, content;
  if (!xdg_base("XDG_CONFIG_HOME", ".config", &config) ||
      !plat::read_file(join_path(config, "user-dirs.dirs"), &content))
    return true;
  std::string named;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t end = content.find('\n', pos);
    if (end == std::string::npos) end = content.size();
    std::string value;
    if (user_dirs_value(std::string_view(content).substr(pos, end - pos), "XDG_PICTURES_DIR", &value))
      named = value;  // the last line of the key counts, as when the shell reads the file
    pos = end + 1;
  }
  // The file names a folder as "$HOME/..." or as an absolute path; nothing else is valid.
  if (named.rfind("$HOME", 0) == 0 && (named.size() == 5 || named[5] == '/'))
    named = home + named.substr(5);
  else if (named.empty() || named[0] != '/')
    return true;
  named = without_trailing_separator(named);
  if (named != home) *out = named;
  return true;
}

int make_user_folders(const std::string &folder) {
  for (size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos != folder.size() && folder[pos] != '/') continue;
    const std::string level = folder.substr(0, pos);
    int err = plat::make_dir(level);
    if (err != 0 && err != EEXIST) return err;
    if (!plat::is_dir(level)) return ENOTDIR;
  }
  return 0;
}

std::string analysis_folder(const std::string &program_folder) {
  if (!program_folder_shared(program_folder)) return join_path(program_folder, "DB");
  std::string data;
  if (!user_data_folder(&data)) return "";
  make_user_folders(data);  // a failure shows when the analysis makes DB inside it
  return join_path(data, "DB");
}
