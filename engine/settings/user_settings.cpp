#include "settings/user_settings.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "core/error_log.h"
#include "core/text.h"
#include "core/user_folders.h"
#include "platform/platform.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr const char *kSettingsName = "quillo.ini";

// The reader takes "\n", "\r" and "\\" in a value for a line break, a return and one
// backslash; a path that holds such a pair keeps it by doubling the backslash.
std::string escaped(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    char next = i + 1 < value.size() ? value[i + 1] : '\0';
    out += value[i];
    if (value[i] == '\\' && (next == 'n' || next == 'r' || next == '\\')) out += '\\';
  }
  return out;
}

std::string_view trimmed(std::string_view text) {
  size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  size_t stop = text.find_last_not_of(" \t\r");
  return text.substr(start, stop - start + 1);
}

// The program's settings with the two [Path] values that must differ for this user;
// every other line, comments included, as it was.
std::string user_copy(std::string_view content, const std::string &program_folder,
                      const std::string &output) {
  std::string out;
  if (content.substr(0, kBom.size()) == kBom) {
    out += kBom;
    content.remove_prefix(kBom.size());
  }
  out += "; Your own copy of " + join_path(program_folder, kSettingsName) +
         ", made at your first start:\n"
         "; the program folder is shared by every user of this computer.\n";
  bool in_path = false;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t nl = content.find('\n', pos);
    size_t next = nl == std::string_view::npos ? content.size() : nl + 1;
    std::string_view line = content.substr(pos, next - pos);
    std::string_view text = trimmed(line.substr(0, line.find_first_of("\r\n")));
    std::string_view end = line.substr(std::min(line.size(), line.find_first_of("\r\n")));
    pos = next;
    if (!text.empty() && text[0] == '[') in_path = text.substr(0, 6) == "[Path]";
    std::string_view key = trimmed(text.substr(0, text.find('=')));
    if (in_path && text.find('=') != std::string_view::npos && (key == "OutputPath" || key == "ExecPath")) {
      out += std::string(key) + "=" + escaped(key == "OutputPath" ? output : program_folder);
      out += end;
    } else {
      out += line;
    }
  }
  return out;
}

}  // namespace

std::string user_settings_for(const std::string &program_folder, bool *made) {
  *made = false;
  const std::string program = without_trailing_separator(program_folder);
  if (!program_folder_shared(program)) return program;
  std::string folder, pictures;
  if (!user_settings_folder(&folder) || !user_pictures_folder(&pictures)) {
    record_error("共有のプログラムフォルダ " + program + " の設定を置くホームフォルダがわかりません (HOME)");
    return "";
  }
  const std::string settings = join_path(folder, kSettingsName);
  if (plat::exists(settings)) return folder;
  std::string content;
  const std::string source = join_path(program, kSettingsName);
  if (!plat::read_file(source, &content)) {
    record_error("設定ファイル " + source + " を読めません: " + plat::error_text(errno));
    return "";
  }
  if (int err = make_user_folders(folder)) {
    record_error("設定フォルダ " + folder + " を作れません: " + plat::error_text(err));
    return "";
  }
  const std::string copy = user_copy(content, program, join_path(pictures, "Quillo"));
  if (int err = plat::write_file_atomic(settings, copy)) {
    record_error("設定ファイル " + settings + " を書けません: " + plat::error_text(err));
    return "";
  }
  *made = true;
  return folder;
}
