// Reading and writing quillo.ini. The writer never restructures the file: it copies
// it line by line and replaces only the values of keys that are present, so
// comments, order, unknown lines and path descriptors survive.
#include "settings/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/error_log.h"
#include "core/text.h"
#include "platform/platform.h"
#include "settings/settings_access.h"
#include "settings/settings_table.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr size_t kMaxSectionName = 63;

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

// Finds the key of a body line in the current section, with the reader's diagnostics.
const SettingInfo *lookup_line(const std::string &section, std::string_view line) {
  std::string key = key_of(line);
  const SettingInfo *info = setting_by_key(section.c_str(), key.c_str());
  std::string shown(line);
  if (!info) {
    fprintf(stderr, "Bad erement error %s\n", shown.c_str());
    return nullptr;
  }
  if (line.find('=') == std::string_view::npos) {
    fprintf(stderr, "Illegal descriptor : %s\n", shown.c_str());
    fprintf(stderr, "Bad erement error %s\n", shown.c_str());
    return nullptr;
  }
  return info;
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

int parse_int(std::string_view value) {
  return atoi(std::string(value).c_str());
}

struct ReadState {
  int color_bits = 0;
};

void store_value(ZunoRecord &rec, const SettingInfo &info, std::string_view raw, ReadState &state) {
  std::string value = raw.empty() || raw[0] != '$' ? std::string(raw) : expand_descriptor(rec, raw);
  size_t cap = 0;
  switch (info.kind) {
    case SettingKind::Int:
      *int_field(rec, info.number) = parse_int(value);
      break;
    case SettingKind::Text:
      copy_field(text_field(rec, info.number, &cap), kFieldSize, value, info.key);
      break;
    case SettingKind::OutputPath:
      copy_field(rec.OutputPath, value, info.key);
      copy_field(rec.SavedOutputPath, value, info.key);
      break;
    case SettingKind::Color: {
      char *text = text_field(rec, info.number, &cap);
      copy_field(text, cap, value, info.key);
      unsigned hex = 0;
      if (value[0] == '#' && sscanf(value.c_str() + 1, "%x", &hex) == 1) {
        rec.ColorValue[color_index(info.number)] = static_cast<int>(hex);
        state.color_bits |= 1 << color_index(info.number);
      }
      break;
    }
    case SettingKind::Ratio:
      rec.YXRatio = strtof(value.c_str(), nullptr);
      break;
    case SettingKind::Time:
      rec.LastBackUpTime = strtoll(value.c_str(), nullptr, 10);
      break;
    case SettingKind::AgeChoice:
      rec.UnderLimits = parse_int(value);
      rec.AgeThreshold = age_threshold_from_file(rec.UnderLimits, plat::now());
      break;
    case SettingKind::CatalogName:
      break;  // chosen per run, never taken from the file
  }
}

void read_lines(ZunoRecord &rec, const std::vector<Line> &lines, ReadState &state) {
  std::string section;
  bool known = false;
  for (const Line &line : lines) {
    std::string_view text = line.text;
    if (!text.empty() && text[0] == '[') {
      section = section_name(text);
      known = is_known_section(section.c_str());
      continue;
    }
    if (!known || is_comment_or_empty(text)) continue;
    if (const SettingInfo *info = lookup_line(section, text))
      store_value(rec, *info, text.substr(text.find('=') + 1), state);
  }
}

// A descriptor line ("$exe/OUTPUT") stays as written while the setting still has
// the value it stands for; a value the user changed is written out, not lost.
bool descriptor_still_holds(const ZunoRecord &rec, const SettingInfo &info, std::string_view value) {
  if (value.empty() || value[0] != '$') return false;
  if (info.kind != SettingKind::Text && info.kind != SettingKind::OutputPath) return true;
  ZunoRecord &r = const_cast<ZunoRecord &>(rec);
  const char *current =
      info.kind == SettingKind::OutputPath ? rec.SavedOutputPath : text_field(r, info.number, nullptr);
  return expand_descriptor(rec, value) == current;
}

// The replacement line of a setting, or "" when the setting has nothing to write.
std::string replacement_line(const ZunoRecord &rec, const SettingInfo &info) {
  ZunoRecord &r = const_cast<ZunoRecord &>(rec);
  char buf[400];
  switch (info.kind) {
    case SettingKind::Int:
    case SettingKind::AgeChoice:
      snprintf(buf, sizeof buf, "%s=%d", info.key, *int_field(r, info.number));
      break;
    case SettingKind::Text:
    case SettingKind::Color:
      snprintf(buf, sizeof buf, "%s=%s", info.key, text_field(r, info.number, nullptr));
      break;
    case SettingKind::OutputPath:  // the user's folder, also while a run has extended OutputPath
      snprintf(buf, sizeof buf, "%s=%s", info.key, rec.SavedOutputPath);
      break;
    case SettingKind::Ratio:
      snprintf(buf, sizeof buf, "%s=%f", info.key, static_cast<double>(rec.YXRatio));
      break;
    case SettingKind::Time:
      snprintf(buf, sizeof buf, "%s=%lld", info.key, static_cast<long long>(rec.LastBackUpTime));
      break;
    case SettingKind::CatalogName:
      return "";
  }
  return buf;
}

// The file's new text: every line copied, the values of present keys replaced
// (only `only_number`'s when it is not 0). Descriptor values stay as written.
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
      if (info && (only_number == 0 || info->number == only_number) &&
          !descriptor_still_holds(rec, *info, value))
        replaced = replacement_line(rec, *info);
    }
    out.append(bom);
    out.append(replaced.empty() ? text : std::string_view(replaced));
    out.append(line.end);
  }
  return out;
}

int write_settings(ZunoRecord *rec, int only_number) {
  std::string path = settings_file_path(*rec);
  std::string old;
  if (!plat::read_file(path, &old)) return record_error("inifile open errer " + path + "\n");
  std::string updated = rewrite_lines(*rec, old, only_number);
  // The backup is written first and whole; quillo.ini itself is replaced in one
  // rename, so at every moment one complete version of the settings exists.
  if (int err = plat::write_file_atomic(settings_backup_path(*rec), old))
    return record_error("internal error : cant creat temp file\n" + plat::error_text(err));
  if (int err = plat::write_file_atomic(path, updated))
    return record_error("cannot write " + path + ": " + plat::error_text(err));
  return 0;
}

}  // namespace

std::string settings_file_path(const ZunoRecord &rec) {
  return join_path(rec.IniPath, "quillo.ini");
}
std::string settings_backup_path(const ZunoRecord &rec) {
  return join_path(rec.IniPath, "quillo.ibk");
}

extern "C" int get_inifile(ZunoRecord *rec) {
  rec->ColorMask = 0;
  std::string path = settings_file_path(*rec);
  std::string content;
  if (!plat::read_file(path, &content)) {
    fprintf(stderr, "inifile open errer %s\n", path.c_str());
    return -1;
  }
  std::string_view text = content;
  if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
  ReadState state;
  read_lines(*rec, split_lines(text), state);
  if (!rec->PageBuffer) {
    // Depth values beyond 27 cannot be stored in a node; the bound keeps the size sane.
    int kib = rec->SubdirDepth < 0 ? 0 : (rec->SubdirDepth > 4096 ? 4096 : rec->SubdirDepth);
    rec->PageBufferSize = kib * 1024;
    rec->PageBuffer = static_cast<char *>(calloc(1, static_cast<size_t>(rec->PageBufferSize) + 1));
  }
  rec->StepProc = nullptr;
  rec->TotalProc = nullptr;
  rec->ColorMask = state.color_bits;
  copy_field(engine().db_folder, join_path(rec->ExecPath, "DB"), "DB folder");
  return 0;
}

extern "C" int put_inifile(ZunoRecord *rec) {
  return write_settings(rec, 0);
}

extern "C" int put_erement(ZunoRecord *rec, int number) {
  return number == 0 ? -1 : write_settings(rec, number);
}
