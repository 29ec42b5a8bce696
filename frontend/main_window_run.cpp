// GO: the run flow of the main window, its summary, the catalog in the browser and the external run.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <cstdio>

#include "browser.h"
#include "detail_window.h"
#include "dialog_window.h"
#include "engine_binding.h"
#include "external_run.h"
#include "main_window.h"
#include "output_window.h"
#include "program_state.h"
#include "prompt.h"
#include "run_messages.h"
#include "settings_mirror.h"
#include "startup.h"
#include "thumbnail_maker.h"

namespace {

const QString kDone = QStringLiteral("完了");
const QString kError = QStringLiteral("エラー");
// A gathering takes at most ten steps; an engine that never says done or error must not hang the window.
constexpr int kMaxGatheringSteps = 100;

QString seconds_text(double seconds) {
  return QString::number(seconds, 'g', 15);
}

QString kilobytes_text(int bytes) {
  return QString::number(std::lround(bytes / 1024.0));
}

// The entry page of the catalog the last run wrote: run output folder / catalog folder / index or topindex.
QString catalog_entry_page() {
  QString run_output;
  QString catalog;
  engine::last_output(run_output);
  engine::get_str(37, catalog);
  const QString page =
      settings_mirror().open_top_index ? QStringLiteral("topindex.html") : QStringLiteral("index.html");
  return run_output + QLatin1Char('/') + catalog + QLatin1Char('/') + page;
}

// The page quillo printed (its last line of standard output) when it is on disk, else empty.
QString printed_page(const QByteArray &printed) {
  const QStringList lines = QString::fromLocal8Bit(printed).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  if (lines.isEmpty()) return QString();
  const QString page = lines.last().trimmed();
  return QFileInfo(page).isFile() ? page : QString();
}

// The newest catalog ("index.html" in a catalog folder) below folder, or folder's own index.html.
QString newest_catalog_in(const QString &folder) {
  const QString direct = QDir(folder).filePath(QStringLiteral("index.html"));
  if (QFileInfo::exists(direct)) return direct;
  QString newest;
  QDateTime newest_time;
  for (const QFileInfo &sub : QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QFileInfo page(QDir(sub.absoluteFilePath()).filePath(QStringLiteral("index.html")));
    if (page.exists() && (newest.isEmpty() || page.lastModified() > newest_time)) {
      newest = page.absoluteFilePath();
      newest_time = page.lastModified();
    }
  }
  return newest.isEmpty() ? direct : newest;
}

}  // namespace

void MainWindow::on_OK_Click() {
  // GO is disabled during an external run; a click queued before that must not start a second one.
  if (busy_ || external_state_ == 1) return;
  if (settings_mirror().run_external) {
    start_external_run();
    return;
  }
  ok_->hide();
  ok_->setEnabled(false);
  stop_it_->show();
  stop_it_->setEnabled(true);
  prepare_and_run();
  ok_->show();
  ok_->setEnabled(true);
  stop_it_->hide();
  stop_it_->setEnabled(false);
  if (close_pending_) QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::on_StopIt_Click() {
  stop_flag_ = true;
}

void MainWindow::prepare_and_run() {
  const ProgramState &state = program_state();
  engine::flash();
  engine::init(state.settings_folder);
  register_progress_callbacks();
  push_mirror(settings_mirror(), state.output_folder);
  const int run_mode = mode();
  const bool keeps_copy_flag = run_mode == 2 || run_mode == 3;
  const int kept_copy_flag = keeps_copy_flag ? engine::get(33) : 0;
  apply_forced_settings(run_mode);
  do_run(run_mode);
  engine::init(state.settings_folder);
  register_progress_callbacks();
  if (keeps_copy_flag) engine::put(33, kept_copy_flag);
}

void MainWindow::apply_forced_settings(int run_mode) {
  const SettingsMirror &m = settings_mirror();
  switch (run_mode) {
    case 1:
      for (auto [number, value] : {std::pair{23, 3},
                                   {24, 10000},
                                   {25, 10000},
                                   {26, 1},
                                   {27, m.banner_x},
                                   {28, m.banner_y},
                                   {29, 30},
                                   {30, 3},
                                   {31, 2},
                                   {32, 0},
                                   {33, 0},
                                   {34, 0},
                                   {44, m.age},
                                   {51, 0},
                                   {58, 0}})
        engine::put(number, value);
      target_ = QStringLiteral("$backup");
      output_folder_ = QStringLiteral("$site_lunch");
      break;
    case 2:
      for (auto [number, value] : {std::pair{24, 1}, {25, 1}, {33, 1}, {34, 2}, {44, -1}, {51, 0}, {58, 0}})
        engine::put(number, value);
      statusBar()->showMessage(QStringLiteral("データベース構築中.."));
      target_ = QStringLiteral("$iecache");
      output_folder_ = QStringLiteral("$cache_view");
      break;
    case 3:
      engine::put(33, 0);
      engine::put(51, 0);
      target_ = QStringLiteral("$backup");
      output_folder_ = QStringLiteral("$cache_view");
      break;
    default:
      engine::put(58, 0);
      target_ = selected_folder();
      output_folder_ = output_->box_text().isEmpty() ? program_state().output_folder : output_->box_text();
      break;
  }
}

void MainWindow::do_run(int run_mode) {
  enter_busy();
  set_state_picture(1);
  const bool show_catalog = settings_mirror().new_main ? run_new_main(run_mode) : true;
  if (show_catalog) show_result_in_browser();
  set_state_picture(2);
  timer4_->start(2000);
  progress_bar1_->setValue(0);
  statusBar()->clearMessage();
  leave_busy();
  apply_mode_enabling();
}

// The two phases, the end of the collection and the summary. True when a catalog was written and is on disk;
// every other ending has told the user why.
bool MainWindow::run_new_main(int run_mode) {
  const RunOutcome run = run_two_phases();
  statusBar()->clearMessage();
  if (run.prepared == ZUNO_BUSY) {
    // The collection that holds the engine is not ours to end.
    prompt::show(this, run_messages::engine_busy());
    return false;
  }
  // The last error is never cleared, so its text is read only once a result said the run failed.
  if (run.failed()) {
    end_collection();
    prompt::show(this, run_messages::run_failed(engine::last_err(), run.result < 0 ? run.result : -1));
    return false;
  }
  if (run.result == 0) {
    end_collection();
    prompt::show(this, QStringLiteral("条件に合う画像はありません。"));
    progress_bar1_->setValue(0);
    return false;
  }
  const QString page = catalog_entry_page();
  if (!QFileInfo(page).isFile()) {
    end_collection();
    prompt::show(this, run_messages::run_failed(run_messages::catalog_missing(page), run.result));
    return false;
  }
  if (make_thumb_->isChecked() && run_mode == 0) create_thumbnails();
  write_summary(run.result);
  return true;
}

// One pass of the two-phase protocol. A preparation that failed still gets its output call, which ends the
// run in the engine; one that did not prepare at all (busy) gets none, as that call would prepare again.
MainWindow::RunOutcome MainWindow::run_two_phases() {
  const QString settings_folder = program_state().settings_folder;
  progress_bar1_->setMaximum(100);
  progress_bar1_->setValue(0);
  RunOutcome run;
  run.prepared = engine::new_main(settings_folder, target_, output_folder_);
  if (run.prepared < 0) return run;
  run.gathered = poll_gathering();
  statusBar()->showMessage(QStringLiteral("HTMLファイル出力中"));
  run.result = engine::new_main(settings_folder, target_, output_folder_);
  return run;
}

// True when the gathering said done; false on its error status, a failed call or one that never ends.
bool MainWindow::poll_gathering() {
  for (int step = 0; step < kMaxGatheringSteps; ++step) {
    QString status;
    if (engine::get_files(status) != 0 || status == kError || status.isEmpty()) break;
    progress_bar1_->setValue(0);
    statusBar()->showMessage(status);
    if (status == kDone) return true;
  }
  stop_flag_ = false;
  return false;
}

// The engine keeps the collected list and its busy mark until told to let go, after every output call.
void MainWindow::end_collection() {
  engine::Counts counts;
  engine::last_count(0, counts);
}

void MainWindow::write_summary(int run_time) {
  engine::Counts counts;
  const int pictures = engine::last_count(0, counts);
  ProgramState &state = program_state();
  const int per_picture =
      pictures != 0 ? static_cast<int>(std::lround(double(run_time) / pictures)) : run_time;
  if (state.ratio_average == 0) state.ratio_average = per_picture;
  state.ratio_average = static_cast<int>(std::lround((state.ratio_average + per_picture) / 2.0));

  append_line(QStringLiteral("**") + selected_folder() + QStringLiteral("**"));
  append_line(QStringLiteral("DIr   %1").arg(counts.folders));
  append_line(QStringLiteral("FIles %1").arg(counts.files));
  append_line(QStringLiteral("Pic   %1").arg(pictures));
  append_line(QStringLiteral("Total size ") + kilobytes_text(counts.bytes) + QStringLiteral("Kbyte"));
  append_line(QStringLiteral("所要時間 ") + seconds_text(run_time / 1000.0) + QStringLiteral(" 秒"));
  append_line(QString());
  select_last_line();
  external_state_ = 2;
  timer1_->start(2000);
}

void MainWindow::show_result_in_browser() {
  const SettingsMirror &m = settings_mirror();
  if (!m.auto_browser) return;
  const QString path = catalog_entry_page();
  if (!QFileInfo(path).isFile()) {
    prompt::show(this, run_messages::catalog_missing(path));
    return;
  }
  statusBar()->showMessage(QStringLiteral("ブラウザ起動中..."));
  browser::open(path);
  if (m.open_top_index) statusBar()->clearMessage();
  if (m.end_after_browser) {
    close_pending_ = true;
    if (!busy_) QTimer::singleShot(0, this, &QWidget::close);
  }
}

void MainWindow::enter_busy() {
  busy_ = true;
  stop_flag_ = false;
  for (QWidget *control :
       {static_cast<QWidget *>(command2_), static_cast<QWidget *>(command3_), static_cast<QWidget *>(ok_),
        static_cast<QWidget *>(sstab1_), static_cast<QWidget *>(file_copy_),
        static_cast<QWidget *>(make_thumb_), static_cast<QWidget *>(combo1_)})
    control->setEnabled(false);
  // At the slider's maximum the engine never calls back, so a stop request could not be delivered.
  stop_it_->setEnabled(cpu_slider_position(settings_mirror().cpu_priority) < kCpuSliderMax);
  timer5_->start();
  Q_EMIT busy_changed(true);
}

void MainWindow::leave_busy() {
  timer5_->stop();
  for (QWidget *control :
       {static_cast<QWidget *>(command2_), static_cast<QWidget *>(command3_), static_cast<QWidget *>(ok_),
        static_cast<QWidget *>(sstab1_), static_cast<QWidget *>(file_copy_),
        static_cast<QWidget *>(make_thumb_), static_cast<QWidget *>(combo1_)})
    control->setEnabled(true);
  busy_ = false;
  stop_flag_ = false;
  Q_EMIT busy_changed(false);
}

void MainWindow::append_line(const QString &line) {
  list1_->addItem(line);
}

void MainWindow::select_last_line() {
  if (list1_->count() > 0) list1_->setCurrentRow(list1_->count() - 1);
}

void MainWindow::on_Image1_Click() {
  if (busy_) return;
  const QString folder = selected_folder();
  engine::Counts counts;
  const int pictures = engine::count_file(folder, counts);
  if (pictures < 0) {
    statusBar()->showMessage(pictures == ZUNO_BUSY ? QStringLiteral("エンジンが処理中です")
                                                   : engine::last_err());
    return;
  }
  append_line(QStringLiteral("**") + folder + QStringLiteral("**"));
  append_line(QStringLiteral("DIr   %1").arg(counts.folders));
  append_line(QStringLiteral("FIles %1").arg(counts.files));
  append_line(QStringLiteral("Pic   %1").arg(pictures));
  append_line(QStringLiteral("Total size ") + kilobytes_text(counts.bytes) + QStringLiteral("Kbyte"));
  const int ratio = program_state().ratio_average;
  if (ratio != 0) {
    append_line(QStringLiteral("**予想展開時間**"));
    append_line(seconds_text(double(ratio) * pictures / 1000.0) + QStringLiteral(" 秒"));
  }
  append_line(QString());
  select_last_line();
}

void MainWindow::start_external_run() {
  const SettingsMirror &m = settings_mirror();
  output_->add_box_text_to_list();
  external_run::Options options;
  options.subfolder_search = m.subfolder_search == 1;
  options.depth = m.depth;
  options.fit_height = m.thumb_fit == 1;
  options.thumb_size = m.thumb_size;
  options.paging_style = m.paging_style;
  options.page_size_mb = m.page_size_mb;
  options.page_count = m.page_count;
  options.output = output_->box_text().isEmpty() ? program_state().output_folder : output_->box_text();
  options.folder = selected_folder();
  // Where quillo puts this folder's catalogs; kept, since the user may browse elsewhere while it runs.
  external_output_ = QDir(options.output).filePath(QFileInfo(options.folder).fileName());
  const QString program = QDir(program_state().program_folder).filePath(QStringLiteral("quillo"));
  const QString command = external_run::command_line(program, options);

  dialog_->show_external_run(command);
  delete external_;
  external_errors_.clear();
  external_printed_.clear();
  external_ = new QProcess(this);
  external_->setProcessChannelMode(QProcess::SeparateChannels);
  connect(external_, &QProcess::readyReadStandardError, this, &MainWindow::take_external_output);
  connect(external_, &QProcess::readyReadStandardOutput, this, &MainWindow::take_external_output);
  connect(external_, &QProcess::finished, this,
          [this](int exit_code, QProcess::ExitStatus status) { finish_external_run(exit_code, status); });
  // The paths go over as arguments of their own, so no quote or blank in a folder name can split them.
  external_->start(program, external_run::arguments(options));
  if (!external_->waitForStarted(5000)) {
    dialog_->hide();
    prompt::show(this, QStringLiteral("%1 を起動できません\n%2").arg(program, external_->errorString()));
    return;
  }
  // A second GO while quillo runs would start another harvester into the same folders.
  ok_->setEnabled(false);
  set_state_picture(1);
  external_seconds_ = 0;
  external_state_ = 1;
  timer5_->start();
  timer1_->start(1000);
}

// Keeps what quillo says for the end of the run; with "Debug" checked it is also passed on as it comes.
void MainWindow::take_external_output() {
  if (!external_) return;
  const QByteArray errors = external_->readAllStandardError();
  const QByteArray printed = external_->readAllStandardOutput();
  external_errors_ += errors;
  external_printed_ += printed;
  if (settings_mirror().debug) {
    fwrite(printed.constData(), 1, size_t(printed.size()), stdout);
    fwrite(errors.constData(), 1, size_t(errors.size()), stderr);
  }
}

void MainWindow::on_Timer1_Timer() {
  if (external_state_ != 1) {
    timer1_->stop();
    if (external_state_ == 2) external_state_ = 0;
    return;
  }
  // The run ends when quillo has exited (finish_external_run); only then are its exit code and reason known.
  if (external_ && external_->state() == QProcess::NotRunning) {
    finish_external_run(external_->exitCode(), external_->exitStatus());
    return;
  }
  ++external_seconds_;
  dialog_->set_label(QString::number(external_seconds_) + QStringLiteral("秒経過"));
}

void MainWindow::finish_external_run(int exit_code, int exit_status) {
  if (external_state_ != 1) return;
  const SettingsMirror &m = settings_mirror();
  timer1_->stop();
  timer5_->stop();
  external_state_ = 0;
  take_external_output();
  // quillo has exited, so nobody holds its lock; the file is not left for the next run.
  external_run::delete_lock_file(external_run::lock_file_path());
  ok_->setEnabled(true);
  set_state_picture(2);
  timer4_->start(2000);
  if (exit_status != QProcess::NormalExit || exit_code != 0) {
    if (!m.debug) dialog_->hide();
    prompt::show(this, run_messages::external_failed(exit_code, exit_status != QProcess::NormalExit,
                                                     QString::fromLocal8Bit(external_errors_)));
    return;
  }
  if (!m.debug) prompt::show(this, QStringLiteral("処理が終了しました"));
  QThread::msleep(500);
  if (!m.debug) dialog_->hide();
  if (!m.auto_browser) return;
  QString page = printed_page(external_printed_);
  if (page.isEmpty()) page = newest_catalog_in(external_output_);
  if (!QFileInfo(page).isFile()) {
    prompt::show(this, run_messages::catalog_missing(page));
    return;
  }
  browser::open(page);
  if (m.end_after_browser) close();
}

void MainWindow::create_thumbnails() {
  ThumbnailMaker maker(this, statusBar(), progress_bar1_, list1_);
  maker.run();
}

void MainWindow::save_on_exit() {
  save_startup_values(*this);
}
