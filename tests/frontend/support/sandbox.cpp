#include "sandbox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include "engine_binding.h"
#include "program_state.h"
#include "settings_mirror.h"

void prepare_test_environment() {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
}

int engine_setting(ZunoSettingNumber number) {
  return engine::get(number);
}

Sandbox::Sandbox() {
  for (const char *sub : {"program", "temp", "config", "pictures"})
    QDir(dir_.path()).mkpath(QString::fromLatin1(sub));
  install_settings(program_folder());
  qputenv("TEMP", QFile::encodeName(temp_folder()));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
  // The desktop trash and the browser favourites of the sandbox, never the user's.
  qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
  // The browser caches a run finds by itself: the sandbox's, never the user's.
  qputenv("XDG_CACHE_HOME", QFile::encodeName(path(QStringLiteral("cache"))));
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path(QStringLiteral("config")));

  const QString capture = path(QStringLiteral("browser.sh"));
  QFile script(capture);
  script.open(QIODevice::WriteOnly);
  script.write(
      QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n").arg(path("browser.log")).toUtf8());
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("QUILLO_BROWSER", QFile::encodeName(capture));

  engine::set_library_folder(QStringLiteral(QUILLO_PROGRAM_DIR));
  program_state() = ProgramState{};
  program_state().program_folder = program_folder();
  settings_mirror() = SettingsMirror{};
  prompt::set_handler([this](const QString &text, prompt::Buttons) {
    prompts << text;
    return answers.isEmpty() ? prompt::Answer::Ok : answers.takeFirst();
  });
}

Sandbox::~Sandbox() {
  if (main_) delete main_.data();
  if (title_) delete title_.data();
  prompt::set_handler(nullptr);
  QDir::setCurrent(QDir::tempPath());
}

QString Sandbox::path(const QString &relative) const {
  return QDir(dir_.path()).filePath(relative);
}

void Sandbox::install_settings(const QString &folder) const {
  QDir().mkpath(folder);
  const QDir program(QStringLiteral(QUILLO_PROGRAM_DIR));
  QFile::copy(program.filePath(QStringLiteral("quillo.ini")),
              QDir(folder).filePath(QStringLiteral("quillo.ini")));
  QFile(QDir(folder).filePath(QStringLiteral("quillo.ini")))
      .setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  for (const char *sub : {"html", "button"})
    QFile::link(program.filePath(QString::fromLatin1(sub)), QDir(folder).filePath(QString::fromLatin1(sub)));
}

void Sandbox::set_ini(const QString &folder, const QString &key, const QString &value) const {
  QFile file(QDir(folder).filePath(QStringLiteral("quillo.ini")));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
  file.close();
  bool found = false;
  for (QString &line : lines) {
    if (line.startsWith(key + QLatin1Char('='))) {
      line = key + QLatin1Char('=') + value;
      found = true;
    }
  }
  QVERIFY2(found, qPrintable(key));
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(lines.join(QLatin1Char('\n')).toUtf8());
}

QString Sandbox::ini_value(const QString &folder, const QString &key) const {
  QFile file(QDir(folder).filePath(QStringLiteral("quillo.ini")));
  if (!file.open(QIODevice::ReadOnly)) return QString();
  for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
    if (line.startsWith(key + QLatin1Char('='))) return line.mid(key.size() + 1).trimmed();
  return QString();
}

void Sandbox::make_picture(const QString &file, int width, int height) const {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor::fromHsv((width * 7 + height) % 360, 160, 220));
  for (int x = 0; x < width; x += 8) image.setPixel(x, x * height / width, qRgb(20, 20, 20));
  QDir().mkpath(QFileInfo(file).absolutePath());
  QVERIFY2(image.save(file), qPrintable(file));
}

QStringList Sandbox::opened_pages() const {
  QFile log(path(QStringLiteral("browser.log")));
  if (!log.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

MainWindow *Sandbox::start() {
  started = start_program();
  main_ = started.main;
  title_ = started.title;
  if (!started.main) return nullptr;
  if (auto *splash = started.title->findChild<QTimer *>(QStringLiteral("SplashTimer"))) splash->start(0);
  if (!QTest::qWaitFor([this] { return main_ && main_->isVisible(); }, 5000)) return nullptr;
  return main_;
}
