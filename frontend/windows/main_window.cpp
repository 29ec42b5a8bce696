#include "main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include "browser.h"
#include "folder_picker.h"
#include "program_state.h"
#include "prompt.h"
#include "settings_mirror.h"
#include "version_info.h"

namespace {

// The spinner's frames, shown one after the other.
constexpr int kSpinnerFrames = 20;

QPushButton *make_button(const QString &name, const QString &caption, QWidget *parent) {
  auto *button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

QLabel *make_picture(const QString &name, const QString &resource, QWidget *parent) {
  auto *label = new QLabel(parent);
  label->setObjectName(name);
  label->setPixmap(QPixmap(resource));
  label->setAlignment(Qt::AlignCenter);
  return label;
}

}  // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Main"));
  setWindowTitle(version::kProductName);
  setWindowIcon(QIcon(QStringLiteral(":/art/quillo.png")));
  build_controls();
  build_menus();
}

void MainWindow::build_controls() {
  auto *central = new QWidget(this);
  central->setObjectName(QStringLiteral("MainArea"));
  central->setMouseTracking(true);
  central->installEventFilter(this);
  setCentralWidget(central);

  tabs_ = new QTabWidget(central);
  tabs_->setObjectName(QStringLiteral("SSTab1"));
  tabs_->addTab(build_input_tab(), QStringLiteral("入力"));
  tabs_->addTab(build_info_tab(), QStringLiteral("情報"));
  tabs_->addTab(build_delete_tab(), QStringLiteral("削除"));

  progress_bar_ = new QProgressBar(central);
  progress_bar_->setObjectName(QStringLiteral("ProgressBar1"));
  progress_bar_->setRange(0, 100);
  progress_bar_->setValue(0);
  progress_bar_->setTextVisible(false);

  auto *top = new QHBoxLayout;
  top->addWidget(tabs_, 1);
  top->addWidget(build_side_column());
  auto *layout = new QVBoxLayout(central);
  layout->addLayout(top, 1);
  layout->addWidget(progress_bar_);

  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  statusBar()->setSizeGripEnabled(false);
  setAcceptDrops(true);
  installEventFilter(this);
}

QWidget *MainWindow::build_input_tab() {
  auto *page = new QWidget;
  page->setMouseTracking(true);
  page->installEventFilter(this);
  auto *label3 = new QLabel(QStringLiteral("画像のあるフォルダ"), page);
  label3->setObjectName(QStringLiteral("Label3"));
  drive_list_ = new QComboBox(page);
  drive_list_->setObjectName(QStringLiteral("Drive1"));
  folder_tree_ = new QTreeView(page);
  folder_tree_->setObjectName(QStringLiteral("Dir1"));
  folder_tree_->setMinimumSize(280, 220);
  folder_tree_->setAcceptDrops(true);
  folder_tree_->setDragDropMode(QAbstractItemView::DropOnly);
  folder_tree_->viewport()->setAcceptDrops(true);
  folder_tree_->viewport()->setMouseTracking(true);
  folder_tree_->viewport()->installEventFilter(this);
  picker_ = new FolderPicker(drive_list_, folder_tree_, this);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(label3);
  layout->addWidget(drive_list_);
  layout->addWidget(folder_tree_, 1);
  return page;
}

QWidget *MainWindow::build_info_tab() {
  auto *page = new QWidget;
  page->setMouseTracking(true);
  page->installEventFilter(this);
  result_list_ = new QListWidget(page);
  result_list_->setObjectName(QStringLiteral("List1"));
  result_list_->viewport()->installEventFilter(this);
  info_picture_ = make_picture(QStringLiteral("Image1"), QStringLiteral(":/art/info.png"), page);
  info_picture_->setToolTip(QStringLiteral("選択中のフォルダの情報を表示"));
  info_picture_->setCursor(Qt::PointingHandCursor);
  info_picture_->installEventFilter(this);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(result_list_, 1);
  layout->addWidget(info_picture_, 0, Qt::AlignLeft);
  return page;
}

QWidget *MainWindow::build_delete_tab() {
  auto *page = new QWidget;
  page->setMouseTracking(true);
  page->installEventFilter(this);
  cache_delete_box_ = new QCheckBox(QStringLiteral("キャッシュも削除"), page);
  cache_delete_box_->setObjectName(QStringLiteral("CacheDel"));
  // The caption's blanks laid it out in lines on a narrow label; here the lines are explicit.
  delete_target_ = new QLabel(QStringLiteral("ここに削除したい\nファイルをD＆D\nして下さい。"), page);
  delete_target_->setObjectName(QStringLiteral("Label1"));
  delete_target_->setAlignment(Qt::AlignCenter);
  delete_target_->setFrameShape(QFrame::Box);
  delete_target_->setFrameShadow(QFrame::Sunken);
  delete_target_->setMinimumHeight(120);
  delete_target_->setAcceptDrops(true);
  delete_target_->installEventFilter(this);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(cache_delete_box_);
  layout->addWidget(delete_target_, 1);
  return page;
}

QWidget *MainWindow::build_side_column() {
  auto *side = new QWidget;
  side->setMouseTracking(true);
  side->installEventFilter(this);

  auto *pictures = new QWidget(side);
  pictures->setFixedSize(100, 100);
  auto *stack = new QGridLayout(pictures);
  stack->setContentsMargins(0, 0, 0, 0);
  frame_picture_ = make_picture(QStringLiteral("Picture1"), QStringLiteral(":/art/picture1.png"), pictures);
  done_picture_ = make_picture(QStringLiteral("Picture2"), QStringLiteral(":/art/picture2.png"), pictures);
  idle_picture_ = make_picture(QStringLiteral("Picture3"), QStringLiteral(":/art/picture3.png"), pictures);
  spinner_ = make_picture(QStringLiteral("Picture7"), QString(), pictures);
  for (QLabel *picture : {frame_picture_, done_picture_, idle_picture_, spinner_})
    stack->addWidget(picture, 0, 0);
  for (int n = 1; n <= kSpinnerFrames; ++n)
    spinner_frames_.append(QPixmap(QStringLiteral(":/art/spin%1.png").arg(n, 2, 10, QLatin1Char('0'))));
  spinner_->setPixmap(spinner_frames_.first());

  mode_list_ = new QComboBox(side);
  mode_list_->setObjectName(QStringLiteral("Combo1"));
  mode_list_->addItems({QStringLiteral("通常モード"), QStringLiteral("サイトランチャー"),
                        QStringLiteral("キャッシュバックアップ"), QStringLiteral("バックアップ閲覧")});
  go_button_ = make_button(QStringLiteral("OK"), QStringLiteral("GO !"), side);
  go_button_->setToolTip(QStringLiteral("閲覧Htmlファイルを作成します"));
  QFont bold = go_button_->font();
  bold.setBold(true);
  go_button_->setFont(bold);
  go_button_->setMinimumHeight(36);
  stop_button_ = make_button(QStringLiteral("StopIt"), QStringLiteral("STOP"), side);
  stop_button_->setFont(bold);
  stop_button_->setMinimumHeight(36);
  stop_button_->hide();
  stop_button_->setEnabled(false);
  output_button_ = make_button(QStringLiteral("Command2"), QStringLiteral("出力先設定"), side);
  options_button_ = make_button(QStringLiteral("Command3"), QStringLiteral("オプション"), side);
  copy_box_ = new QCheckBox(QStringLiteral("画像コピー"), side);
  copy_box_->setObjectName(QStringLiteral("FileCopy"));
  thumbnail_box_ = new QCheckBox(QStringLiteral("サムネイル作成"), side);
  thumbnail_box_->setObjectName(QStringLiteral("MakeThumb"));
  exit_button_ = make_button(QStringLiteral("Command1"), QStringLiteral("EXIT"), side);
  exit_button_->setToolTip(QStringLiteral("クイロ～を終了します"));

  auto *layout = new QVBoxLayout(side);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pictures, 0, Qt::AlignHCenter);
  layout->addWidget(mode_list_);
  layout->addWidget(go_button_);
  layout->addWidget(stop_button_);
  layout->addWidget(output_button_);
  layout->addWidget(options_button_);
  layout->addWidget(copy_box_);
  layout->addWidget(thumbnail_box_);
  layout->addStretch(1);
  layout->addWidget(exit_button_);

  connect(go_button_, &QPushButton::clicked, this, &MainWindow::on_OK_Click);
  connect(stop_button_, &QPushButton::clicked, this, &MainWindow::on_StopIt_Click);
  connect(exit_button_, &QPushButton::clicked, this, &MainWindow::on_Command1_Click);
  connect(output_button_, &QPushButton::clicked, this, &MainWindow::on_Command2_Click);
  connect(options_button_, &QPushButton::clicked, this, &MainWindow::on_Command3_Click);
  connect(mode_list_, &QComboBox::currentIndexChanged, this, &MainWindow::on_Combo1_Click);
  connect(copy_box_, &QCheckBox::clicked, this, &MainWindow::on_FileCopy_Click);
  connect(thumbnail_box_, &QCheckBox::clicked, this, &MainWindow::on_MakeThumb_Click);
  return side;
}

void MainWindow::build_menus() {
  drop_menu_ = new QMenu(this);
  drop_menu_->setObjectName(QStringLiteral("mDropItem"));
  QAction *to_clipboard = drop_menu_->addAction(QStringLiteral("URLを検出してクリックボードにコピー"));
  to_clipboard->setObjectName(QStringLiteral("mGetURLtoCB"));
  QAction *direct = drop_menu_->addAction(QStringLiteral("URL検出(直リン)"));
  direct->setObjectName(QStringLiteral("mGetURL"));
  QMenu *follow = drop_menu_->addMenu(QStringLiteral("リンクをたどって検出"));
  follow->setObjectName(QStringLiteral("mGetLink"));
  for (int level = 1; level <= 3; ++level) {
    QAction *action = follow->addAction(QStringLiteral("Level%1").arg(level));
    action->setObjectName(QStringLiteral("mGetLinkL%1").arg(level));
    connect(action, &QAction::triggered, this, [this, level] { on_mGetLink_Click(level); });
  }
  connect(to_clipboard, &QAction::triggered, this, &MainWindow::on_mGetURLtoCB_Click);
  connect(direct, &QAction::triggered, this, &MainWindow::on_mGetURL_Click);

  help_menu_ = new QMenu(this);
  help_menu_->setObjectName(QStringLiteral("mHelp"));
  QAction *version_item = help_menu_->addAction(QStringLiteral("バージョン情報"));
  version_item->setObjectName(QStringLiteral("mVersion"));
  QAction *help_item = help_menu_->addAction(QStringLiteral("ヘルプ"));
  help_item->setObjectName(QStringLiteral("mHelpView"));
  connect(version_item, &QAction::triggered, this, &MainWindow::on_mVersion_Click);
  connect(help_item, &QAction::triggered, this, &MainWindow::on_mHelpView_Click);
}

void MainWindow::start_up() {
  set_state_picture(StatePicture::Idle);
}

void MainWindow::fill_from_mirror() {
  const SettingsMirror &m = settings_mirror();
  copy_box_->setChecked(m.file_copy == 1);
  thumbnail_box_->setChecked(m.make_thumb == 1);
}

void MainWindow::apply_display_style() {
  const bool pictures = settings_mirror().display_style == 1;
  spinner_->setVisible(!pictures);
  if (pictures) {
    set_state_picture(StatePicture::Idle);
  } else {
    frame_picture_->hide();
    done_picture_->hide();
    idle_picture_->hide();
  }
}

void MainWindow::apply_mode_enabling() {
  const RunMode m = mode();
  copy_box_->setEnabled(m == RunMode::Normal);
  thumbnail_box_->setEnabled(m == RunMode::Normal);
  folder_tree_->setEnabled(true);
  Q_EMIT mode_changed(m);
}

QString MainWindow::selected_folder() const {
  return picker_->folder();
}

bool MainWindow::select_folder(const QString &folder) {
  return picker_->set_folder(folder);
}

void MainWindow::refresh_drives() {
  picker_->refresh_drives();
}

RunMode MainWindow::mode() const {
  return static_cast<RunMode>(mode_list_->currentIndex());
}

QWidget *MainWindow::output_button() const {
  return output_button_;
}

QWidget *MainWindow::options_button() const {
  return options_button_;
}

void MainWindow::set_state_picture(StatePicture picture) {
  if (settings_mirror().display_style == 1) {
    if (picture != StatePicture::NextFrame) {
      frame_picture_->setVisible(picture != StatePicture::Done);
      done_picture_->setVisible(picture == StatePicture::Done);
      idle_picture_->setVisible(picture == StatePicture::Idle);
    }
    return;
  }
  if (picture == StatePicture::NextFrame) {
    spinner_frame_ = spinner_frame_ % kSpinnerFrames + 1;
    spinner_->setPixmap(spinner_frames_.at(spinner_frame_ - 1));
  }
}

// The button going away hides first: showing a button lays the column out at once, and with both shown the
// window would grow by a button and never shrink back.
void MainWindow::show_running(bool running) {
  QPushButton *leaving = running ? go_button_ : stop_button_;
  QPushButton *coming = running ? stop_button_ : go_button_;
  leaving->setEnabled(false);
  leaving->hide();
  coming->setEnabled(true);
  coming->show();
}

void MainWindow::set_busy(bool busy) {
  busy_ = busy;
  for (QWidget *control :
       {static_cast<QWidget *>(output_button_), static_cast<QWidget *>(options_button_),
        static_cast<QWidget *>(go_button_), static_cast<QWidget *>(tabs_), static_cast<QWidget *>(copy_box_),
        static_cast<QWidget *>(thumbnail_box_), static_cast<QWidget *>(mode_list_)})
    control->setEnabled(!busy);
  if (busy) {
    // At the slider's maximum the engine never calls back, so a stop request could not be delivered.
    stop_button_->setEnabled(cpu_slider_position(settings_mirror().cpu_priority) < kCpuSliderMax);
  } else {
    apply_mode_enabling();
  }
}

void MainWindow::set_external_running(bool running) {
  go_button_->setEnabled(!running);
}

void MainWindow::show_progress(int value, int maximum) {
  progress_bar_->setMaximum(maximum);
  progress_bar_->setValue(value);
}

// Nothing else may be processed while thumbnails are made, so the status bar repaints itself at once.
void MainWindow::show_status(const QString &text) {
  if (text.isEmpty()) {
    statusBar()->clearMessage();
  } else {
    statusBar()->showMessage(text);
    statusBar()->repaint();
  }
}

void MainWindow::append_line(const QString &line) {
  result_list_->addItem(line);
}

void MainWindow::select_last_line() {
  if (result_list_->count() > 0) result_list_->setCurrentRow(result_list_->count() - 1);
}

void MainWindow::pop_up_drop_menu() {
  drop_menu_->popup(QCursor::pos());
}

// GO runs only on folders the user chose and that are still there; otherwise it says why and does nothing.
void MainWindow::on_OK_Click() {
  const bool uses_folders = mode() == RunMode::Normal || settings_mirror().run_external;
  if (uses_folders && (!picture_folder_ready() || !output_folder_ready())) return;
  Q_EMIT go_pressed(mode(), selected_folder(), thumbnail_box_->isChecked());
}

// True when the chosen picture folder is on disk; otherwise the user is told, and no other folder is taken.
bool MainWindow::picture_folder_ready() {
  const QString folder = selected_folder();
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) return true;
  prompt::show(this, folder.isEmpty()
                         ? QStringLiteral("画像のあるフォルダを選んでください。")
                         : QStringLiteral("選んだフォルダが見つかりません。\n%1\n"
                                          "削除または移動されたようです。フォルダを選び直してください。")
                               .arg(folder));
  return false;
}

// True when the output folder is on disk, or the user agreed to have it made and it was made.
bool MainWindow::output_folder_ready() {
  const QString folder = program_state().output_folder;
  const QFileInfo info(folder);
  if (folder.isEmpty()) {
    prompt::show(this, QStringLiteral("出力先フォルダが指定されていません。出力先設定で指定してください。"));
    return false;
  }
  if (info.isDir()) return true;
  if (info.exists()) {
    prompt::show(this, QStringLiteral("出力先 %1 はフォルダではありません。").arg(folder));
    return false;
  }
  if (prompt::show(this, QStringLiteral("出力先フォルダ %1 がありません。作成しますか？").arg(folder),
                   prompt::Buttons::OkCancel) != prompt::Answer::Ok)
    return false;
  if (QDir().mkpath(folder)) return true;
  prompt::show(this, QStringLiteral("出力先フォルダ %1 を作れません。").arg(folder));
  return false;
}

void MainWindow::on_StopIt_Click() {
  Q_EMIT stop_pressed();
}

void MainWindow::on_Image1_Click() {
  if (busy_) return;
  Q_EMIT folder_information_requested(selected_folder());
}

void MainWindow::on_Command1_Click() {
  close();
}

void MainWindow::on_Command2_Click() {
  Q_EMIT output_button_clicked();
}

void MainWindow::on_Command3_Click() {
  Q_EMIT options_button_clicked();
}

void MainWindow::on_Combo1_Click() {
  apply_mode_enabling();
}

void MainWindow::on_FileCopy_Click() {
  settings_mirror().file_copy = copy_box_->isChecked() ? 1 : 0;
  Q_EMIT file_copy_changed(copy_box_->isChecked());
}

void MainWindow::on_MakeThumb_Click() {
  settings_mirror().make_thumb = thumbnail_box_->isChecked() ? 1 : 0;
}

void MainWindow::on_List1_MouseDown() {
  Q_EMIT result_list_pressed();
}

// Both fly-outs hide when the pointer is back over this window; the output window first takes over the
// folder its browser shows.
void MainWindow::on_Main_MouseMove() {
  Q_EMIT pointer_over_main();
}

void MainWindow::on_mVersion_Click() {
  Q_EMIT version_requested();
}

void MainWindow::on_mHelpView_Click() {
  const QString help = QDir(program_state().program_folder).filePath(QStringLiteral("help/ZunoP.html"));
  if (!QFileInfo::exists(help)) {
    prompt::show(this, QStringLiteral("ヘルプファイル %1 が見つかりません").arg(help));
    return;
  }
  browser::open(help);
}

void MainWindow::contextMenuEvent(QContextMenuEvent *event) {
  help_menu_->popup(event->globalPos());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
  switch (event->type()) {
    case QEvent::Enter:
      if (watched == this) on_Main_MouseMove();
      break;
    case QEvent::MouseMove:
      if (watched != info_picture_ && watched != delete_target_) on_Main_MouseMove();
      break;
    case QEvent::MouseButtonPress:
      if (watched == info_picture_) on_Image1_Click();
      if (watched == result_list_->viewport()) on_List1_MouseDown();
      break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto *drag = static_cast<QDropEvent *>(event);
      if (watched == this || watched == folder_tree_->viewport() || watched == delete_target_) {
        drag->acceptProposedAction();
        return true;
      }
      break;
    }
    case QEvent::Drop: {
      auto *drop = static_cast<QDropEvent *>(event);
      if (watched == folder_tree_->viewport()) {
        on_Dir1_OLEDragDrop(drop->mimeData());
      } else if (watched == delete_target_) {
        on_Label1_OLEDragDrop(drop->mimeData());
      } else if (watched == this) {
        on_Main_OLEDragDrop(drop->mimeData());
      } else {
        break;
      }
      drop->acceptProposedAction();
      return true;
    }
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

// A close during a run first stops the run; the window closes when the run has ended.
void MainWindow::closeEvent(QCloseEvent *event) {
  if (busy_) {
    Q_EMIT close_deferred();
    event->ignore();
    return;
  }
  if (!exiting_) {
    exiting_ = true;
    Q_EMIT exiting();
  }
  Q_EMIT closing();
  event->accept();
}
