#include "engine_binding.h"

#include <dlfcn.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cstring>

#include "prompt.h"

namespace engine {
namespace {

constexpr const char *kLibraryName = "libzuno.so";

struct Library {
  QString folder;
  void *handle = nullptr;
  bool tried = false;
  QHash<QByteArray, void *> exports;
  QSet<QByteArray> reported;
};

Library &library() {
  static Library lib;
  return lib;
}

QString folder_of_library() {
  Library &lib = library();
  return lib.folder.isEmpty() ? QCoreApplication::applicationDirPath() : lib.folder;
}

void *open_library() {
  Library &lib = library();
  if (lib.tried) return lib.handle;
  lib.tried = true;
  const QByteArray path = QFile::encodeName(library_path());
  lib.handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
  if (!lib.handle) {
    const char *why = dlerror();
    prompt::show(nullptr, QStringLiteral("エンジン %1 を読み込めません。\n%2")
                              .arg(library_path(), QString::fromLocal8Bit(why ? why : "")));
  }
  return lib.handle;
}

// The address of an export, bound at its first use; nullptr (reported once per name) when it is missing.
void *resolve(const char *name) {
  Library &lib = library();
  const QByteArray key(name);
  if (auto found = lib.exports.constFind(key); found != lib.exports.constEnd()) return found.value();
  void *handle = open_library();
  if (!handle) return nullptr;
  void *address = dlsym(handle, name);
  if (address) {
    lib.exports.insert(key, address);
  } else if (!lib.reported.contains(key)) {
    lib.reported.insert(key);
    prompt::show(nullptr, QStringLiteral("エンジン %1 に関数 %2 がありません。")
                              .arg(library_path(), QString::fromLatin1(name)));
  }
  return address;
}

template <typename Fn>
Fn bind(const char *name) {
  return reinterpret_cast<Fn>(resolve(name));
}

#define ZUNO_EXPORT(name) bind<decltype(&::name)>(#name)

// A 256-byte area handed to the engine as a buffer; pre-filled with a text when the export reads one.
struct Area {
  char bytes[ZUNO_BUFSIZE + 1] = {};
  char *address = bytes;

  Area() = default;
  explicit Area(const QString &initial) {
    const QByteArray text = initial.toUtf8();
    memcpy(bytes, text.constData(), std::min<size_t>(text.size(), ZUNO_BUFSIZE - 1));
  }
  QString text() const { return QString::fromUtf8(bytes, qstrnlen(bytes, ZUNO_BUFSIZE)); }
};

// The byte total of the count just made, beyond what its int holds; the int's own value
// from an engine without the export.
qint64 total_of_last_count(int capped) {
  auto fn = ZUNO_EXPORT(ZunoLastTotalBytes);
  const long long total = fn ? fn() : -1;
  return total >= 0 ? total : capped;
}

}  // namespace

void set_library_folder(const QString &folder) {
  library().folder = folder;
}

QString library_path() {
  return QDir(folder_of_library()).filePath(QString::fromLatin1(kLibraryName));
}

bool library_loaded() {
  return open_library() != nullptr;
}

void unload_library() {
  Library &lib = library();
  if (lib.handle) dlclose(lib.handle);
  lib.handle = nullptr;
  lib.tried = false;
  lib.exports.clear();
  lib.reported.clear();
}

int first_time(QString &folder) {
  auto fn = ZUNO_EXPORT(ZunoFirstTime);
  if (!fn) return -1;
  Area area(folder);
  const int result = fn(&area.address);
  if (result == 0) folder = area.text();
  return result;
}

int init(const QString &settings_folder) {
  auto fn = ZUNO_EXPORT(ZunoInit);
  return fn ? fn(settings_folder.toUtf8().constData()) : -1;
}

int flash() {
  auto fn = ZUNO_EXPORT(ZunoFlash);
  return fn ? fn() : -1;
}

int get(ZunoSettingNumber number) {
  auto fn = ZUNO_EXPORT(ZunoGet);
  return fn ? fn(number) : -1;
}

int put(ZunoSettingNumber number, int value) {
  auto fn = ZUNO_EXPORT(ZunoPut);
  return fn ? fn(number, value) : -1;
}

int get_str(ZunoSettingNumber number, QString &value) {
  auto fn = ZUNO_EXPORT(ZunoGetStr);
  if (!fn) return -1;
  Area area;
  const int result = fn(number, &area.address);
  if (result == 0) value = area.text();
  return result;
}

int put_str(ZunoSettingNumber number, const QString &value) {
  auto fn = ZUNO_EXPORT(ZunoPutStr);
  return fn ? fn(number, value.toUtf8().constData()) : -1;
}

int dir_chk(const QString &path) {
  auto fn = ZUNO_EXPORT(ZunoDirChk);
  if (!fn) return -1;
  if (path.isNull()) return fn(nullptr);
  return fn(path.toUtf8().constData());
}

int path_cut(const QString &path, QString &component) {
  auto fn = ZUNO_EXPORT(ZunoPathCut);
  if (!fn) return -1;
  Area area(path);
  const int length = fn(0, &area.address);
  // The engine writes "%04d" and the component; the component is what follows the four digits.
  component = QString::fromUtf8(area.bytes + std::min<size_t>(4, qstrnlen(area.bytes, ZUNO_BUFSIZE)));
  return length;
}

int set_progress_proc(ZunoTotalProc total, ZunoVoidProc step, ZunoVoidProc poll, ZunoVoidProc tick) {
  auto fn = ZUNO_EXPORT(ZunoSetProgressProc);
  return fn ? fn(total, step, poll, tick) : -1;
}

int abort_req() {
  auto fn = ZUNO_EXPORT(ZunoAbortReq);
  return fn ? fn() : -1;
}

QString last_err() {
  auto fn = ZUNO_EXPORT(ZunoGetLastErr);
  if (!fn) return QString();
  Area area;
  fn(&area.address);
  return area.text();
}

int new_main(const QString &settings_folder, const QString &target, const QString &output) {
  auto fn = ZUNO_EXPORT(ZunoNewMain);
  if (!fn) return -1;
  return fn(settings_folder.toUtf8().constData(), target.toUtf8().constData(), output.toUtf8().constData());
}

int old_main(const QString &settings_folder, const QString &target, const QString &output) {
  auto fn = ZUNO_EXPORT(ZunoMain);
  if (!fn) return 1;
  return fn(settings_folder.toUtf8().constData(), target.toUtf8().constData(), output.toUtf8().constData());
}

int get_files(QString &status) {
  auto fn = ZUNO_EXPORT(ZunoGetFiles);
  if (!fn) return -1;
  Area area;
  const int result = fn(&area.address);
  status = area.text();
  return result;
}

int last_count(int keep, Counts &counts) {
  auto fn = ZUNO_EXPORT(ZunoLastCount);
  if (!fn) return -1;
  counts = Counts{};
  const int result = fn(keep, &counts.folders, &counts.files, &counts.outputs, &counts.bytes);
  counts.total_bytes = total_of_last_count(counts.bytes);
  return result;
}

int last_output(QString &folder) {
  auto fn = ZUNO_EXPORT(ZunoLastOutPut);
  if (!fn) return -1;
  Area area;
  const int result = fn(&area.address);
  folder = area.text();
  return result;
}

int count_file(const QString &folder, Counts &counts) {
  auto fn = ZUNO_EXPORT(ZunoCountFile);
  if (!fn) return -1;
  counts = Counts{};
  const int result =
      fn(folder.toUtf8().constData(), &counts.folders, &counts.files, &counts.outputs, &counts.bytes);
  counts.total_bytes = total_of_last_count(counts.bytes);
  return result;
}

int get_thumb_info(ThumbInfo &info) {
  auto fn = ZUNO_EXPORT(ZunoGetThumbInfo);
  if (!fn) return -1;
  Area source;
  Area thumb;
  info = ThumbInfo{};
  const int result =
      fn(&source.address, &thumb.address, &info.disp_width, &info.disp_height, &info.width, &info.height);
  info.source = source.text();
  info.thumb = thumb.text();
  return result;
}

int last_count_raw(int keep, int *folders, int *files, int *outputs, int *bytes) {
  auto fn = ZUNO_EXPORT(ZunoLastCount);
  return fn ? fn(keep, folders, files, outputs, bytes) : -1;
}

int get_thumb_info_raw(char **source, char **thumb, int *disp_width, int *disp_height, int *width,
                       int *height) {
  auto fn = ZUNO_EXPORT(ZunoGetThumbInfo);
  return fn ? fn(source, thumb, disp_width, disp_height, width, height) : -1;
}

int cache_check(int mode) {
  auto fn = ZUNO_EXPORT(ZunoCacheCheck);
  return fn ? fn(mode) : -1;
}

int cache_del(int mode) {
  auto fn = ZUNO_EXPORT(ZunoCacheDel);
  return fn ? fn(mode) : -1;
}

int del_cache(const QString &path) {
  auto fn = ZUNO_EXPORT(ZunoDelCache);
  return fn ? fn(path.toUtf8().constData()) : -1;
}

int creat_favorites() {
  auto fn = ZUNO_EXPORT(ZunoCreatFavorites);
  return fn ? fn() : -1;
}

int get_anarized_url(const QString &path, QString &address) {
  auto fn = ZUNO_EXPORT(ZunoGetAnarizedURL);
  if (!fn) return -1;
  Area area;
  const int result = fn(path.toUtf8().constData(), &area.address);
  address = area.text();
  return result;
}

int get_link_page(const QString &address, QString &page) {
  auto fn = ZUNO_EXPORT(ZunoGetLinkPage);
  if (!fn) return -1;
  Area area;
  const int result = fn(address.toUtf8().constData(), &area.address);
  page = area.text();
  return result;
}

int pic_view(const QString &text) {
  auto fn = ZUNO_EXPORT(ZunoPicView);
  return fn ? fn(text.toUtf8().constData()) : -1;
}

int change_file_mode(int mode, const QString &path) {
  auto fn = ZUNO_EXPORT(ZunoChangeFileMode);
  return fn ? fn(mode, path.toUtf8().constData()) : -1;
}

QList<FoundCache> list_caches() {
  QList<FoundCache> found;
  auto fn = ZUNO_EXPORT(ZunoListCaches);
  const int needed = fn ? fn(nullptr, 0) : -1;
  if (needed <= 0) return found;
  QByteArray text(needed + 1, '\0');
  if (fn(text.data(), static_cast<int>(text.size())) < 0) return found;
  const QStringList lines = QString::fromUtf8(text.constData()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (const QString &line : lines) {
    const QStringList f = line.split(QLatin1Char('\t'));
    if (f.size() == 4) found.append({f[0], f[1], f[2], f[3]});
  }
  return found;
}

}  // namespace engine
