#include "startup_store.h"

#include <QDir>
#include <QSettings>

namespace store {
namespace {

struct Key {
  const char *name;
  const char *fallback;
};

// No drives here: the drive part of a folder is empty and the root folder stands for "\".
constexpr Key kKeys[] = {
    {"ini", "nodata"},        {"LastSetDrv", ""},   {"LastSetDir", "/"},
    {"CurrentOutPutDir", ""}, {"TempFilePath", ""}, {"LastTop", "-1"},
    {"LastLeft", "-1"},       {"RatioAve", "0"},    {"LastProcPicName", "nodata"},
};

const QString kApplication = QStringLiteral("クイロ～");

}  // namespace

std::unique_ptr<QSettings> open() {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kApplication,
                                     kApplication);
}

QString default_of(const QString &key) {
  // A first start shows the user's own folders, where their pictures are, not the disk's root.
  if (key == QLatin1String("LastSetDir")) return QDir::homePath();
  for (const Key &k : kKeys)
    if (key == QLatin1String(k.name)) return QString::fromUtf8(k.fallback);
  return QString();
}

QString read(const QString &key) {
  QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
  settings.beginGroup(QStringLiteral("Startup"));
  return settings.value(key, default_of(key)).toString();
}

void write(const QString &key, const QString &value) {
  QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
  settings.beginGroup(QStringLiteral("Startup"));
  settings.setValue(key, value);
}

}  // namespace store
