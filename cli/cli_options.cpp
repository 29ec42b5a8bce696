#include "cli_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "setting_keys.h"
#include "zuno.h"

namespace {

bool parse_int(const std::string &text, int *out) {
  if (text.empty()) return false;
  errno = 0;
  char *end = nullptr;
  long v = strtol(text.c_str(), &end, 10);
  if (errno || *end || v < -2147483647L || v > 2147483647L) return false;
  *out = static_cast<int>(v);
  return true;
}

// "#RRGGBB" (or a plain number 0xRRGGBB) as the front end's 0xBBGGRR order that ZunoPut takes.
bool parse_color(const std::string &text, int *out) {
  std::string hex = text[0] == '#' ? text.substr(1) : text;
  if (hex.size() != 6) return false;
  char *end = nullptr;
  unsigned long rgb = strtoul(hex.c_str(), &end, 16);
  if (*end) return false;
  *out = static_cast<int>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
  return true;
}

std::string strip_quotes(std::string s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

void put(CliOptions *o, const char *key, const std::string &value) {
  o->settings_to_put.emplace_back(key, value);
}

// The external-run options of the desktop program's "exe" mode.
std::string parse_slash_option(const std::string &arg, CliOptions *o) {
  std::string value = arg.substr(3);
  int n = 0;
  switch (arg[1]) {
    case 'S':
      if (value.empty()) return "";  // the desktop program may pass "/S:" with no depth
      if (!parse_int(value, &n) || n < 0) return "bad depth in " + arg;
      put(o, "SearchSubdir", n > 0 ? "1" : "0");
      put(o, "SubdirDepth", value);
      return "";
    case 'T':
      if (value.size() < 2 || (value[0] != 'H' && value[0] != 'W') || !parse_int(value.substr(1), &n) ||
          n <= 0)
        return "bad thumbnail size in " + arg + " (use /T:Hn or /T:Wn)";
      put(o, "Priority", value[0] == 'H' ? "1" : "0");
      put(o, value[0] == 'H' ? "CurrentHight" : "CurrentWidth", value.substr(1));
      return "";
    case 'P':
      if (value.size() < 2 || (value[0] != 'M' && value[0] != 'N') || !parse_int(value.substr(1), &n) ||
          n <= 0)
        return "bad page size in " + arg + " (use /P:Mn or /P:Nn)";
      if (value[0] == 'M') {
        put(o, "PageingStyle", "0");
        put(o, "OnePageMax", std::to_string(static_cast<long long>(n) * 1024));
      } else {
        put(o, "PageingStyle", "1");
        put(o, "OnePageNum", value.substr(1));
      }
      return "";
    case 'O':
      o->output = strip_quotes(value);
      return o->output.empty() ? "empty output folder in " + arg : "";
    default:
      return "unknown option " + arg;
  }
}

// The names --types takes, with the type bits of EnableFileType each stands for.
struct TypeName {
  const char *name;
  int bits;
};
constexpr TypeName kTypeNames[] = {
    {"jpeg", ZUNO_TYPE_JPEG}, {"jpg", ZUNO_TYPE_JPEG},  {"tiff", ZUNO_TYPE_TIF},
    {"tif", ZUNO_TYPE_TIF},   {"bmp", ZUNO_TYPE_BMP},   {"png", ZUNO_TYPE_PNG},
    {"gif", ZUNO_TYPE_GIF},   {"avi", ZUNO_TYPE_AVI},   {"movie", ZUNO_TYPE_MOVIE},
    {"webp", ZUNO_TYPE_WEBP}, {"avif", ZUNO_TYPE_AVIF}, {"all", ZUNO_TYPES_PICTURES},
};

// The keys --sort takes, in SortType's order.
constexpr const char *kSortKeys[] = {"none", "accessed", "created", "size", "name", "taken"};

// "taken" or "name,desc" as SortType and SortMode; "" or the error text.
std::string parse_sort(const std::string &text, int *type, int *mode) {
  std::string key = text;
  *mode = 1;
  size_t comma = text.find(',');
  if (comma != std::string::npos) {
    key = text.substr(0, comma);
    std::string order = text.substr(comma + 1);
    if (order != "asc" && order != "desc") return "--sort takes KEY,asc or KEY,desc, not \"" + text + "\"";
    *mode = order == "asc" ? 1 : 0;
  }
  for (int i = 0; i < static_cast<int>(std::size(kSortKeys)); ++i) {
    if (key != kSortKeys[i]) continue;
    *type = i;
    return "";
  }
  return "--sort takes none, accessed, created, size, name or taken, not \"" + key + "\"";
}

std::string lower(std::string s) {
  for (char &c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// "jpeg,webp,avif" as an EnableFileType mask; "" or the error text.
std::string parse_types(const std::string &list, int *mask) {
  *mask = 0;
  size_t start = 0;
  do {
    const size_t comma = list.find(',', start);
    const std::string name =
        lower(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    const TypeName *found = nullptr;
    for (const TypeName &t : kTypeNames)
      if (name == t.name) found = &t;
    if (!found)
      return "--types takes jpeg, tiff, bmp, png, gif, webp, avif, avi, movie or all, not \"" + name + "\"";
    *mask |= found->bits;
    start = comma == std::string::npos ? std::string::npos : comma + 1;
  } while (start != std::string::npos);
  return "";
}

bool is_slash_option(const std::string &arg) {
  return arg.size() >= 3 && arg[0] == '/' && arg[2] == ':' &&
         std::string("STPO").find(arg[1]) != std::string::npos;
}

}  // namespace

std::string parse_cli_options(const std::vector<std::string> &args, CliOptions *o) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (is_slash_option(arg)) {
      if (std::string err = parse_slash_option(arg, o); !err.empty()) return err;
      continue;
    }
    if (arg.size() < 2 || arg[0] != '-') {
      if (!o->folder.empty()) return "more than one folder given: " + o->folder + ", " + arg;
      o->folder = strip_quotes(arg);
      continue;
    }
    std::string name = arg, value;
    bool inline_value = false;
    if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inline_value = true;
    }
    auto take = [&](std::string *v) {
      if (inline_value) {
        *v = value;
        return true;
      }
      if (i + 1 >= args.size()) return false;
      *v = args[++i];
      return true;
    };
    auto number = [&](const char *what, int *n) -> std::string {
      std::string v;
      if (!take(&v)) return name + " needs " + what;
      if (!parse_int(v, n) || *n < 0) return "bad " + std::string(what) + " for " + name + ": " + v;
      return "";
    };
    int n = 0;
    std::string v, err;
    if (name == "-h" || name == "--help") {
      o->help = true;
    } else if (name == "--version") {
      o->version = true;
    } else if (name == "--list-caches") {
      o->list_caches = true;
    } else if (name == "-q" || name == "--quiet") {
      o->quiet = true;
    } else if (name == "--open") {
      o->open = true;
    } else if (name == "--timings") {
      o->timings = true;
    } else if (name == "-s" || name == "--settings") {
      if (!take(&o->settings)) return name + " needs a folder";
    } else if (name == "-o" || name == "--output") {
      if (!take(&o->output)) return name + " needs a folder";
    } else if (name == "-d" || name == "--depth") {
      if (!(err = number("a depth", &n)).empty()) return err;
      put(o, "SearchSubdir", n > 0 ? "1" : "0");
      put(o, "SubdirDepth", std::to_string(n));
    } else if (name == "--thumb-width" || name == "--thumb-height") {
      if (!(err = number("a size in pixels", &n)).empty()) return err;
      bool height = name == "--thumb-height";
      put(o, "Priority", height ? "1" : "0");
      put(o, height ? "CurrentHight" : "CurrentWidth", std::to_string(n));
    } else if (name == "--page-megabytes") {
      if (!(err = number("a size in megabytes", &n)).empty()) return err;
      put(o, "PageingStyle", "0");
      put(o, "OnePageMax", std::to_string(static_cast<long long>(n) * 1024));
    } else if (name == "--page-files") {
      if (!(err = number("a count", &n)).empty()) return err;
      put(o, "PageingStyle", "1");
      put(o, "OnePageNum", std::to_string(n));
    } else if (name == "--sort") {
      int mode = 1;
      if (!take(&v)) return name + " needs a key, e.g. taken or name,desc";
      if (!(err = parse_sort(v, &n, &mode)).empty()) return err;
      put(o, "SortType", std::to_string(n));
      put(o, "SortMode", std::to_string(mode));
    } else if (name == "--no-thumbnails") {
      put(o, "MakeThumbnail", "0");
    } else if (name == "--copy" || name == "--no-copy") {
      put(o, "FileCopy", name == "--copy" ? "1" : "0");
    } else if (name == "--types") {
      if (!take(&v)) return name + " needs a list of types, e.g. jpeg,webp,avif";
      if (!(err = parse_types(v, &n)).empty()) return err;
      put(o, "EnableFileType", std::to_string(n));
    } else if (name == "--search") {
      if (!take(&v)) return name + " needs words";
      put(o, "LastSearchString", v);
    } else if (name == "--cache-folder") {
      if (!take(&o->cache_folder) || o->cache_folder.empty()) return name + " needs a folder";
    } else if (name == "--mode") {
      if (!take(&v)) return name + " needs backup, view or site";
      if (v != "backup" && v != "view" && v != "site") return "--mode takes backup, view or site, not " + v;
      o->mode = v;
      if (v == "backup") put(o, "FileCopy", "1");
    } else if (name == "--entry") {
      if (!take(&v)) return name + " needs index or topindex";
      if (v != "index" && v != "topindex") return "--entry takes index or topindex, not " + v;
      o->entry = v + ".html";
    } else if (name == "--set") {
      if (!take(&v)) return "--set needs KEY=VALUE";
      size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0) return "--set needs KEY=VALUE, not " + v;
      SettingPut check;
      if (std::string bad = setting_put_for(v.substr(0, eq), v.substr(eq + 1), &check); !bad.empty())
        return bad;
      o->settings_to_put.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    } else {
      return "unknown option " + arg;
    }
  }
  if (!o->mode.empty() && !o->folder.empty()) return "--mode " + o->mode + " takes no folder: " + o->folder;
  if (!o->help && !o->version && o->folder.empty() && o->mode.empty()) return "no folder given";
  return "";
}

std::string setting_put_for(const std::string &key, const std::string &value, SettingPut *out) {
  const CliSettingKey *entry = cli_setting_key(key);
  if (!entry) return "unknown settings key " + key;
  out->number = entry->number;
  out->text = false;
  switch (entry->kind) {
    case CliSettingKind::Int:
      if (!parse_int(value, &out->value)) return key + " needs a whole number, not " + value;
      return "";
    case CliSettingKind::Color:
      if (!parse_color(value, &out->value)) return key + " needs a colour #RRGGBB, not " + value;
      return "";
    case CliSettingKind::Ratio: {
      char *end = nullptr;
      double r = strtod(value.c_str(), &end);
      if (value.empty() || *end || !std::isfinite(r) || r < 0 || r > 1e8)
        return key + " needs a number such as 1.5, not " + value;
      out->text = true;  // taken whole, as the file takes it, not cut to tenths
      out->text_value = value;
      return "";
    }
    case CliSettingKind::Text:
      out->text = true;
      out->text_value = value;
      return "";
    case CliSettingKind::FileOnly:
      return key + " can only be changed in quillo.ini";
    case CliSettingKind::ProgramChosen:
      return key + " is chosen by the program and cannot be set";
    case CliSettingKind::EngineKept:
      return key + " is kept by the engine and cannot be set";
  }
  return "unknown settings key " + key;
}

std::string cli_usage() {
  return R"(Usage: quillo [options] FOLDER
       quillo [options] --mode backup|view|site

Harvests the pictures of FOLDER (and its subfolders, as the settings say) into a
catalog: a folder of thumbnail pages below the output folder, with a frameset
page, a file index and a picture viewer. Prints the catalog's entry page.

Settings come from quillo.ini in the settings folder; the options below change
them for this run only (the file is not rewritten).

  -s, --settings DIR      settings folder holding quillo.ini (default: the folder
                          of the quillo program; for an installed quillo, your
                          copy of its settings in ~/.config/quillo)
  -o, --output DIR        output folder; the catalog goes to DIR/<folder name>/html_N
                          (default: OutputPath of the settings). Made when missing.
  -d, --depth N           search subfolders down to depth N (0: no subfolders)
      --thumb-width N     thumbnails N pixels wide
      --thumb-height N    thumbnails N pixels high
      --no-thumbnails     make no thumbnail files: the pages show the pictures
                          themselves at thumbnail size (MakeThumbnail 0)
      --sort KEY[,desc]   order of the pictures: none, accessed, created, size
                          (pixel area), name, or taken (the date a photo was
                          taken, from its Exif data, else the file's time);
                          oldest or smallest first unless ",desc" (SortType,
                          SortMode)
      --page-megabytes N  a new page after N megabytes of pictures
      --page-files N      a new page after N pictures
      --copy, --no-copy   copy the pictures into the output folder's Images folder
                          (FileCopy 1), or link them where they are (FileCopy 0)
      --search WORDS      only paths that match every word (LastSearchString)
      --types LIST        only these file types, comma-separated: jpeg, tiff, bmp,
                          png, gif, webp, avif, avi, movie (MOV, MPG, MP4, WebM),
                          or all (EnableFileType), e.g. --types jpeg,webp,avif
      --set KEY=VALUE     any key of quillo.ini, e.g. --set SortType=4,
                          --set BgColor=#FFFFEE, --set Y/XRatio=1.5
      --entry PAGE        print "index" (frameset, default) or "topindex"
      --open              open the entry page in the desktop's browser
      --mode MODE         a browser-cache run instead of a FOLDER:
                            backup  copy the browser cache into the backup
                                    (OUTPUT/<cache name>/Images, e.g.
                                    OUTPUT/chromium-Default/Images) and
                                    write its catalog (cache_view_1); the cache
                                    index is analysed, so pictures carry the
                                    addresses they came from
                            view    a catalog of the backup (cache_view_1)
                            site    the backup's catalog as a site launcher
                                    (site_lunch_1)
      --cache-folder DIR  the browser cache for this run (setting CacheFolder): a
                          Chromium, Chrome or Brave cache (.../Cache/Cache_Data or
                          the profile folder), a Firefox cache (.../cache2 or the
                          profile folder), or an old "Temporary Internet Files"
                          folder holding Content.IE5; default: the setting, else
                          the old cache derived from OS, WINDIR and USERPROFILE
                          (e.g. USERPROFILE="/mnt/win/Documents and Settings/ann"
                          OS=Windows_NT) when it exists, else the first cache
                          that --list-caches prints
      --list-caches       print the browser caches found, one per line:
                          kind, browser, profile and folder, tab-separated
  -q, --quiet             no status texts or progress bar
      --timings           print the wall time of each phase of the run (stderr)
  -h, --help              this text
      --version           the program's version

Options of the desktop program's external run (same meaning as above):
  /S:n                    --depth n
  /T:Hn, /T:Wn            --thumb-height n, --thumb-width n
  /P:Mn, /P:Nn            --page-megabytes n, --page-files n
  /O:"DIR"                --output DIR

After the catalog of a FOLDER is written, quillo makes its thumbnail files as
the desktop program does (MakeThumbnail 1, unless --no-thumbnails): one JPEG per
picture in the catalog's Thumbs folder, at the size its page shows, on every
processor core; the pages link these files. A picture that cannot be decoded
gets a blank thumbnail and a message, and the run goes on. A thumbnail file that
cannot be written is named in a message, and quillo exits with 4. Ctrl-C during
this step stops it after the pictures in hand (whole files only) and exits with
130. A cache run (--mode) makes no thumbnail files unless --set MakeThumbnail=1.
If quillo died while decoding, the next run names the pictures it was decoding
(the note is kept beside the lock, see below).

quillo never yields to a window while it collects (CpuPriority 100), so Ctrl-C
ends it at once; with --set CpuPriority=N below 100 it pauses like the desktop
program and Ctrl-C stops the run cleanly.

While it runs, quillo holds an advisory lock on quillo.lok in its private
temporary folder quillo-<uid> inside TEMP (else TMPDIR, else /tmp); the file stays
when it ends, so that the desktop program can tell the run is over by deleting it.
A second quillo with the same temporary folder refuses to start while the lock is
held. A run also locks the folder it writes its catalog into (OUTPUT/<folder name>),
so two runs never write one catalog, whatever their temporary folders.

A run that fails changes nothing outside that folder: what it made is taken back,
and a catalog folder it reused keeps no half-written pages.

Exit status: 0 the catalog and its thumbnails were written; 1 the run failed or
placed no picture (the engine's error text is printed, and no page is named); 2
usage error; 3 another quillo holds the lock; 4 the catalog was written (its
page is named) but thumbnail files could not be written; 130 interrupted (after
the catalog was written, its page is still named).
)";
}
