// Reading and writing quillo.ini. The writer never restructures the file: it copies
// it line by line and replaces only the values of keys that are present, so
// comments, order, unknown lines and path descriptors survive.
#include "settings/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/error_log.h"
#include "core/text.h"
#include "core/user_folders.h"
#include "platform/platform.h"
#include "settings/settings_access.h"
#include "settings/settings_table.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr size_t kMaxSectionName = 63;
constexpr int kEverySetting = 0;  // no setting has it: the writers' "all of them"

struct Line {
  std::string_view text;  // without its line end
  std::string_view end;   // "\n", "\r\n" or "" for a last line without one
};

std::vector<Line> split_lines(std::string_view content) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t nl = content.find('\n', pos);
    size_t stop = nl == std::string_view::npos ? content.size() : nl;
    size_t text_end = stop > pos && content[stop - 1] == '\r' ? stop - 1 : stop;
    size_t next = nl == std::string_view::npos ? content.size() : nl + 1;
    lines.push_back({content.substr(pos, text_end - pos), content.substr(text_end, next - text_end)});
    pos = next;
  }
  return lines;
}

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// "[Name]" up to and including the first "]", at most 63 bytes; the rest of the line is ignored.
std::string section_name(std::string_view line) {
  size_t close = line.find(']');
  std::string_view name = close == std::string_view::npos ? line : line.substr(0, close + 1);
  return std::string(name.substr(0, kMaxSectionName));
}

// The first blank-delimited word of the text before the first "=".
std::string key_of(std::string_view line) {
  std::string_view head = line.substr(0, line.find('='));
  size_t start = 0;
  while (start < head.size() && is_blank(head[start])) ++start;
  size_t stop = start;
  while (stop < head.size() && !is_blank(head[stop])) ++stop;
  return std::string(head.substr(start, stop - start));
}

bool is_comment_or_empty(std::string_view line) {
  return line.empty() || line[0] == ';';
}

// The setting a body line of the section sets, or nullptr when it sets none (unknown key, no "=").
const SettingInfo *setting_of_line(const std::string &section, std::string_view line) {
  if (line.find('=') == std::string_view::npos) return nullptr;
  return setting_by_key(section.c_str(), key_of(line).c_str());
}

// Finds the key of a body line in the current section, with the reader's diagnostics.
const SettingInfo *lookup_line(const std::string &section, std::string_view line) {
  std::string key = key_of(line);
  const SettingInfo *info = setting_by_key(section.c_str(), key.c_str());
  std::string shown(line);
  if (!info) {
    plat::print_error("Bad erement error " + shown);
    return nullptr;
  }
  if (line.find('=') == std::string_view::npos) {
    plat::print_error("Illegal descriptor : " + shown);
    plat::print_error("Bad erement error " + shown);
    return nullptr;
  }
  return info;
}

// A line break inside a value would start a line of its own in the file (a new key,
// a new section), so values are stored with "\n" and "\r" for them. A backslash is
// doubled only where it would otherwise be read as part of such a pair, so values
// written before (search words like "\d+") keep their meaning.
bool continues_escape(char next) {
  return next == 'n' || next == 'r' || next == '\\' || next == '\n' || next == '\r';
}

std::string escaped_value(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\\' && i + 1 < value.size() && continues_escape(value[i + 1]))
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

// The value escaped_value was given; any other backslash stays as written.
std::string unescaped_value(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    char next = i + 1 < raw.size() ? raw[i + 1] : '\0';
    if (raw[i] == '\\' && (next == 'n' || next == 'r' || next == '\\')) {
      out += next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
      ++i;
    } else {
      out += raw[i];
    }
  }
  return out;
}

// "$cwd" is the current folder, "$exe" the settings folder. A descriptor may be
// followed by "/more" to name something inside that folder.
std::string expand_descriptor(const ZunoRecord &rec, std::string_view value) {
  struct Descriptor {
    const char *name;
    int kind;
  };
  static const Descriptor kDescriptors[] = {{"$cwd", 1}, {"$exe", 2}};
  for (const Descriptor &d : kDescriptors) {
    std::string_view name = d.name;
    if (value.substr(0, name.size()) != name) continue;
    std::string_view rest = value.substr(name.size());
    if (!rest.empty() && rest[0] != '/') continue;
    std::string base = d.kind == 1 ? plat::current_dir() : std::string(rec.IniPath);
    return rest.empty() ? base : join_path(base, rest);
  }
  return std::string(value);
}

// Like atoi, but a number beyond an int's range is held to it rather than undefined.
int parse_int(std::string_view value) {
  long long n = strtoll(std::string(value).c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

}  // namespace

float parse_ratio(const std::string &value) {
  float r = strtof(value.c_str(), nullptr);
  return std::isnan(r) ? 0.0f : std::clamp(r, -2.0e8f, 2.0e8f);
}

namespace {

struct ReadState {
  int color_bits = 0;
};

void store_value(ZunoRecord &rec, const SettingInfo &info, std::string_view raw, ReadState &state) {
  if (!(info.access & kFile)) return;  // known to the file, but not taken from it
  // A value ends at a NUL byte, as the field it lands in does; a descriptor is read the same way.
  std::string plain = unescaped_value(raw).c_str();
  std::string value = plain.empty() || plain[0] != '$' ? plain : expand_descriptor(rec, plain);
  const SettingField &f = info.field;
  switch (info.kind) {
    case SettingKind::Int:
      rec.*(f.int_member) = setting_clamped(info, parse_int(value));
      break;
    case SettingKind::TypeMask:
      rec.*(f.int_member) = type_mask_from_file(parse_int(value));
      break;
    case SettingKind::Text:
      copy_field(rec.*(f.text_member), value, info.key);
      break;
    case SettingKind::OutputPath:
      copy_field(rec.*(f.text_member), value, info.key);
      copy_field(rec.SavedOutputPath, value, info.key);
      break;
    case SettingKind::Color: {
      copy_field(rec.*(f.color_member), value, info.key);
      // The value is the kept text's (an overlong text is cut), so a save writes what was read.
      const char *kept = rec.*(f.color_member);
      unsigned hex = 0;
      if (kept[0] == '#' && sscanf(kept + 1, "%x", &hex) == 1) {
        rec.ColorValue[f.color_slot] = static_cast<int>(hex);
        state.color_bits |= 1 << f.color_slot;
      } else {
        state.color_bits &= ~(1 << f.color_slot);  // a later line of the key decides, as for its text
      }
      break;
    }
    case SettingKind::Ratio:
      rec.*(f.real_member) = parse_ratio(value);
      break;
    case SettingKind::Time:
      rec.*(f.time_member) = strtoll(value.c_str(), nullptr, 10);
      break;
    case SettingKind::AgeChoice:
      rec.*(f.int_member) = parse_int(value);
      rec.AgeThreshold = age_threshold_from_file(rec.*(f.int_member), plat::now());
      break;
    case SettingKind::CatalogName:
      break;  // chosen per run, never taken from the file
  }
}

// Calls visit(section, line) for each line of a known section's body that is neither empty nor a comment.
template <class Visit>
void for_each_body_line(const std::vector<Line> &lines, Visit visit) {
  std::string section;
  bool known = false;
  for (const Line &line : lines) {
    std::string_view text = line.text;
    if (!text.empty() && text[0] == '[') {
      section = section_name(text);
      known = is_known_section(section.c_str());
      continue;
    }
    if (known && !is_comment_or_empty(text)) visit(section, text);
  }
}

void read_lines(ZunoRecord &rec, const std::vector<Line> &lines, ReadState &state) {
  for_each_body_line(lines, [&](const std::string &section, std::string_view text) {
    if (const SettingInfo *info = lookup_line(section, text))
      store_value(rec, *info, text.substr(text.find('=') + 1), state);
  });
}

std::string_view without_bom(std::string_view content) {
  if (content.substr(0, kBom.size()) == kBom) content.remove_prefix(kBom.size());
  return content;
}

// True when the text sets at least one setting. An empty, truncated or foreign
// file sets none: reading it would leave every setting 0, and saving over it would
// push the last good version out of the backup.
bool holds_settings(std::string_view content) {
  bool found = false;
  for_each_body_line(split_lines(without_bom(content)),
                     [&](const std::string &section, std::string_view text) {
                       if (setting_of_line(section, text)) found = true;
                     });
  return found;
}

// A descriptor line ("$exe/OUTPUT") stays as written while the setting still has
// the value it stands for; a value the user changed is written out, not lost.
bool descriptor_still_holds(const ZunoRecord &rec, const SettingInfo &info, std::string_view value) {
  if (value.empty() || value[0] != '$') return false;
  if (info.kind != SettingKind::Text && info.kind != SettingKind::OutputPath) return true;
  const char *current =
      info.kind == SettingKind::OutputPath ? rec.SavedOutputPath : rec.*(info.field.text_member);
  return expand_descriptor(rec, value) == current;
}

// The replacement line of a setting, or "" when the setting has nothing to write.
std::string replacement_line(const ZunoRecord &rec, const SettingInfo &info) {
  const SettingField &f = info.field;
  std::string key = std::string(info.key) + "=";
  char number[64];
  switch (info.kind) {
    case SettingKind::Int:
    case SettingKind::AgeChoice:
      return key + std::to_string(rec.*(f.int_member));
    case SettingKind::TypeMask:
      return key + std::to_string(type_mask_for_file(rec.*(f.int_member)));
    case SettingKind::Text:
      return key + escaped_value(rec.*(f.text_member));
    case SettingKind::Color:
      return key + escaped_value(rec.*(f.color_member));
    case SettingKind::OutputPath:  // the user's folder, also while a run has extended OutputPath
      return key + escaped_value(rec.SavedOutputPath);
    case SettingKind::Ratio:
      snprintf(number, sizeof number, "%f", static_cast<double>(rec.*(f.real_member)));
      return key + number;
    case SettingKind::Time:
      return key + std::to_string(static_cast<long long>(rec.*(f.time_member)));
    case SettingKind::CatalogName:
      break;
  }
  return "";
}

// The file's new text: every line copied, the values of present keys replaced
// (only `only_number`'s unless it is kEverySetting). Descriptor values stay as written.
std::string rewrite_lines(const ZunoRecord &rec, std::string_view content, int only_number) {
  std::string out;
  out.reserve(content.size() + 256);
  std::string section;
  bool known = false;
  bool first = true;
  for (const Line &line : split_lines(content)) {
    std::string_view text = line.text;
    std::string_view bom;
    if (first && text.substr(0, kBom.size()) == kBom) {
      bom = kBom;
      text.remove_prefix(kBom.size());
    }
    first = false;
    std::string replaced;
    if (!text.empty() && text[0] == '[') {
      section = section_name(text);
      known = is_known_section(section.c_str());
    } else if (known && !is_comment_or_empty(text)) {
      const SettingInfo *info = lookup_line(section, text);
      std::string_view value = info ? text.substr(text.find('=') + 1) : std::string_view();
      if (info && (only_number == kEverySetting || info->number == only_number) &&
          !descriptor_still_holds(rec, *info, value))
        replaced = replacement_line(rec, *info);
    }
    out.append(bom);
    out.append(replaced.empty() ? text : std::string_view(replaced));
    out.append(line.end);
  }
  return out;
}

// The settings file whose last read was refused. Until it reads well again the
// record does not hold its settings, so nothing may be written over it.
std::string &refused_file() {
  static std::string path;
  return path;
}

std::string shell_quoted(const std::string &path) {
  std::string out = "'";
  for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool backup_holds_settings(const ZunoRecord &rec) {
  std::string content;
  return plat::read_file(settings_backup_path(rec), &content) && holds_settings(content);
}

// Records why the settings file cannot be used, naming the good backup and how to
// put it back. Returns kIniBackupGood when there is one to offer, else -1.
int refuse_settings(const ZunoRecord &rec, const std::string &why) {
  std::string path = settings_file_path(rec);
  refused_file() = path;
  if (!backup_holds_settings(rec)) return record_error(why);
  std::string backup = settings_backup_path(rec);
  // Each path at most twice, so that the whole text fits the recorder even with the longest paths.
  record_error(why + "\n前回の控えは無事です。戻すには: cp " + shell_quoted(backup) + " " +
               shell_quoted(path));
  return kIniBackupGood;
}

// The text of the settings file, or why it cannot be used ("" when it can).
std::string settings_text(const std::string &path, std::string *content) {
  if (!plat::read_file(path, content)) {
    int err = errno;
    plat::print_error("inifile open errer " + path);
    if (err == ENOENT) return "設定ファイル " + path + " がありません";
    return "設定ファイル " + path + " を読めません: " + plat::error_text(err);
  }
  if (!holds_settings(*content))
    return "設定ファイル " + path + " に設定が一つもありません（空か壊れています）";
  return "";
}

int write_settings(ZunoRecord *rec, int only_number) {
  std::string path = settings_file_path(*rec);
  if (refused_file() == path)
    return record_error("設定ファイル " + path + " は読み込めなかったため、書き込みません");
  std::string old;
  if (!plat::read_file(path, &old)) return record_error("inifile open errer " + path + "\n");
  // The backup may be the only good copy left; a file without settings never replaces it.
  if (!holds_settings(old))
    return record_error("設定ファイル " + path + " に設定が一つもないため、書き込みません（控え " +
                        settings_backup_path(*rec) + " はそのままです）");
  std::string updated = rewrite_lines(*rec, old, only_number);
  // The backup is written first and whole; quillo.ini itself is replaced in one
  // rename, so at every moment one complete version of the settings exists.
  if (int err = plat::write_file_atomic(settings_backup_path(*rec), old))
    return record_error("internal error : cant creat temp file\n" + plat::error_text(err));
  if (int err = plat::write_file_atomic(path, updated))
    return record_error("設定ファイルに書き込めません: " + path + ": " + plat::error_text(err));
  return 0;
}

}  // namespace

std::string settings_file_path(const ZunoRecord &rec) {
  return join_path(rec.IniPath, "quillo.ini");
}
std::string settings_backup_path(const ZunoRecord &rec) {
  return join_path(rec.IniPath, "quillo.ibk");
}

// A file that cannot be used changes nothing in the record but the colour mask.
extern "C" int get_inifile(ZunoRecord *rec) {
  rec->ColorMask = 0;
  std::string path = settings_file_path(*rec);
  std::string content;
  if (std::string why = settings_text(path, &content); !why.empty()) return refuse_settings(*rec, why);
  if (refused_file() == path) refused_file().clear();
  ReadState state;
  read_lines(*rec, split_lines(without_bom(content)), state);
  if (!rec->PageBuffer) {
    // Depth values beyond 27 cannot be stored in a node; the bound keeps the size sane.
    int kib = setting_clamped(*setting_by_number(ZUNO_SubdirDepth), rec->SubdirDepth);
    rec->PageBufferSize = kib * 1024;
    rec->PageBuffer = static_cast<char *>(calloc(1, static_cast<size_t>(rec->PageBufferSize) + 1));
  }
  rec->StepProc = nullptr;
  rec->TotalProc = nullptr;
  rec->ColorMask = state.color_bits;
  copy_field(engine().db_folder, analysis_folder(rec->ExecPath), "DB folder");
  return 0;
}

extern "C" int put_inifile(ZunoRecord *rec) {
  return write_settings(rec, kEverySetting);
}

extern "C" int put_erement(ZunoRecord *rec, int number) {
  return number == kEverySetting ? -1 : write_settings(rec, number);
}
