// GO: the run flow, its summary, the catalog in the browser, the external run and the timers.
#include "run_controller.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "browser.h"
#include "browser_cache.h"
#include "engine_binding.h"
#include "external_run.h"
#include "program_state.h"
#include "prompt.h"
#include "run_messages.h"
#include "settings_mirror.h"
#include "thumbnail_maker.h"

namespace {

RunController *g_progress_sink = nullptr;

void on_total(int count) {
  if (g_progress_sink) g_progress_sink->progress_total(count);
}
void on_step() {
  if (g_progress_sink) g_progress_sink->progress_step();
}
void on_poll() {
  if (g_progress_sink) g_progress_sink->progress_poll();
}
void on_tick() {
  if (g_progress_sink) g_progress_sink->progress_tick();
}

// Intervals of the timers, in milliseconds.
constexpr int kEndWatchAfterRun = 2000;
constexpr int kExternalWatch = 1000;
constexpr int kFavouritesRefresh = 5000;
constexpr int kDropMenuDelay = 100;
constexpr int kIdlePictureDelay = 2000;
constexpr int kSpinnerStep = 100;
// The favourites page is rebuilt on every third tick of its timer.
constexpr int kFavouritesTicks = 3;
// How long a finished external run stays on screen before its dialog closes.
constexpr int kExternalEndPause = 500;
constexpr int kExternalStartWait = 5000;

const QString kDone = QStringLiteral("完了");
const QString kError = QStringLiteral("エラー");
// A gathering takes at most ten steps; an engine that never says done or error must not hang the window.
constexpr int kMaxGatheringSteps = 100;

QString seconds_text(double seconds) {
  return QString::number(seconds, 'g', 15);
}

QString kilobytes_text(qint64 bytes) {
  return QString::number(std::llround(bytes / 1024.0));
}

// The entry page of the catalog the last run wrote: run output folder / catalog folder / index or topindex.
QString catalog_entry_page() {
  QString run_output;
  QString catalog;
  engine::last_output(run_output);
  engine::get_str(ZUNO_HtmlOut, catalog);
  const QString page =
      settings_mirror().open_top_index ? QStringLiteral("topindex.html") : QStringLiteral("index.html");
  return run_output + QLatin1Char('/') + catalog + QLatin1Char('/') + page;
}

// The entry page of the folder-by-folder catalog that ZunoMain just wrote: ZunoMain leaves the run folder it
// chose in OutputPath until the settings are read again.
QString folder_catalog_page() {
  QString run_output;
  engine::get_str(ZUNO_OutputPath, run_output);
  return run_output + QStringLiteral("/index.html");
}

QString old_main_failed(const QString &target, const QString &output) {
  return QStringLiteral(
             "「Old Main」でカタログを作れませんでした。\n画像フォルダ: %1\n出力先: %2\n"
             "フォルダがあるか、出力先に書き込めるかを確かめてください。")
      .arg(target, output);
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

RunController::RunController(QObject *parent) : QObject(parent) {
  auto make_timer = [this](const char *name, int interval, bool single, void (RunController::*handler)()) {
    auto *timer = new QTimer(this);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    timer->setSingleShot(single);
    connect(timer, &QTimer::timeout, this, handler);
    return timer;
  };
  end_watch_timer_ = make_timer("Timer1", kExternalWatch, false, &RunController::on_Timer1_Timer);
  favourites_timer_ = make_timer("Timer2", kFavouritesRefresh, false, &RunController::on_Timer2_Timer);
  drop_menu_timer_ = make_timer("Timer3", kDropMenuDelay, true, &RunController::on_Timer3_Timer);
  idle_picture_timer_ = make_timer("Timer4", kIdlePictureDelay, true, &RunController::on_Timer4_Timer);
  spinner_timer_ = make_timer("Timer5", kSpinnerStep, false, &RunController::on_Timer5_Timer);
  g_progress_sink = this;
}

RunController::~RunController() {
  if (g_progress_sink == this) g_progress_sink = nullptr;
}

void RunController::register_progress_callbacks() {
  g_progress_sink = this;
  engine::set_progress_proc(&on_total, &on_step, &on_poll, &on_tick);
}

void RunController::go(RunMode mode, const QString &folder, bool make_thumbnails) {
  // GO is disabled during an external run; a click queued before that must not start a second one.
  if (busy_ || external_state_ == ExternalState::Running) return;
  mode_ = mode;
  folder_ = folder;
  make_thumbnails_ = make_thumbnails;
  if (settings_mirror().run_external) {
    start_external_run();
    return;
  }
  Q_EMIT run_shown(true);
  prepare_and_run();
  Q_EMIT run_shown(false);
  if (close_pending_) QTimer::singleShot(0, this, &RunController::close_requested);
}

void RunController::stop() {
  stop_flag_ = true;
}

void RunController::close_after_run() {
  stop_flag_ = true;
  close_pending_ = true;
}

void RunController::set_output_box_text(const QString &text) {
  output_box_text_ = text;
}

void RunController::start_favourites_refresh() {
  favourites_timer_->start();
}

void RunController::prepare_and_run() {
  run_clock_.start();  // the time the user waits, not the processor time of the engine's part
  const ProgramState &state = program_state();
  browser_cache::take_back();
  engine::flash();
  engine::init(state.settings_folder);
  browser_cache::hand_over();
  register_progress_callbacks();
  push_mirror(settings_mirror(), state.output_folder);
  const bool keeps_copy_flag = mode_ == RunMode::CacheBackup || mode_ == RunMode::BackupView;
  const int kept_copy_flag = keeps_copy_flag ? engine::get(ZUNO_FileCopy) : 0;
  apply_forced_settings();
  do_run();
  engine::init(state.settings_folder);
  browser_cache::hand_over();
  register_progress_callbacks();
  if (keeps_copy_flag) engine::put(ZUNO_FileCopy, kept_copy_flag);
}

// The settings each mode forces on the engine, and its target and output.
void RunController::apply_forced_settings() {
  const SettingsMirror &m = settings_mirror();
  switch (mode_) {
    case RunMode::SiteLauncher:
      for (auto [number, value] : {std::pair{ZUNO_SearchSizeType, int(kSizeCheckBoth)},
                                   {ZUNO_MaxX, 10000},
                                   {ZUNO_MaxY, 10000},
                                   {ZUNO_Banner, 1},
                                   {ZUNO_BannerX, m.banner_x},
                                   {ZUNO_BannerY, m.banner_y},
                                   {ZUNO_YXRatio, 30},
                                   {ZUNO_GetUrl, 3},
                                   {ZUNO_SortType, 2},
                                   {ZUNO_SortMode, 0},
                                   {ZUNO_FileCopy, 0},
                                   {ZUNO_CopyMode, 0},
                                   {ZUNO_UnderLimits, m.age},
                                   {ZUNO_MakeThumbnail, 0},
                                   {ZUNO_PreparedURL, 0}})
        engine::put(number, value);
      target_ = QStringLiteral("$backup");
      output_folder_ = QStringLiteral("$site_lunch");
      break;
    case RunMode::CacheBackup:
      for (auto [number, value] : {std::pair{ZUNO_MaxX, 1},
                                   {ZUNO_MaxY, 1},
                                   {ZUNO_FileCopy, 1},
                                   {ZUNO_CopyMode, 2},
                                   {ZUNO_UnderLimits, -1},
                                   {ZUNO_MakeThumbnail, 0},
                                   {ZUNO_PreparedURL, 0}})
        engine::put(number, value);
      Q_EMIT status_changed(QStringLiteral("データベース構築中.."));
      target_ = QStringLiteral("$iecache");
      output_folder_ = QStringLiteral("$cache_view");
      break;
    case RunMode::BackupView:
      engine::put(ZUNO_FileCopy, 0);
      engine::put(ZUNO_MakeThumbnail, 0);
      target_ = QStringLiteral("$backup");
      output_folder_ = QStringLiteral("$cache_view");
      break;
    case RunMode::Normal:
      engine::put(ZUNO_PreparedURL, 0);
      target_ = folder_;
      output_folder_ = output_box_text_.isEmpty() ? program_state().output_folder : output_box_text_;
      break;
  }
}

void RunController::do_run() {
  enter_busy();
  show_state(StatePicture::Working);
  // The older driver takes folders only; the cache runs always take the two phases.
  const bool old_main = !settings_mirror().new_main && mode_ == RunMode::Normal;
  const QString page = old_main ? run_old_main() : run_new_main();
  if (!page.isEmpty()) open_catalog(page);
  show_state(StatePicture::Done);
  idle_picture_timer_->start(kIdlePictureDelay);
  set_progress(0, progress_maximum_);
  Q_EMIT status_changed(QString());
  leave_busy();
}

// The two phases, the end of the collection and the summary. The catalog's entry page when it was written and
// is on disk; empty after every other ending, which has told the user why.
QString RunController::run_new_main() {
  const RunOutcome run = run_two_phases();
  Q_EMIT status_changed(QString());
  if (run.prepared == ZUNO_BUSY) {
    // The collection that holds the engine is not ours to end.
    prompt::show(nullptr, run_messages::engine_busy());
    return QString();
  }
  // The last error is never cleared, so its text is read only once a result said the run failed.
  if (run.failed()) {
    end_collection();
    prompt::show(nullptr, run_messages::run_failed(engine::last_err(), run.result < 0 ? run.result : -1));
    return QString();
  }
  if (run.result == 0) {
    end_collection();
    prompt::show(nullptr, QStringLiteral("条件に合う画像はありません。"));
    set_progress(0, progress_maximum_);
    return QString();
  }
  const QString page = catalog_entry_page();
  if (!QFileInfo(page).isFile()) {
    end_collection();
    prompt::show(nullptr, run_messages::run_failed(run_messages::catalog_missing(page), run.result));
    return QString();
  }
  if (make_thumbnails_ && mode_ == RunMode::Normal) create_thumbnails();
  write_summary(run.result);
  return page;
}

// The older single-call driver: no gathering, progress or counts, so the summary holds the folder and the
// time. The catalog's entry page when it is on disk, else empty after telling the user.
QString RunController::run_old_main() {
  Q_EMIT status_changed(QStringLiteral("HTMLファイル出力中"));
  const int result = engine::old_main(program_state().settings_folder, target_, output_folder_);
  Q_EMIT status_changed(QString());
  if (result != 0) {
    prompt::show(nullptr, old_main_failed(target_, output_folder_));
    return QString();
  }
  const QString page = folder_catalog_page();
  if (!QFileInfo(page).isFile()) {
    prompt::show(nullptr, run_messages::catalog_missing(page));
    return QString();
  }
  Q_EMIT line_added(QStringLiteral("**") + folder_ + QStringLiteral("**"));
  append_run_time(run_clock_.elapsed());
  return page;
}

// One pass of the two-phase protocol. A preparation that failed still gets its output call, which ends the
// run in the engine; one that did not prepare at all (busy) gets none, as that call would prepare again.
RunController::RunOutcome RunController::run_two_phases() {
  const QString settings_folder = program_state().settings_folder;
  set_progress(0, 100);
  RunOutcome run;
  run.prepared = engine::new_main(settings_folder, target_, output_folder_);
  if (run.prepared < 0) return run;
  run.gathered = poll_gathering();
  Q_EMIT status_changed(QStringLiteral("HTMLファイル出力中"));
  run.result = engine::new_main(settings_folder, target_, output_folder_);
  return run;
}

// True when the gathering said done; false on its error status, a failed call or one that never ends.
bool RunController::poll_gathering() {
  for (int step = 0; step < kMaxGatheringSteps; ++step) {
    QString status;
    if (engine::get_files(status) != 0 || status == kError || status.isEmpty()) break;
    set_progress(0, progress_maximum_);
    Q_EMIT status_changed(status);
    if (status == kDone) return true;
  }
  stop_flag_ = false;
  return false;
}

// The engine keeps the collected list and its busy mark until told to let go, after every output call.
void RunController::end_collection() {
  engine::Counts counts;
  engine::last_count(0, counts);
}

void RunController::write_summary(int run_time) {
  engine::Counts counts;
  const int pictures = engine::last_count(0, counts);
  ProgramState &state = program_state();
  run_time = static_cast<int>(std::max<qint64>(run_time, run_clock_.elapsed()));
  // Kept to the microsecond: whole milliseconds per picture round to 0 on ordinary folders.
  auto to_microseconds = [](double ms) { return std::round(ms * 1000.0) / 1000.0; };
  const double per_picture = to_microseconds(pictures != 0 ? double(run_time) / pictures : run_time);
  if (state.ratio_average == 0) state.ratio_average = per_picture;
  state.ratio_average = to_microseconds((state.ratio_average + per_picture) / 2.0);

  append_counts(folder_, pictures, counts.total_bytes, counts.folders, counts.files);
  append_run_time(run_time);
  external_state_ = ExternalState::InProcessFinished;
  end_watch_timer_->start(kEndWatchAfterRun);
}

// The summary's last lines: the time from GO, then the blank line that ends the summary, selected.
void RunController::append_run_time(qint64 milliseconds) {
  Q_EMIT line_added(QStringLiteral("所要時間 ") + seconds_text(milliseconds / 1000.0) +
                    QStringLiteral(" 秒"));
  Q_EMIT line_added(QString());
  Q_EMIT last_line_selected();
}

void RunController::append_counts(const QString &folder, int pictures, qint64 bytes, int folders, int files) {
  Q_EMIT line_added(QStringLiteral("**") + folder + QStringLiteral("**"));
  Q_EMIT line_added(QStringLiteral("DIr   %1").arg(folders));
  Q_EMIT line_added(QStringLiteral("FIles %1").arg(files));
  Q_EMIT line_added(QStringLiteral("Pic   %1").arg(pictures));
  Q_EMIT line_added(QStringLiteral("Total size ") + kilobytes_text(bytes) + QStringLiteral("Kbyte"));
}

void RunController::show_result_in_browser() {
  open_catalog(catalog_entry_page());
}

void RunController::open_catalog(const QString &path) {
  const SettingsMirror &m = settings_mirror();
  if (!m.auto_browser) return;
  if (!QFileInfo(path).isFile()) {
    prompt::show(nullptr, run_messages::catalog_missing(path));
    return;
  }
  Q_EMIT status_changed(QStringLiteral("ブラウザ起動中..."));
  browser::open(path);
  if (m.open_top_index) Q_EMIT status_changed(QString());
  if (m.end_after_browser) {
    close_pending_ = true;
    if (!busy_) QTimer::singleShot(0, this, &RunController::close_requested);
  }
}

void RunController::enter_busy() {
  busy_ = true;
  stop_flag_ = false;
  spinner_timer_->start();
  Q_EMIT busy_changed(true);
}

void RunController::leave_busy() {
  spinner_timer_->stop();
  busy_ = false;
  stop_flag_ = false;
  Q_EMIT busy_changed(false);
}

void RunController::show_folder_information(const QString &folder) {
  if (busy_) return;
  engine::Counts counts;
  const int pictures = engine::count_file(folder, counts);
  if (pictures < 0) {
    Q_EMIT status_changed(pictures == ZUNO_BUSY ? QStringLiteral("エンジンが処理中です")
                                                : engine::last_err());
    return;
  }
  append_counts(folder, pictures, counts.total_bytes, counts.folders, counts.files);
  const double ratio = program_state().ratio_average;
  if (ratio > 0) {
    Q_EMIT line_added(QStringLiteral("**予想展開時間**"));
    Q_EMIT line_added(seconds_text(std::round(ratio * pictures) / 1000.0) + QStringLiteral(" 秒"));
  }
  Q_EMIT line_added(QString());
  Q_EMIT last_line_selected();
}

// A picture dropped on the folder browser joins the picture view list, whose small catalog is then shown.
void RunController::view_dropped_picture(const QString &file) {
  pic_view_.add_item(file);
  if (pic_view_.view_item() == 0) {
    show_result_in_browser();
  } else {
    Q_EMIT status_changed(engine::last_err());
  }
  set_progress(0, progress_maximum_);
}

void RunController::schedule_drop_menu() {
  drop_menu_timer_->start(kDropMenuDelay);
}

void RunController::stop_end_of_run_timer() {
  end_watch_timer_->stop();
}

void RunController::flash_settings() {
  push_mirror(settings_mirror(), program_state().output_folder);
  browser_cache::take_back();
  engine::flash();
  engine::init(program_state().settings_folder);
  browser_cache::hand_over();
  register_progress_callbacks();
}

void RunController::progress_total(int count) {
  if (count == 0) return;
  set_progress(0, count);
}

void RunController::progress_step() {
  if (progress_maximum_ > progress_value_) set_progress(progress_value_ + 1, progress_maximum_);
}

void RunController::progress_poll() {
  QCoreApplication::processEvents();
  if (stop_flag_) engine::abort_req();
}

void RunController::progress_tick() {
  show_state(StatePicture::NextFrame);
}

void RunController::set_progress(int value, int maximum) {
  progress_maximum_ = maximum;
  progress_value_ = value;
  Q_EMIT progress_changed(value, maximum);
}

void RunController::show_state(StatePicture picture) {
  Q_EMIT state_picture_changed(picture);
}

void RunController::create_thumbnails() {
  thumbnails::Screen screen;
  screen.show_status = [this](const QString &text) { Q_EMIT status_changed(text); };
  screen.set_progress_maximum = [this](int maximum) { set_progress(0, std::max(1, maximum)); };
  screen.set_progress_value = [this](int value) {
    set_progress(std::min(value, progress_maximum_), progress_maximum_);
  };
  screen.add_result_line = [this](const QString &line) { Q_EMIT line_added(line); };
  screen.show_message = [](const QString &text) { prompt::show(nullptr, text); };
  screen.ask_retry = [](const QString &text) {
    return prompt::show(nullptr, text, prompt::Buttons::RetryCancel) == prompt::Answer::Retry;
  };
  screen.stop_requested = [this] {
    QCoreApplication::processEvents();  // the window stays alive, and STOP can be pressed
    return stop_flag_;
  };
  make_thumbnails(screen);
}

void RunController::start_external_run() {
  // quillo reads the settings file: it must hold what the windows show now.
  flash_settings();
  const SettingsMirror &m = settings_mirror();
  Q_EMIT output_box_used();
  external_run::Options options;
  options.subfolder_search = m.subfolder_search == 1;
  options.depth = m.depth;
  options.fit_height = m.thumb_fit == kFitHeight;
  // quillo takes a width or a height only: a fixed ratio runs with the width fit's size.
  options.thumb_size = m.thumb_fit == kFitRatio ? m.current_width : m.thumb_size;
  options.paging_style = m.paging_style;
  options.page_size_mb = m.page_size_mb;
  options.page_count = m.page_count;
  options.thumbnails = m.make_thumb == 1;
  options.output = output_box_text_.isEmpty() ? program_state().output_folder : output_box_text_;
  options.folder = folder_;
  // Where quillo puts this folder's catalogs; kept, since the user may browse elsewhere while it runs.
  external_output_ = QDir(options.output).filePath(QFileInfo(options.folder).fileName());
  const QString program = QDir(program_state().program_folder).filePath(QStringLiteral("quillo"));
  const QString command = external_run::command_line(program, options);

  Q_EMIT external_run_shown(command);
  delete external_;
  external_errors_.clear();
  external_printed_.clear();
  external_ = new QProcess(this);
  external_->setProcessChannelMode(QProcess::SeparateChannels);
  connect(external_, &QProcess::readyReadStandardError, this, &RunController::take_external_output);
  connect(external_, &QProcess::readyReadStandardOutput, this, &RunController::take_external_output);
  connect(external_, &QProcess::finished, this,
          [this](int exit_code, QProcess::ExitStatus status) { finish_external_run(exit_code, status); });
  // The paths go over as arguments of their own, so no quote or blank in a folder name can split them.
  external_->start(program, external_run::arguments(options));
  if (!external_->waitForStarted(kExternalStartWait)) {
    Q_EMIT external_run_hidden();
    prompt::show(nullptr, QStringLiteral("%1 を起動できません\n%2").arg(program, external_->errorString()));
    return;
  }
  // A second GO while quillo runs would start another harvester into the same folders.
  Q_EMIT external_run_changed(true);
  show_state(StatePicture::Working);
  external_seconds_ = 0;
  external_state_ = ExternalState::Running;
  spinner_timer_->start();
  end_watch_timer_->start(kExternalWatch);
}

// Keeps what quillo says for the end of the run; with "Debug" checked it is also passed on as it comes.
void RunController::take_external_output() {
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

void RunController::finish_external_run(int exit_code, int exit_status) {
  if (external_state_ != ExternalState::Running) return;
  const SettingsMirror &m = settings_mirror();
  end_watch_timer_->stop();
  spinner_timer_->stop();
  external_state_ = ExternalState::Idle;
  take_external_output();
  // quillo has exited, so nobody holds its lock; the file is not left for the next run.
  external_run::delete_lock_file(external_run::lock_file_path());
  Q_EMIT external_run_changed(false);
  show_state(StatePicture::Done);
  idle_picture_timer_->start(kIdlePictureDelay);
  if (exit_status != QProcess::NormalExit || exit_code != 0) {
    if (!m.debug) Q_EMIT external_run_hidden();
    prompt::show(nullptr, run_messages::external_failed(exit_code, exit_status != QProcess::NormalExit,
                                                        QString::fromLocal8Bit(external_errors_)));
    return;
  }
  if (!m.debug) prompt::show(nullptr, QStringLiteral("処理が終了しました"));
  QThread::msleep(kExternalEndPause);
  if (!m.debug) Q_EMIT external_run_hidden();
  if (!m.auto_browser) return;
  QString page = printed_page(external_printed_);
  if (page.isEmpty()) page = newest_catalog_in(external_output_);
  if (!QFileInfo(page).isFile()) {
    prompt::show(nullptr, run_messages::catalog_missing(page));
    return;
  }
  browser::open(page);
  if (m.end_after_browser) Q_EMIT close_requested();
}

void RunController::on_Timer1_Timer() {
  if (external_state_ != ExternalState::Running) {
    end_watch_timer_->stop();
    if (external_state_ == ExternalState::InProcessFinished) external_state_ = ExternalState::Idle;
    return;
  }
  // The run ends when quillo has exited (finish_external_run); only then are its exit code and reason known.
  if (external_ && external_->state() == QProcess::NotRunning) {
    finish_external_run(external_->exitCode(), external_->exitStatus());
    return;
  }
  ++external_seconds_;
  Q_EMIT external_run_label_changed(QString::number(external_seconds_) + QStringLiteral("秒経過"));
}

// Rebuilds the favourites page on every third tick, never while a run holds the engine.
void RunController::on_Timer2_Timer() {
  const bool due = favourites_tick_ == 0;
  favourites_tick_ = (favourites_tick_ + 1) % kFavouritesTicks;
  if (!due || busy_ || external_state_ == ExternalState::Running) return;
  const int registered = engine::creat_favorites();
  if (registered > 0)
    Q_EMIT status_changed(QStringLiteral("クイロ～のお気に入りに%1個登録しました").arg(registered));
}

void RunController::on_Timer3_Timer() {
  drop_menu_timer_->stop();
  Q_EMIT drop_menu_due();
}

void RunController::on_Timer4_Timer() {
  show_state(StatePicture::Idle);
}

void RunController::on_Timer5_Timer() {
  show_state(StatePicture::NextFrame);
}
