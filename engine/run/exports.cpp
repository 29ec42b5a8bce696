// The small exports of the engine interface and the thin wrappers around the
// routines of the other subsystems.
#include <cstring>
#include <string>

#include "collect/collect_steps.h"
#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/file_list.h"
#include "core/guard.h"
#include "core/paths.h"
#include "core/text.h"
#include "links/cache_maintenance.h"
#include "links/link_pages.h"
#include "platform/platform.h"
#include "run/gathering.h"
#include "run/run_claim.h"
#include "settings/user_settings.h"

namespace {

// The pattern module lives beside the engine; the loader's search path is the fallback.
constexpr const char *kPatternModule = "librexp32.so";

int load_pattern_module(ZunoRecord &rec) {
  EngineState &e = engine();
  if (!e.pattern_module) {
    e.pattern_module = plat::load_module(join_path(plat::module_dir(), kPatternModule));
    if (!e.pattern_module) e.pattern_module = plat::load_module(kPatternModule);
  }
  if (!e.pattern_module) {
    plat::message_box((std::string(kPatternModule) + "が見つかりません").c_str(), "エラー");
    record_error(std::string(kPatternModule) + "が見つかりません");
    return -1;
  }
  rec.re_comp = reinterpret_cast<ReCompFn>(plat::module_symbol(e.pattern_module, "re_comp"));
  rec.re_compv = reinterpret_cast<ReCompvFn>(plat::module_symbol(e.pattern_module, "re_compv"));
  rec.re_exec = reinterpret_cast<ReExecFn>(plat::module_symbol(e.pattern_module, "re_exec"));
  return 0;
}

}  // namespace

extern "C" int ZunoInit(const char *settings_folder) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    copy_field(e.rec.IniPath, settings_folder ? settings_folder : "", "IniPath");
    int read = get_inifile(&e.rec);
    e.initialised = 1;
    if (load_pattern_module(e.rec) != 0) return -1;
    return read;
  });
}

extern "C" int ZunoFlash(void) {
  return guarded(-1, [] {
    EngineState &e = engine();
    if (e.initialised != 1) return -1;
    int r = put_inifile(&e.rec);
    e.initialised = 0;
    return r;
  });
}

extern "C" int ZunoFirstTime(char **folder) {
  return guarded(-1, [&] {
    if (!folder || !*folder) return -1;
    std::string dir = without_trailing_separator(*folder);
    if (dir.empty()) return -1;
    if (!plat::exists(join_path(dir, "quillo.ini"))) return -1;
    // An installed program folder stands for the user's own copy of its settings.
    bool made = false;
    std::string settings = user_settings_for(dir, &made);
    if (settings.empty()) return -1;
    write_buffer(folder, settings, "settings folder");
    return 0;
  });
}

extern "C" int ZunoDirChk(const char *path) {
  if (!path) return -2;
  plat::Stat st;
  if (!plat::stat_path(path, &st)) return -1;
  return st.is_dir ? 1 : 0;
}

extern "C" int ZunoPathCut(int, char **path) {
  return guarded(-1, [&] {
    if (!path || !*path) return -1;
    std::string_view text = *path;
    size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    size_t start = text.rfind('/', end == 0 ? 0 : end - 1);
    start = (start == std::string_view::npos || end == 0) ? 0 : start + 1;
    if (start > end) start = end;
    std::string component(text.substr(start, end - start));
    // The four digits cannot hold more; a component this long is cut.
    if (component.size() > 9999) component.resize(9999);
    char count[8];
    snprintf(count, sizeof count, "%04d", static_cast<int>(component.size()));
    write_buffer(path, count + component, "path component");
    return static_cast<int>(component.size());
  });
}

extern "C" int ZunoChangeFileMode(int mode, const char *path) {
  if (!path) return -1;
  plat::Stat st;
  if (!plat::stat_path(path, &st)) return -1;
  return plat::set_writable(path, (mode & 0x80) != 0) == 0 ? 0 : -1;
}

extern "C" int ZunoLastOutPut(char **buffer) {
  write_buffer(buffer, engine().rec.LastOutputPath, "last output folder");
  return 0;
}

extern "C" int ZunoGetPicture(const void *block) {
  return guarded(-1, [&] {
    if (!block) return -1;
    std::string data(static_cast<const char *>(block), 4098);
    std::string folder = private_temp_folder();
    if (folder.empty()) return -1;
    int err = plat::write_file_atomic(join_path(folder, "getpic.dat"), data);
    return err ? record_errno(err) : 0;
  });
}

extern "C" int ZunoLastCount(int keep, int *folders, int *files, int *outputs, int *bytes) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    int count = counttree(&e.files, folders, files, outputs, bytes);
    if (keep != 1) {
      empty_list(&e.files);
      e.busy = 0;
      claim_release(e);
    }
    return count;
  });
}

extern "C" long long ZunoLastTotalBytes(void) {
  return guarded(-1LL, [] { return static_cast<long long>(engine().last_total_bytes); });
}

extern "C" int ZunoCountFile(const char *folder, int *folders, int *files, int *outputs, int *bytes) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    if (e.busy) return ZUNO_BUSY;
    e.busy = 1;
    e.abort_flag = 0;  // a stop asked for during an earlier run must not cut this count short
    maketree(nullptr, e.rec.EnableFileType, 0, 100, folder ? folder : "", &e.files);
    int count = counttree(&e.files, folders, files, outputs, bytes);
    empty_list(&e.files);
    e.busy = 0;
    return count;
  });
}

extern "C" int ZunoGetFiles(char **buffer) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    bool in_run = e.run_phase == 1;
    // A run whose preparation or an earlier step failed gathers nothing more.
    const char *status = in_run && !claim_usable(e) ? kGatherError : get_files(&e.rec, &e.files);
    if (in_run && strcmp(status, kGatherError) == 0) claim_abandon(e);
    write_buffer(buffer, status, "status");
    return 0;
  });
}

extern "C" int ZunoGetThumbInfo(char **source, char **thumb, int *disp_w, int *disp_h, int *w, int *h) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    char src[ZUNO_BUFSIZE] = "", dst[ZUNO_BUFSIZE] = "";
    int r = get_thumbinfo(&e.rec, &e.files, src, dst, disp_w, disp_h, w, h);
    if (r == 1) {
      write_buffer(source, src, "thumbnail source");
      write_buffer(thumb, dst, "thumbnail path");
    }
    return r;
  });
}

extern "C" int ZunoCacheCheck(int mode) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    if (e.busy) return ZUNO_BUSY;
    e.busy = 1;
    return chk_cache(mode, &e.rec, &e.files);
  });
}

extern "C" int ZunoDelReq(int mode) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    if (e.busy) return ZUNO_BUSY;
    int r = del_request(mode, &e.rec, &e.files);
    empty_list(&e.files);
    return r;
  });
}

extern "C" int ZunoCreatFavorites(void) {
  return guarded(-1, [] {
    EngineState &e = engine();
    if (e.busy) return ZUNO_BUSY;
    int r = creat_favorites(&e.rec, &e.files);
    empty_list(&e.files);
    return r;
  });
}

extern "C" int ZunoPicView(const char *text) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    // The picture view rebuilds the file list; it must not take it from an open collection.
    if (e.busy) return ZUNO_BUSY;
    e.busy = 1;
    int r = pic_view(&e.rec, text);
    e.busy = 0;
    return r;
  });
}

namespace {
// The part of a path from the cache folder name on, or nullptr.
const char *from_cache_folder(const char *path) {
  return path ? strstr(path, "Content.IE5") : nullptr;
}
}  // namespace

extern "C" int ZunoGetAnarizedURL(const char *path, char **buffer) {
  return guarded(-1, [&] {
    const char *key = from_cache_folder(path);
    if (!key) return -1;
    char address[1024] = "";
    int r = get_anarized_url(key, address);
    if (r == 0 && strlen(address) >= ZUNO_BUFSIZE) return -1;  // a cut address would name another page
    if (r == 0) write_buffer(buffer, address, "address");
    return r;
  });
}

extern "C" int ZunoDelCache(const char *path) {
  return guarded(-1, [&] {
    const char *entry = from_cache_folder(path);
    if (!entry) return -1;
    return del_cache_text(engine().rec, entry);
  });
}

extern "C" int ZunoGetLinkPage(const char *address, char **buffer) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    char out[ZUNO_BUFSIZE] = "";
    build_link_pages(e.rec, &e.link_pages);
    int r = get_urllink(&e.link_pages, address, out);
    write_buffer(buffer, out, "link page");
    return r;
  });
}
