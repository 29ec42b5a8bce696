// The run controller: GO and STOP, the engine's two-phase run with its summary and the catalog in the
// browser, the external run of quillo, the picture view, the folder information and the timers. It owns no
// widget: the windows ask for work by their signals and show what it reports by its signals; start-up wires
// the two together.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include "pic_view.h"
#include "run_types.h"

class QProcess;
class QTimer;

class RunController : public QObject {
  Q_OBJECT
 public:
  explicit RunController(QObject *parent = nullptr);
  ~RunController() override;

  bool busy() const { return busy_; }
  PicView &pic_view() { return pic_view_; }
  // Registers the engine's four progress callbacks, which reach this controller (after every ZunoInit).
  void register_progress_callbacks();

  // What the windows ask for.
  void go(RunMode mode, const QString &folder, bool make_thumbnails);
  void stop();
  // The main window was closed during a run: the run is stopped and the window closed when it has ended.
  void close_after_run();
  void set_output_box_text(const QString &text);
  void start_favourites_refresh();
  void show_folder_information(const QString &folder);
  void view_dropped_picture(const QString &file);
  void schedule_drop_menu();
  void stop_end_of_run_timer();
  // Writes the settings file now; the engine is started again at once, as after every flush.
  void flash_settings();
  void show_result_in_browser();

  // Progress callbacks of the engine, forwarded here.
  void progress_total(int count);
  void progress_step();
  void progress_poll();
  void progress_tick();

 Q_SIGNALS:
  // GO gives way to STOP while an in-process run goes (true), and back (false).
  void run_shown(bool running);
  // A run holds the engine (true) or let go of it (false); the starting controls follow.
  void busy_changed(bool busy);
  // quillo runs (true) or has exited (false); GO waits for it.
  void external_run_changed(bool running);
  void state_picture_changed(StatePicture picture);
  void progress_changed(int value, int maximum);
  // An empty text clears the status bar.
  void status_changed(const QString &text);
  void line_added(const QString &line);
  void last_line_selected();
  void drop_menu_due();
  // The output window's folder box text is used for a run: it joins the box's list.
  void output_box_used();
  void external_run_shown(const QString &command_line);
  void external_run_label_changed(const QString &text);
  void external_run_hidden();
  void close_requested();

 private:
  // What one pass of the two-phase protocol came to.
  struct RunOutcome {
    int prepared = 0;       // the preparation call: 0, or negative when it did not prepare (ZUNO_BUSY)
    bool gathered = false;  // the gathering said "完了"
    int result = 0;         // the output call: run time in ms, 0 nothing matched, negative failure
    bool failed() const { return prepared < 0 || !gathered || result < 0; }
  };
  enum class ExternalState { Idle = 0, Running = 1, InProcessFinished = 2 };

  void prepare_and_run();
  void apply_forced_settings();
  void do_run();
  QString run_new_main();
  QString run_old_main();
  void open_catalog(const QString &page);
  RunOutcome run_two_phases();
  bool poll_gathering();
  void end_collection();
  void write_summary(int run_time);
  void append_counts(const QString &folder, int pictures, qint64 bytes, int folders, int files);
  void append_run_time(qint64 milliseconds);
  void enter_busy();
  void leave_busy();
  void create_thumbnails();
  void set_progress(int value, int maximum);
  void show_state(StatePicture picture);
  void start_external_run();
  void take_external_output();
  void finish_external_run(int exit_code, int exit_status);

  void on_Timer1_Timer();
  void on_Timer2_Timer();
  void on_Timer3_Timer();
  void on_Timer4_Timer();
  void on_Timer5_Timer();

  QElapsedTimer run_clock_;     // from GO to the summary of an in-process run, either driver
  QTimer *end_watch_timer_;     // Timer1: end of a run and the external run's seconds
  QTimer *favourites_timer_;    // Timer2
  QTimer *drop_menu_timer_;     // Timer3
  QTimer *idle_picture_timer_;  // Timer4
  QTimer *spinner_timer_;       // Timer5
  PicView pic_view_;
  QProcess *external_ = nullptr;

  // The run asked for by the last GO.
  RunMode mode_ = RunMode::Normal;
  QString folder_;
  bool make_thumbnails_ = false;
  QString target_;
  QString output_folder_;
  QString output_box_text_;  // the output window's folder box

  bool busy_ = false;
  bool stop_flag_ = false;
  bool close_pending_ = false;
  int progress_value_ = 0;
  int progress_maximum_ = 100;
  ExternalState external_state_ = ExternalState::Idle;
  int external_seconds_ = 0;
  QString external_output_;      // the external run's output folder for the picture folder
  QByteArray external_errors_;   // quillo's standard error so far
  QByteArray external_printed_;  // quillo's standard output so far (its entry page)
  int favourites_tick_ = 0;
};
