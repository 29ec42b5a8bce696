// Main: the user picks a picture folder and a mode and presses GO; the window drives the engine's two-phase
// run, shows its progress, writes the summary into the result list and opens the catalog in the browser.
// It is also the drop target for folders, thumbnail links and catalog files to delete.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QVector>

#include "pic_view.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QMimeData;
class QProcess;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeView;
class AboutWindow;
class DetailWindow;
class DialogWindow;
class FlyOut;
class FolderPicker;
class OutputWindow;
class PropertyDialog;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget *parent = nullptr);
  ~MainWindow() override;

  // Start-up of the window itself: idle pictures, output window at the output folder, favourites timer.
  void start_up();
  // The copy and thumbnail boxes take the mirror's values; the pictures follow its display style.
  void fill_from_mirror();
  void apply_display_style();
  // Enables the controls of this window and of the settings dialog for the selected mode.
  void apply_mode_enabling();

  QString selected_folder() const;
  bool select_folder(const QString &folder);
  void refresh_drives();
  int mode() const;
  bool busy() const { return busy_; }

  OutputWindow *output_window() const { return output_; }
  PropertyDialog *property_dialog() const { return property_; }
  DetailWindow *detail_window() const { return detail_; }
  DialogWindow *dialog_window() const { return dialog_; }
  FlyOut *output_flyout() const { return output_flyout_; }
  FlyOut *property_flyout() const { return property_flyout_; }
  PicView &pic_view() { return pic_view_; }

  // State pictures: 0 idle, 1 working, 2 done, 4 next spinner frame.
  void set_state_picture(int code);
  int spinner_frame() const { return spinner_frame_; }

  // Progress callbacks of the engine, forwarded here.
  void progress_total(int count);
  void progress_step();
  void progress_poll();
  void progress_tick();

  // Handlers reached from drops and menus; public so that the drop targets and tests can reach them.
  void on_Main_OLEDragDrop(const QMimeData *data);
  void on_Dir1_OLEDragDrop(const QMimeData *data);
  void on_Label1_OLEDragDrop(const QMimeData *data);
  void on_Main_MouseMove();
  void on_Image1_Click();
  void on_mGetURL_Click();
  void on_mGetURLtoCB_Click();
  void on_mGetLink_Click(int level);
  void on_mVersion_Click();
  void on_mHelpView_Click();
  void on_Timer2_Timer();

 Q_SIGNALS:
  // A run started (true) or ended (false).
  void busy_changed(bool busy);

 protected:
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  void contextMenuEvent(QContextMenuEvent *event) override;

 private:
  void build_controls();
  QWidget *build_input_tab();
  QWidget *build_info_tab();
  QWidget *build_delete_tab();
  QWidget *build_side_column();
  void build_menus();
  void build_timers();

  // What one pass of the two-phase protocol came to.
  struct RunOutcome {
    int prepared = 0;       // the preparation call: 0, or negative when it did not prepare (ZUNO_BUSY)
    bool gathered = false;  // the gathering said "完了"
    int result = 0;         // the output call: run time in ms, 0 nothing matched, negative failure
    bool failed() const { return prepared < 0 || !gathered || result < 0; }
  };

  // Run flow (main_window_run.cpp).
  void on_OK_Click();
  void on_StopIt_Click();
  void prepare_and_run();
  void apply_forced_settings(int mode);
  void do_run(int mode);
  bool run_new_main(int mode);
  RunOutcome run_two_phases();
  bool poll_gathering();
  void end_collection();
  void write_summary(int run_time);
  void show_result_in_browser();
  void enter_busy();
  void leave_busy();
  void start_external_run();
  void on_Timer1_Timer();
  void finish_external_run(int exit_code, int exit_status);
  void take_external_output();
  void append_line(const QString &line);
  void select_last_line();
  void open_address_window(const QString &address);
  void create_thumbnails();

  void on_Command1_Click();
  void on_Command2_Click();
  void on_Command3_Click();
  void on_Combo1_Click();
  void on_FileCopy_Click();
  void on_MakeThumb_Click();
  void on_List1_MouseDown();
  void on_Timer3_Timer();
  void on_Timer4_Timer();
  void on_Timer5_Timer();
  void save_on_exit();

  QPushButton *ok_;
  QPushButton *stop_it_;
  QPushButton *command1_;
  QPushButton *command2_;
  QPushButton *command3_;
  QComboBox *combo1_;
  QComboBox *drive1_;
  QTreeView *dir1_;
  FolderPicker *picker_;
  QCheckBox *file_copy_;
  QCheckBox *make_thumb_;
  QCheckBox *cache_del_;
  QLabel *label1_;
  QLabel *image1_;
  QListWidget *list1_;
  QProgressBar *progress_bar1_;
  QTabWidget *sstab1_;
  QLabel *picture1_;
  QLabel *picture2_;
  QLabel *picture3_;
  QLabel *picture7_;
  QVector<QPixmap> image_list1_;
  QTimer *timer1_;
  QTimer *timer2_;
  QTimer *timer3_;
  QTimer *timer4_;
  QTimer *timer5_;
  QMenu *m_drop_item_;
  QMenu *m_help_;

  OutputWindow *output_;
  PropertyDialog *property_;
  DetailWindow *detail_;
  DialogWindow *dialog_;
  AboutWindow *about_;
  FlyOut *output_flyout_;
  FlyOut *property_flyout_;
  PicView pic_view_;
  QProcess *external_ = nullptr;

  bool first_load_ = true;
  bool busy_ = false;
  bool stop_flag_ = false;
  bool close_pending_ = false;
  bool exiting_ = false;
  QString target_;
  QString output_folder_;
  int external_state_ = 0;  // 0 idle, 1 external program running, 2 in-process run finished
  int external_seconds_ = 0;
  QString external_output_;      // the external run's output folder for the picture folder
  QByteArray external_errors_;   // quillo's standard error so far
  QByteArray external_printed_;  // quillo's standard output so far (its entry page)
  int spinner_frame_ = 1;
  int favourites_tick_ = 0;
  QString last_link_;
};

// Registers the four progress callbacks with the engine (after every ZunoInit).
void register_progress_callbacks();
