#include "browser_cache.h"

#include "engine_binding.h"
#include "startup_store.h"

namespace browser_cache {
namespace {

const QString kStoreKey = QStringLiteral("CacheFolder");

// What the settings file says, as the engine read it; known once the engine was handed the choice.
struct FileValue {
  QString folder;
  bool known = false;
};

FileValue &file_value() {
  static FileValue value;
  return value;
}

void put_current() {
  const QString chosen = chosen_folder();
  engine::put_str(ZUNO_CacheFolder, chosen.isEmpty() ? file_value().folder : chosen);
}

}  // namespace

QString chosen_folder() {
  return store::read(kStoreKey);
}

void choose(const QString &folder) {
  store::write(kStoreKey, folder);
  if (file_value().known) put_current();
}

void hand_over() {
  FileValue &file = file_value();
  file.known = engine::get_str(ZUNO_CacheFolder, file.folder) == 0;
  if (file.known) put_current();
}

void take_back() {
  if (file_value().known) engine::put_str(ZUNO_CacheFolder, file_value().folder);
}

}  // namespace browser_cache
