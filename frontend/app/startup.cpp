#include "startup.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>
#include <cmath>

#include "about_window.h"
#include "browser_cache.h"
#include "cache_clean_up.h"
#include "cache_folder_box.h"
#include "detail_window.h"
#include "dialog_window.h"
#include "engine_binding.h"
#include "first_run_dialog.h"
#include "flyout.h"
#include "main_window.h"
#include "output_window.h"
#include "program_state.h"
#include "prompt.h"
#include "property_dialog.h"
#include "qt_translations.h"
#include "run_controller.h"
#include "settings_mirror.h"
#include "startup_store.h"
#include "title_window.h"
#include "user_folders_dialog.h"

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

bool holds_settings_file(const QString &folder) {
  return engine::dir_chk(QDir(folder).filePath(kSettingsFile)) == 0;
}

// Asks until the user names the settings file or a folder that holds it. False when the user cancels.
bool ask_for_settings_folder(const QString &program_folder, QString &chosen) {
  do {
    if (prompt::show(nullptr,
                     program_folder + QLatin1Char('/') + kSettingsFile + QStringLiteral("がありません"),
                     prompt::Buttons::OkCancel) == prompt::Answer::Cancel)
      return false;
    FirstRunDialog dialog(program_folder);
    dialog.exec();
    chosen = dialog.settings_folder();
  } while (chosen.isEmpty());
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

// The main window asks the run controller for work; the controller's reports go to the main window, the
// output window (the folder box joins its list) and Dialog (an external run's command line and seconds).
void wire_run(const StartedProgram &p) {
  MainWindow *main = p.main;
  RunController *run = p.run;
  QObject::connect(main, &MainWindow::go_pressed, run, &RunController::go);
  QObject::connect(main, &MainWindow::stop_pressed, run, &RunController::stop);
  QObject::connect(main, &MainWindow::close_deferred, run, &RunController::close_after_run);
  QObject::connect(main, &MainWindow::folder_information_requested, run,
                   &RunController::show_folder_information);
  QObject::connect(main, &MainWindow::picture_dropped, run, &RunController::view_dropped_picture);
  QObject::connect(main, &MainWindow::thumbnail_link_dropped, run, &RunController::schedule_drop_menu);
  QObject::connect(main, &MainWindow::result_list_pressed, run, &RunController::stop_end_of_run_timer);
  QObject::connect(run, &RunController::run_shown, main, &MainWindow::show_running);
  QObject::connect(run, &RunController::busy_changed, main, &MainWindow::set_busy);
  QObject::connect(run, &RunController::external_run_changed, main, &MainWindow::set_external_running);
  QObject::connect(run, &RunController::state_picture_changed, main, &MainWindow::set_state_picture);
  QObject::connect(run, &RunController::progress_changed, main, &MainWindow::show_progress);
  QObject::connect(run, &RunController::status_changed, main, &MainWindow::show_status);
  QObject::connect(run, &RunController::line_added, main, &MainWindow::append_line);
  QObject::connect(run, &RunController::last_line_selected, main, &MainWindow::select_last_line);
  QObject::connect(run, &RunController::drop_menu_due, main, &MainWindow::pop_up_drop_menu);
  QObject::connect(run, &RunController::close_requested, main, &QWidget::close);
  QObject::connect(p.output, &OutputWindow::box_text_changed, run, &RunController::set_output_box_text);
  QObject::connect(run, &RunController::output_box_used, p.output, &OutputWindow::add_box_text_to_list);
  QObject::connect(run, &RunController::external_run_shown, p.dialog, &DialogWindow::show_external_run);
  QObject::connect(run, &RunController::external_run_label_changed, p.dialog, &DialogWindow::set_label);
  QObject::connect(run, &RunController::external_run_hidden, p.dialog, &QWidget::hide);
  QObject::connect(p.dialog, &DialogWindow::catalog_requested, run, &RunController::show_result_in_browser);
  QObject::connect(p.detail, &DetailWindow::flash_requested, run, &RunController::flash_settings);
}

// The settings dialog and the output window fly out beside the main window; the settings dialog opens the
// detail window, which cleans up the cache in the folder the output window browses.
void wire_windows(const StartedProgram &p) {
  MainWindow *main = p.main;
  QObject::connect(main, &MainWindow::output_button_clicked, p.output_flyout, &FlyOut::button_clicked);
  QObject::connect(main, &MainWindow::options_button_clicked, p.property_flyout, &FlyOut::button_clicked);
  QObject::connect(main, &MainWindow::pointer_over_main, p.output_flyout, &FlyOut::pointer_over_main);
  QObject::connect(main, &MainWindow::pointer_over_main, p.property_flyout, &FlyOut::pointer_over_main);
  QObject::connect(main, &MainWindow::mode_changed, p.property, &PropertyDialog::apply_mode);
  QObject::connect(main, &MainWindow::version_requested, p.about, &QWidget::show);
  QObject::connect(main, &MainWindow::exiting, main, [main] { save_startup_values(*main); });
  for (QWidget *window : std::initializer_list<QWidget *>{p.output, p.property, p.detail, p.dialog, p.about})
    QObject::connect(main, &MainWindow::closing, window, &QWidget::hide);
  QObject::connect(p.property, &PropertyDialog::address_search_allowed, p.detail,
                   &DetailWindow::enable_address_search);
  DetailWindow *detail = p.detail;
  QObject::connect(p.property, &PropertyDialog::detail_requested, detail, [detail](const QPoint &where) {
    detail->move(where);
    detail->exec();
  });
  p.property->set_companion(detail);
  // The overwrite rules matter only while pictures are copied, whenever that was chosen.
  QObject::connect(p.main, &MainWindow::file_copy_changed, detail, &DetailWindow::enable_copy_rules);
  QObject::connect(p.output, &OutputWindow::browser_folder_changed, detail, &DetailWindow::set_cache_folder);
  QObject::connect(detail->browser_cache_box(), &CacheFolderBox::folder_chosen, detail,
                   &browser_cache::choose);
  DialogWindow *dialog = p.dialog;
  QObject::connect(detail, &DetailWindow::cache_clean_up_requested, detail,
                   [dialog, detail] { clean_up_cache(*dialog, detail); });
}

// The main window with the windows beside it and the run controller; all of them end with the main window.
StartedProgram make_windows(TitleWindow *title) {
  StartedProgram p;
  p.title = title;
  p.main = new MainWindow;
  p.main->setAttribute(Qt::WA_DeleteOnClose);
  p.run = new RunController(p.main);
  p.output = new OutputWindow(p.main);
  p.output->set_anchor(p.main);
  p.property = new PropertyDialog(p.main);
  p.property->set_anchor(p.main);
  p.detail = new DetailWindow(p.main);
  p.dialog = new DialogWindow(p.main);
  p.about = new AboutWindow(p.main);
  OutputWindow *output = p.output;
  PropertyDialog *property = p.property;
  p.output_flyout = new FlyOut(
      output, p.main->output_button(), [output] { output->place_beside_anchor(); },
      [output] { output->keep_box_text(); });
  p.property_flyout =
      new FlyOut(property, p.main->options_button(), [property] { property->place_beside_anchor(); });
  wire_run(p);
  wire_windows(p);
  return p;
}

// True when the engine takes the program folder for an installed one, whose settings are each user's own
// copy.
bool program_folder_shared(const QString &program_folder) {
  QString folder = program_folder;
  return engine::first_time(folder) == 0 && folder != without_trailing_separator(program_folder);
}

// The output folder of a user's first start: the program folder's OUTPUT; for an installed program the folder
// the user's own settings name (below the pictures folder), proposed to the user, who may choose another.
QString first_output_folder(const ProgramState &state) {
  const QString beside_program = QDir(state.program_folder).filePath(QStringLiteral("OUTPUT"));
  if (!program_folder_shared(state.program_folder)) return beside_program;
  QString proposed;
  if (engine::init(state.settings_folder) < 0 || engine::get_str(ZUNO_OutputPath, proposed) != 0 ||
      proposed.isEmpty())
    proposed = QDir(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
                   .filePath(QStringLiteral("Quillo"));
  UserFoldersDialog dialog(QDir(state.settings_folder).filePath(kSettingsFile), proposed);
  dialog.exec();
  const QString chosen = dialog.output_folder();
  return chosen.isEmpty() ? proposed : chosen;
}

}  // namespace

bool find_settings_folder(QString &settings_folder) {
  const QString program_folder = program_state().program_folder;
  for (;;) {
    QString candidate = program_folder;
    if (engine::first_time(candidate) == -1) {
      if (!ask_for_settings_folder(program_folder, candidate)) return false;
    }
    settings_folder = without_trailing_separator(candidate);
    if (!settings_folder.isEmpty()) return true;
    if (prompt::show(nullptr, QStringLiteral("設定ファイル(Quillo.ini)が用意されていないようです"),
                     prompt::Buttons::AbortRetryIgnore) == prompt::Answer::Abort)
      return false;
  }
}

StartedProgram start_program() {
  install_qt_translations();
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
  if (state.output_folder.isEmpty()) state.output_folder = first_output_folder(state);
  if (engine::dir_chk(state.output_folder) == -1) QDir().mkpath(state.output_folder);
  state.ratio_average = std::max(0.0, store::read(QStringLiteral("RatioAve")).toDouble());
  state.start_folder = QDir::currentPath();

  StartedProgram program = make_windows(title);
  MainWindow *main = program.main;
  main->start_up();
  program.output->refresh_drives();
  if (!state.output_folder.isEmpty()) program.output->browse_to(state.output_folder);
  program.run->start_favourites_refresh();
  main->refresh_drives();
  // The folder browser opens at the folder used last, or else at the current directory.
  if (engine::dir_chk(state.last_folder) == -1 || !main->select_folder(state.last_folder))
    main->select_folder(QDir::currentPath());
  program.property->sync_thumb_scroll();
  main->apply_mode_enabling();

  if (!start_engine(state.settings_folder)) {
    delete main;
    delete title;
    return {};
  }
  load_mirror(mirror);
  browser_cache::hand_over();
  program.run->register_progress_callbacks();
  program.output->set_box_text(state.output_folder);
  engine::put_str(ZUNO_OutputPath, program.output->box_text());
  program.property->fill_from_mirror();
  program.detail->fill_from_mirror();
  program.detail->browser_cache_box()->set_folder(browser_cache::chosen_folder());
  main->fill_from_mirror();
  main->apply_display_style();
  main->apply_mode_enabling();
  // Placed once its contents are final, so that centring uses the size it is shown with.
  place_main_window(*main);
  program.output->place_beside_anchor();
  program.property->place_beside_anchor();

  title->apply_display_style(mirror.display_style);
  title->centre_on_screen();
  title->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(title, &TitleWindow::finished, main, &QWidget::show);
  title->show();
  return program;
}

void save_startup_values(MainWindow &main) {
  ProgramState &state = program_state();
  const SettingsMirror &mirror = settings_mirror();
  push_mirror(mirror, state.output_folder);
  browser_cache::take_back();
  if (mirror.flush_at_exit) engine::flash();
  browser_cache::hand_over();
  state.last_drive.clear();
  state.last_folder = main.selected_folder();
  store::write(QStringLiteral("ini"), state.settings_folder);
  store::write(QStringLiteral("LastSetDrv"), state.last_drive);
  store::write(QStringLiteral("LastSetDir"), state.last_folder);
  store::write(QStringLiteral("CurrentOutPutDir"), state.output_folder);
  store::write(QStringLiteral("TempFilePath"), QString());
  if (main.y() >= 0) store::write(QStringLiteral("LastTop"), QString::number(main.y()));
  if (main.x() >= 0) store::write(QStringLiteral("LastLeft"), QString::number(main.x()));
  store::write(QStringLiteral("RatioAve"), QString::number(state.ratio_average, 'g', 12));
  QDir::setCurrent(state.start_folder);
}
