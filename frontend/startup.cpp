#include "startup.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <QScreen>
#include <cmath>

#include "detail_window.h"
#include "engine_binding.h"
#include "first_run_dialog.h"
#include "main_window.h"
#include "output_window.h"
#include "program_state.h"
#include "prompt.h"
#include "property_dialog.h"
#include "settings_mirror.h"
#include "startup_store.h"
#include "title_window.h"

ProgramState &program_state() {
  static ProgramState state;
  return state;
}

namespace {

const QString kSettingsFile = QStringLiteral("quillo.ini");
const QString kBackupFile = QStringLiteral("quillo.ibk");
// ZunoInit's answer when quillo.ini cannot be used but quillo.ibk beside it holds settings.
constexpr int kIniBackupGood = ZUNO_INI_BACKUP_GOOD;

QString without_trailing_separator(QString folder) {
  while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
  return folder;
}

// The text up to its last path component, separator included (trailing blanks do not count).
QString folder_part(const QString &path) {
  QString trimmed = path;
  while (trimmed.endsWith(QLatin1Char(' '))) trimmed.chop(1);
  QString component;
  engine::path_cut(trimmed, component);
  return trimmed.left(trimmed.size() - component.size());
}

bool holds_settings_file(const QString &folder) {
  return engine::dir_chk(QDir(folder).filePath(kSettingsFile)) == 0;
}

// Asks until the text names an existing file that is not a folder. False when the user cancels.
bool ask_for_settings_file(const QString &program_folder, QString &chosen) {
  do {
    if (prompt::show(nullptr, program_folder + QStringLiteral("/ZunoP.iniがありません"),
                     prompt::Buttons::OkCancel) == prompt::Answer::Cancel)
      return false;
    FirstRunDialog dialog(program_folder);
    dialog.exec();
    chosen = dialog.text();
  } while (engine::dir_chk(chosen) != 0);
  return true;
}

// Top and left of a window centred on the primary screen.
QPoint centred(const QSize &size) {
  const QScreen *screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
  return QPoint(area.width() / 2 - size.width() / 2, area.height() / 2 - size.height() / 2);
}

void place_main_window(MainWindow &main) {
  main.ensurePolished();
  main.adjustSize();
  int top = store::read(QStringLiteral("LastTop")).toInt();
  int left = store::read(QStringLiteral("LastLeft")).toInt();
  const QPoint middle = centred(main.frameGeometry().size());
  if (top < 0) top = middle.y();
  if (left < 0) left = middle.x();
  main.move(left, top);
}

// Puts the backup in place of the settings file, written whole or not at all. Empty, or why it failed.
QString restore_settings_backup(const QString &folder) {
  QFile backup(QDir(folder).filePath(kBackupFile));
  if (!backup.open(QIODevice::ReadOnly)) return backup.errorString();
  const QByteArray bytes = backup.readAll();
  if (backup.error() != QFileDevice::NoError) return backup.errorString();
  QSaveFile settings(QDir(folder).filePath(kSettingsFile));
  if (!settings.open(QIODevice::WriteOnly) || settings.write(bytes) != bytes.size() || !settings.commit())
    return settings.errorString();
  return QString();
}

// Asks whether the good backup should replace the settings file the engine refused, and puts it back. True
// when it is back; false when the user declined (the question said the program ends) or it could not be
// written (said so).
bool offer_settings_backup(const QString &folder, const QString &reason) {
  const QString settings = QDir(folder).filePath(kSettingsFile);
  const QString backup = QDir(folder).filePath(kBackupFile);
  const QString why = reason.section(QLatin1Char('\n'), 0, 0);
  const QString question =
      QStringLiteral(
          "%1\n\n前回保存したときの控え %2 は無事です。控えを %3 に書き戻して起動しますか？\n"
          "（キャンセルするとクイロ～を終了します）")
          .arg(why.isEmpty() ? QStringLiteral("設定ファイル %1 を読み込めません。").arg(settings) : why,
               backup, settings);
  if (prompt::show(nullptr, question, prompt::Buttons::OkCancel) != prompt::Answer::Ok) return false;
  const QString failed = restore_settings_backup(folder);
  if (failed.isEmpty()) return true;
  prompt::show(nullptr, QStringLiteral("控え %1 を %2 に書き戻せません。クイロ～を終了します。\n%3")
                            .arg(backup, settings, failed));
  return false;
}

// Starts the engine on the settings folder, offering the backup when the settings file is damaged. False
// when the program has to end (the reason was shown).
bool start_engine(const QString &folder) {
  int read = engine::init(folder);
  if (read == kIniBackupGood) {
    if (!offer_settings_backup(folder, engine::last_err())) return false;
    read = engine::init(folder);
  }
  if (read >= 0) return true;
  const QString reason = engine::last_err();
  prompt::show(nullptr, QStringLiteral("設定ファイル %1 を読み込めません。クイロ～を終了します。%2")
                            .arg(QDir(folder).filePath(kSettingsFile),
                                 reason.isEmpty() ? QString() : QStringLiteral("\n") + reason));
  return false;
}

}  // namespace

bool find_settings_folder(QString &settings_folder) {
  const QString program_folder = program_state().program_folder;
  for (;;) {
    QString candidate = program_folder;
    if (engine::first_time(candidate) == -1) {
      QString chosen;
      if (!ask_for_settings_file(program_folder, chosen)) return false;
      candidate = folder_part(chosen);
    }
    settings_folder = without_trailing_separator(candidate);
    if (!settings_folder.isEmpty()) return true;
    if (prompt::show(nullptr, QStringLiteral("設定ファイル(Quillo.ini)が用意されていないようです"),
                     prompt::Buttons::AbortRetryIgnore) == prompt::Answer::Abort)
      return false;
  }
}

StartedProgram start_program() {
  ProgramState &state = program_state();
  SettingsMirror &mirror = settings_mirror();
  if (!engine::library_loaded()) return {};

  auto *title = new TitleWindow;
  state.last_proc_pic_name = store::read(QStringLiteral("LastProcPicName"));
  state.settings_folder = store::read(QStringLiteral("ini"));
  // A stored folder that lost its settings file is treated like no folder, or the program could never start.
  if (state.settings_folder == QLatin1String("nodata") || !holds_settings_file(state.settings_folder)) {
    if (!find_settings_folder(state.settings_folder)) {
      delete title;
      return {};
    }
  }
  state.last_drive = store::read(QStringLiteral("LastSetDrv"));
  state.last_folder = store::read(QStringLiteral("LastSetDir"));
  state.output_folder = store::read(QStringLiteral("CurrentOutPutDir"));
  if (state.output_folder.isEmpty())
    state.output_folder = QDir(state.program_folder).filePath(QStringLiteral("OUTPUT"));
  if (engine::dir_chk(state.output_folder) == -1) QDir().mkdir(state.output_folder);
  state.ratio_average = static_cast<int>(std::lround(store::read(QStringLiteral("RatioAve")).toDouble()));
  state.start_folder = QDir::currentPath();

  auto *main = new MainWindow;
  main->setAttribute(Qt::WA_DeleteOnClose);
  main->start_up();
  main->refresh_drives();
  // The folder browser opens at the folder used last, or else at the current directory.
  if (engine::dir_chk(state.last_folder) == -1 || !main->select_folder(state.last_folder))
    main->select_folder(QDir::currentPath());
  main->property_dialog()->sync_thumb_scroll();
  main->apply_mode_enabling();

  if (!start_engine(state.settings_folder)) {
    delete main;
    delete title;
    return {};
  }
  load_mirror(mirror);
  register_progress_callbacks();
  main->output_window()->set_box_text(state.output_folder);
  engine::put_str(8, main->output_window()->box_text());
  main->property_dialog()->fill_from_mirror();
  main->detail_window()->fill_from_mirror();
  main->fill_from_mirror();
  main->apply_display_style();
  main->apply_mode_enabling();
  // Placed once its contents are final, so that centring uses the size it is shown with.
  place_main_window(*main);
  main->output_window()->place_beside_anchor();
  main->property_dialog()->place_beside_anchor();

  title->apply_display_style(mirror.display_style);
  title->centre_on_screen();
  title->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(title, &TitleWindow::finished, main, &QWidget::show);
  title->show();
  return {title, main};
}

void save_startup_values(MainWindow &main) {
  ProgramState &state = program_state();
  const SettingsMirror &mirror = settings_mirror();
  push_mirror(mirror, state.output_folder);
  if (mirror.flush_at_exit) engine::flash();
  state.last_drive.clear();
  state.last_folder = main.selected_folder();
  store::write(QStringLiteral("ini"), state.settings_folder);
  store::write(QStringLiteral("LastSetDrv"), state.last_drive);
  store::write(QStringLiteral("LastSetDir"), state.last_folder);
  store::write(QStringLiteral("CurrentOutPutDir"), state.output_folder);
  store::write(QStringLiteral("TempFilePath"), QString());
  if (main.y() >= 0) store::write(QStringLiteral("LastTop"), QString::number(main.y()));
  if (main.x() >= 0) store::write(QStringLiteral("LastLeft"), QString::number(main.x()));
  store::write(QStringLiteral("RatioAve"), QString::number(state.ratio_average));
  QDir::setCurrent(state.start_folder);
}
