// Main: the user picks a picture folder and a mode and presses GO. The window asks the run controller for the
// run and shows what the controller reports: GO or STOP, the state pictures, progress, status and the result
// list. It is also the drop target for folders, thumbnail links and catalog files to delete.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QVector>

#include "run_types.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QMimeData;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTreeView;
class FolderPicker;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget *parent = nullptr);

  // The window's own start-up: the idle pictures.
  void start_up();
  // The copy and thumbnail boxes take the mirror's values; the pictures follow its display style.
  void fill_from_mirror();
  void apply_display_style();
  // Enables the controls of this window for the selected mode and tells the other windows the mode.
  void apply_mode_enabling();

  QString selected_folder() const;
  bool select_folder(const QString &folder);
  void refresh_drives();
  RunMode mode() const;
  // The buttons that open the output window and the settings dialog beside this window.
  QWidget *output_button() const;
  QWidget *options_button() const;

  // What the run controller reports.
  void show_running(bool running);
  void set_busy(bool busy);
  void set_external_running(bool running);
  void set_state_picture(StatePicture picture);
  int spinner_frame() const { return spinner_frame_; }
  void show_progress(int value, int maximum);
  void show_status(const QString &text);
  void append_line(const QString &line);
  void select_last_line();
  void pop_up_drop_menu();

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

 Q_SIGNALS:
  void go_pressed(RunMode mode, const QString &folder, bool make_thumbnails);
  void stop_pressed();
  // Closed during a run: the run is to stop, and the window closes when it has ended.
  void close_deferred();
  // The window closes for good: first the start-up values are saved, then the other windows hide.
  void exiting();
  void closing();
  void mode_changed(RunMode mode);
  // The user ticked or cleared 画像コピー.
  void file_copy_changed(bool copy);
  void output_button_clicked();
  void options_button_clicked();
  void pointer_over_main();
  void folder_information_requested(const QString &folder);
  void picture_dropped(const QString &file);
  void thumbnail_link_dropped();
  void result_list_pressed();
  void version_requested();

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
  void open_address_window(const QString &address);

  void on_OK_Click();
  bool picture_folder_ready();
  bool output_folder_ready();
  void on_StopIt_Click();
  void on_Command1_Click();
  void on_Command2_Click();
  void on_Command3_Click();
  void on_Combo1_Click();
  void on_FileCopy_Click();
  void on_MakeThumb_Click();
  void on_List1_MouseDown();

  QPushButton *go_button_;
  QPushButton *stop_button_;
  QPushButton *exit_button_;
  QPushButton *output_button_;
  QPushButton *options_button_;
  QComboBox *mode_list_;
  QComboBox *drive_list_;
  QTreeView *folder_tree_;
  FolderPicker *picker_;
  QCheckBox *copy_box_;
  QCheckBox *thumbnail_box_;
  QCheckBox *cache_delete_box_;
  QLabel *delete_target_;
  QLabel *info_picture_;
  QListWidget *result_list_;
  QProgressBar *progress_bar_;
  QTabWidget *tabs_;
  QLabel *frame_picture_;  // shown idle and working
  QLabel *done_picture_;
  QLabel *idle_picture_;
  QLabel *spinner_;
  QVector<QPixmap> spinner_frames_;
  QMenu *drop_menu_;
  QMenu *help_menu_;

  bool busy_ = false;
  bool exiting_ = false;
  int spinner_frame_ = 1;
  QString last_link_;
};
