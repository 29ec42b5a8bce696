// The one way into the engine: libzuno.so is loaded from the program's own folder at the first call and every
// export is bound by name at its first use. A missing library or export is reported once in Japanese and the
// call answers -1, so every caller simply takes its ordinary failure path.
#pragma once

#include <QList>
#include <QString>

#include "zuno.h"

namespace engine {

// The four counters that ZunoLastCount and ZunoCountFile fill.
struct Counts {
  int folders = 0;
  int files = 0;
  int outputs = 0;
  int bytes = 0;
  qint64 total_bytes = 0;  // the same total, not capped at 2 GiB
};

// What ZunoGetThumbInfo hands over for one picture.
struct ThumbInfo {
  QString source;
  QString thumb;
  int disp_width = 0;
  int disp_height = 0;
  int width = 0;
  int height = 0;
};

// A browser cache the engine found on this desktop.
struct FoundCache {
  QString kind;  // "chromium" or "firefox"
  QString browser;
  QString profile;
  QString folder;
};

// Where libzuno.so is looked for; the program's own folder unless set (tests point it elsewhere).
void set_library_folder(const QString &folder);
QString library_path();
// Loads the library if that was not tried yet; false when it cannot be loaded (already reported).
bool library_loaded();
// Forgets the loaded library and every bound export, so the next call loads afresh (tests).
void unload_library();

int first_time(QString &folder);
int init(const QString &settings_folder);
int flash();
// Settings are reached by their names (zuno.h); a run of neighbouring settings by the first name and an
// offset.
int get(ZunoSettingNumber number);
int put(ZunoSettingNumber number, int value);
int get_str(ZunoSettingNumber number, QString &value);
int put_str(ZunoSettingNumber number, const QString &value);
constexpr ZunoSettingNumber setting_after(ZunoSettingNumber first, int offset) {
  return static_cast<ZunoSettingNumber>(static_cast<int>(first) + offset);
}

int dir_chk(const QString &path);  // a null QString is passed as "no path"
// Last component of a path (trailing blanks ignored); returns its byte count, or -1.
int path_cut(const QString &path, QString &component);
int set_progress_proc(ZunoTotalProc total, ZunoVoidProc step, ZunoVoidProc poll, ZunoVoidProc tick);
int abort_req();
QString last_err();
int new_main(const QString &settings_folder, const QString &target, const QString &output);
// The older single-call run (ZunoMain): a folder-by-folder catalog of target straight into output/<target's
// name>, whose entry page is index.html there. 0 success, 1 failure (also when the export is missing).
int old_main(const QString &settings_folder, const QString &target, const QString &output);
int get_files(QString &status);
int last_count(int keep, Counts &counts);
int last_output(QString &folder);
int count_file(const QString &folder, Counts &counts);
int get_thumb_info(ThumbInfo &info);
// The same two exports with their own signatures, for callers that keep the engine's bytes as they are.
int last_count_raw(int keep, int *folders, int *files, int *outputs, int *bytes);
int get_thumb_info_raw(char **source, char **thumb, int *disp_width, int *disp_height, int *width,
                       int *height);
int cache_check(int mode);
int cache_del(int mode);
int del_cache(const QString &path);
int creat_favorites();
int get_anarized_url(const QString &path, QString &address);
int get_link_page(const QString &address, QString &page);
int pic_view(const QString &text);
int change_file_mode(int mode, const QString &path);
// The browser caches found, in the order a run without a chosen cache tries them (empty on failure).
QList<FoundCache> list_caches();

}  // namespace engine
