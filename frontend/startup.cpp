#include "startup.h"

#include <QDir>
#include <QGuiApplication>
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

  if (engine::init(state.settings_folder) == -1) {
    const QString reason = engine::last_err();
    prompt::show(nullptr, QStringLiteral("設定ファイル %1 を読み込めません。クイロ～を終了します。%2")
                              .arg(QDir(state.settings_folder).filePath(kSettingsFile),
                                   reason.isEmpty() ? QString() : QStringLiteral("\n") + reason));
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
