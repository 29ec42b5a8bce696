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

#include "browser.h"
#include "detail_window.h"
#include "dialog_window.h"
#include "engine_binding.h"
#include "external_run.h"
#include "main_window.h"
#include "output_window.h"
#include "program_state.h"
#include "prompt.h"
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
  if (busy_) return;
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
  bool show_catalog = true;
  if (settings_mirror().new_main) {
    const int run_time = run_two_phases();
    statusBar()->clearMessage();
    engine::Counts counts;
    if (run_time < 0) {
      engine::last_count(0, counts);
      const QString reason = engine::last_err();
      prompt::show(this, reason.isEmpty() ? QStringLiteral("処理に失敗しました(%1)").arg(run_time) : reason);
      show_catalog = false;
    } else if (run_time == 0) {
      engine::last_count(0, counts);
      prompt::show(this, QStringLiteral("条件に合う画像はありません。"));
      progress_bar1_->setValue(0);
      show_catalog = false;
    } else {
      if (make_thumb_->isChecked() && run_mode == 0) create_thumbnails();
      write_summary(run_time);
    }
  }
  if (show_catalog) show_result_in_browser();
  set_state_picture(2);
  timer4_->start(2000);
  progress_bar1_->setValue(0);
  statusBar()->clearMessage();
  leave_busy();
  apply_mode_enabling();
}

// One pass of the two-phase protocol; the result of the output call.
int MainWindow::run_two_phases() {
  const QString settings_folder = program_state().settings_folder;
  progress_bar1_->setMaximum(100);
  progress_bar1_->setValue(0);
  engine::new_main(settings_folder, target_, output_folder_);
  poll_gathering();
  statusBar()->showMessage(QStringLiteral("HTMLファイル出力中"));
  return engine::new_main(settings_folder, target_, output_folder_);
}

void MainWindow::poll_gathering() {
  for (int step = 0; step < kMaxGatheringSteps; ++step) {
    QString status;
    if (engine::get_files(status) != 0 || status == kError || status.isEmpty()) break;
    progress_bar1_->setValue(0);
    statusBar()->showMessage(status);
    if (status == kDone) return;
  }
  stop_flag_ = false;
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
  QString run_output;
  QString catalog;
  engine::last_output(run_output);
  engine::get_str(37, catalog);
  const QString page = m.open_top_index ? QStringLiteral("topindex.html") : QStringLiteral("index.html");
  const QString path = run_output + QLatin1Char('/') + catalog + QLatin1Char('/') + page;
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
  external_output_ = output_->box_text().isEmpty() ? program_state().output_folder : output_->box_text();
  options.output = external_output_;
  options.folder = selected_folder();
  const QString program = QDir(program_state().program_folder).filePath(QStringLiteral("quillo"));
  const QString command = external_run::command_line(program, options);

  // A lock file left by an earlier run that nobody holds would end the watch at once.
  external_run::delete_lock_file(external_run::lock_file_path());
  dialog_->show_external_run(command);
  QStringList arguments = QProcess::splitCommand(command);
  arguments.removeFirst();
  delete external_;
  external_ = new QProcess(this);
  external_->setProcessChannelMode(m.debug ? QProcess::ForwardedChannels : QProcess::MergedChannels);
  if (!m.debug) external_->setStandardOutputFile(QProcess::nullDevice());
  external_->start(program, arguments);
  if (!external_->waitForStarted(5000)) {
    dialog_->hide();
    prompt::show(this, QStringLiteral("%1 を起動できません").arg(program));
    return;
  }
  set_state_picture(1);
  external_seconds_ = 0;
  external_state_ = 1;
  timer5_->start();
  timer1_->start(1000);
}

void MainWindow::on_Timer1_Timer() {
  if (external_state_ != 1) {
    timer1_->stop();
    if (external_state_ == 2) external_state_ = 0;
    return;
  }
  const bool ended_without_lock = external_ && external_->state() == QProcess::NotRunning &&
                                  !QFileInfo::exists(external_run::lock_file_path());
  if (!external_run::delete_lock_file(external_run::lock_file_path()) && !ended_without_lock) {
    ++external_seconds_;
    dialog_->set_label(QString::number(external_seconds_) + QStringLiteral("秒経過"));
    return;
  }
  finish_external_run();
}

void MainWindow::finish_external_run() {
  const SettingsMirror &m = settings_mirror();
  timer1_->stop();
  timer5_->stop();
  external_state_ = 0;
  if (!m.debug) prompt::show(this, QStringLiteral("処理が終了しました"));
  set_state_picture(2);
  timer4_->start(2000);
  QThread::msleep(500);
  if (!m.debug) dialog_->hide();
  if (m.auto_browser) {
    const QString name = QFileInfo(selected_folder()).fileName();
    browser::open(newest_catalog_in(QDir(external_output_).filePath(name)));
    if (m.end_after_browser) close();
  }
}

void MainWindow::create_thumbnails() {
  ThumbnailMaker maker(this, statusBar(), progress_bar1_, list1_);
  maker.run();
}

void MainWindow::save_on_exit() {
  save_startup_values(*this);
}
