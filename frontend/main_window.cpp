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
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "about_window.h"
#include "browser.h"
#include "detail_window.h"
#include "dialog_window.h"
#include "engine_binding.h"
#include "flyout.h"
#include "folder_picker.h"
#include "output_window.h"
#include "program_state.h"
#include "prompt.h"
#include "property_dialog.h"
#include "settings_mirror.h"
#include "version_info.h"

namespace {

MainWindow *g_progress_sink = nullptr;

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

void register_progress_callbacks() {
  engine::set_progress_proc(&on_total, &on_step, &on_poll, &on_tick);
}

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Main"));
  setWindowTitle(version::kProductName);
  setWindowIcon(QIcon(QStringLiteral(":/art/quillo.png")));
  build_controls();
  build_menus();
  build_timers();

  output_ = new OutputWindow(this);
  output_->set_anchor(this);
  property_ = new PropertyDialog(this);
  property_->set_anchor(this);
  detail_ = new DetailWindow(this);
  dialog_ = new DialogWindow(this);
  about_ = new AboutWindow(this);
  output_flyout_ = new FlyOut(
      output_, command2_, [this] { output_->place_beside_anchor(); },
      [this] { output_->take_over_browser_folder(); });
  property_flyout_ = new FlyOut(property_, command3_, [this] { property_->place_beside_anchor(); });
  property_->set_flyout(property_flyout_);
  property_->set_detail(detail_);
  detail_->set_output(output_);
  detail_->set_dialog(dialog_);
  dialog_->set_show_catalog([this] { show_result_in_browser(); });
  g_progress_sink = this;
}

MainWindow::~MainWindow() {
  if (g_progress_sink == this) g_progress_sink = nullptr;
}

void MainWindow::build_controls() {
  auto *central = new QWidget(this);
  central->setObjectName(QStringLiteral("MainArea"));
  central->setMouseTracking(true);
  central->installEventFilter(this);
  setCentralWidget(central);

  sstab1_ = new QTabWidget(central);
  sstab1_->setObjectName(QStringLiteral("SSTab1"));
  sstab1_->addTab(build_input_tab(), QStringLiteral("入力"));
  sstab1_->addTab(build_info_tab(), QStringLiteral("情報"));
  sstab1_->addTab(build_delete_tab(), QStringLiteral("削除"));

  progress_bar1_ = new QProgressBar(central);
  progress_bar1_->setObjectName(QStringLiteral("ProgressBar1"));
  progress_bar1_->setRange(0, 100);
  progress_bar1_->setValue(0);
  progress_bar1_->setTextVisible(false);

  auto *top = new QHBoxLayout;
  top->addWidget(sstab1_, 1);
  top->addWidget(build_side_column());
  auto *layout = new QVBoxLayout(central);
  layout->addLayout(top, 1);
  layout->addWidget(progress_bar1_);

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
  drive1_ = new QComboBox(page);
  drive1_->setObjectName(QStringLiteral("Drive1"));
  dir1_ = new QTreeView(page);
  dir1_->setObjectName(QStringLiteral("Dir1"));
  dir1_->setMinimumSize(280, 220);
  dir1_->setAcceptDrops(true);
  dir1_->setDragDropMode(QAbstractItemView::DropOnly);
  dir1_->viewport()->setAcceptDrops(true);
  dir1_->viewport()->setMouseTracking(true);
  dir1_->viewport()->installEventFilter(this);
  picker_ = new FolderPicker(drive1_, dir1_, this);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(label3);
  layout->addWidget(drive1_);
  layout->addWidget(dir1_, 1);
  return page;
}

QWidget *MainWindow::build_info_tab() {
  auto *page = new QWidget;
  page->setMouseTracking(true);
  page->installEventFilter(this);
  list1_ = new QListWidget(page);
  list1_->setObjectName(QStringLiteral("List1"));
  list1_->viewport()->installEventFilter(this);
  image1_ = make_picture(QStringLiteral("Image1"), QStringLiteral(":/art/info.png"), page);
  image1_->setToolTip(QStringLiteral("選択中のフォルダの情報を表示"));
  image1_->setCursor(Qt::PointingHandCursor);
  image1_->installEventFilter(this);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(list1_, 1);
  layout->addWidget(image1_, 0, Qt::AlignLeft);
  return page;
}

QWidget *MainWindow::build_delete_tab() {
  auto *page = new QWidget;
  page->setMouseTracking(true);
  page->installEventFilter(this);
  cache_del_ = new QCheckBox(QStringLiteral("キャッシュも削除"), page);
  cache_del_->setObjectName(QStringLiteral("CacheDel"));
  // The caption's blanks laid it out in lines on a narrow label; here the lines are explicit.
  label1_ = new QLabel(QStringLiteral("ここに削除したい\nファイルをD＆D\nして下さい。"), page);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setAlignment(Qt::AlignCenter);
  label1_->setFrameShape(QFrame::Box);
  label1_->setFrameShadow(QFrame::Sunken);
  label1_->setMinimumHeight(120);
  label1_->setAcceptDrops(true);
  label1_->installEventFilter(this);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(cache_del_);
  layout->addWidget(label1_, 1);
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
  picture1_ = make_picture(QStringLiteral("Picture1"), QStringLiteral(":/art/picture1.png"), pictures);
  picture2_ = make_picture(QStringLiteral("Picture2"), QStringLiteral(":/art/picture2.png"), pictures);
  picture3_ = make_picture(QStringLiteral("Picture3"), QStringLiteral(":/art/picture3.png"), pictures);
  picture7_ = make_picture(QStringLiteral("Picture7"), QString(), pictures);
  for (QLabel *picture : {picture1_, picture2_, picture3_, picture7_}) stack->addWidget(picture, 0, 0);
  for (int n = 1; n <= 20; ++n)
    image_list1_.append(QPixmap(QStringLiteral(":/art/spin%1.png").arg(n, 2, 10, QLatin1Char('0'))));
  picture7_->setPixmap(image_list1_.first());

  combo1_ = new QComboBox(side);
  combo1_->setObjectName(QStringLiteral("Combo1"));
  combo1_->addItems({QStringLiteral("通常モード"), QStringLiteral("サイトランチャー"),
                     QStringLiteral("キャッシュバックアップ"), QStringLiteral("バックアップ閲覧")});
  ok_ = make_button(QStringLiteral("OK"), QStringLiteral("GO !"), side);
  ok_->setToolTip(QStringLiteral("閲覧Htmlファイルを作成します"));
  QFont bold = ok_->font();
  bold.setBold(true);
  ok_->setFont(bold);
  ok_->setMinimumHeight(36);
  stop_it_ = make_button(QStringLiteral("StopIt"), QStringLiteral("STOP"), side);
  stop_it_->setFont(bold);
  stop_it_->setMinimumHeight(36);
  stop_it_->hide();
  stop_it_->setEnabled(false);
  command2_ = make_button(QStringLiteral("Command2"), QStringLiteral("出力先設定"), side);
  command3_ = make_button(QStringLiteral("Command3"), QStringLiteral("オプション"), side);
  file_copy_ = new QCheckBox(QStringLiteral("画像コピー"), side);
  file_copy_->setObjectName(QStringLiteral("FileCopy"));
  make_thumb_ = new QCheckBox(QStringLiteral("サムネイル作成"), side);
  make_thumb_->setObjectName(QStringLiteral("MakeThumb"));
  command1_ = make_button(QStringLiteral("Command1"), QStringLiteral("EXIT"), side);
  command1_->setToolTip(QStringLiteral("クイロ～を終了します"));

  auto *layout = new QVBoxLayout(side);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pictures, 0, Qt::AlignHCenter);
  layout->addWidget(combo1_);
  layout->addWidget(ok_);
  layout->addWidget(stop_it_);
  layout->addWidget(command2_);
  layout->addWidget(command3_);
  layout->addWidget(file_copy_);
  layout->addWidget(make_thumb_);
  layout->addStretch(1);
  layout->addWidget(command1_);

  connect(ok_, &QPushButton::clicked, this, &MainWindow::on_OK_Click);
  connect(stop_it_, &QPushButton::clicked, this, &MainWindow::on_StopIt_Click);
  connect(command1_, &QPushButton::clicked, this, &MainWindow::on_Command1_Click);
  connect(command2_, &QPushButton::clicked, this, &MainWindow::on_Command2_Click);
  connect(command3_, &QPushButton::clicked, this, &MainWindow::on_Command3_Click);
  connect(combo1_, &QComboBox::currentIndexChanged, this, &MainWindow::on_Combo1_Click);
  connect(file_copy_, &QCheckBox::clicked, this, &MainWindow::on_FileCopy_Click);
  connect(make_thumb_, &QCheckBox::clicked, this, &MainWindow::on_MakeThumb_Click);
  return side;
}

void MainWindow::build_menus() {
  m_drop_item_ = new QMenu(this);
  m_drop_item_->setObjectName(QStringLiteral("mDropItem"));
  QAction *to_clipboard = m_drop_item_->addAction(QStringLiteral("URLを検出してクリックボードにコピー"));
  to_clipboard->setObjectName(QStringLiteral("mGetURLtoCB"));
  QAction *direct = m_drop_item_->addAction(QStringLiteral("URL検出(直リン)"));
  direct->setObjectName(QStringLiteral("mGetURL"));
  QMenu *follow = m_drop_item_->addMenu(QStringLiteral("リンクをたどって検出"));
  follow->setObjectName(QStringLiteral("mGetLink"));
  for (int level = 1; level <= 3; ++level) {
    QAction *action = follow->addAction(QStringLiteral("Level%1").arg(level));
    action->setObjectName(QStringLiteral("mGetLinkL%1").arg(level));
    connect(action, &QAction::triggered, this, [this, level] { on_mGetLink_Click(level); });
  }
  connect(to_clipboard, &QAction::triggered, this, &MainWindow::on_mGetURLtoCB_Click);
  connect(direct, &QAction::triggered, this, &MainWindow::on_mGetURL_Click);

  m_help_ = new QMenu(this);
  m_help_->setObjectName(QStringLiteral("mHelp"));
  QAction *version_item = m_help_->addAction(QStringLiteral("バージョン情報"));
  version_item->setObjectName(QStringLiteral("mVersion"));
  QAction *help_item = m_help_->addAction(QStringLiteral("ヘルプ"));
  help_item->setObjectName(QStringLiteral("mHelpView"));
  connect(version_item, &QAction::triggered, this, &MainWindow::on_mVersion_Click);
  connect(help_item, &QAction::triggered, this, &MainWindow::on_mHelpView_Click);
}

void MainWindow::build_timers() {
  auto make_timer = [this](const char *name, int interval, bool single, void (MainWindow::*handler)()) {
    auto *timer = new QTimer(this);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    timer->setSingleShot(single);
    connect(timer, &QTimer::timeout, this, handler);
    return timer;
  };
  timer1_ = make_timer("Timer1", 1000, false, &MainWindow::on_Timer1_Timer);
  timer2_ = make_timer("Timer2", 5000, false, &MainWindow::on_Timer2_Timer);
  timer3_ = make_timer("Timer3", 100, true, &MainWindow::on_Timer3_Timer);
  timer4_ = make_timer("Timer4", 2000, true, &MainWindow::on_Timer4_Timer);
  timer5_ = make_timer("Timer5", 100, false, &MainWindow::on_Timer5_Timer);
}

void MainWindow::start_up() {
  set_state_picture(0);
  const ProgramState &state = program_state();
  if (first_load_) {
    first_load_ = false;
    output_->refresh_drives();
    if (!state.output_folder.isEmpty()) output_->browse_to(state.output_folder);
  }
  timer2_->start();
}

void MainWindow::fill_from_mirror() {
  const SettingsMirror &m = settings_mirror();
  file_copy_->setChecked(m.file_copy == 1);
  make_thumb_->setChecked(m.make_thumb == 1);
}

void MainWindow::apply_display_style() {
  const bool pictures = settings_mirror().display_style == 1;
  picture7_->setVisible(!pictures);
  if (pictures) {
    set_state_picture(0);
  } else {
    picture1_->hide();
    picture2_->hide();
    picture3_->hide();
  }
}

void MainWindow::apply_mode_enabling() {
  const int m = mode();
  file_copy_->setEnabled(m == 0);
  make_thumb_->setEnabled(m == 0);
  dir1_->setEnabled(true);
  property_->apply_mode(m);
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

int MainWindow::mode() const {
  return combo1_->currentIndex();
}

void MainWindow::set_state_picture(int code) {
  if (settings_mirror().display_style == 1) {
    if (code == 0 || code == 1 || code == 2) {
      picture1_->setVisible(code != 2);
      picture2_->setVisible(code == 2);
      picture3_->setVisible(code == 0);
    }
    return;
  }
  if (code == 4) {
    spinner_frame_ = spinner_frame_ % 20 + 1;
    picture7_->setPixmap(image_list1_.at(spinner_frame_ - 1));
  }
}

void MainWindow::progress_total(int count) {
  if (count == 0) return;
  progress_bar1_->setMaximum(count);
  progress_bar1_->setValue(0);
}

void MainWindow::progress_step() {
  if (progress_bar1_->maximum() > progress_bar1_->value())
    progress_bar1_->setValue(progress_bar1_->value() + 1);
}

void MainWindow::progress_poll() {
  QCoreApplication::processEvents();
  if (stop_flag_) engine::abort_req();
}

void MainWindow::progress_tick() {
  set_state_picture(4);
}

void MainWindow::on_Command1_Click() {
  close();
}

void MainWindow::on_Command2_Click() {
  output_flyout_->button_clicked();
}

void MainWindow::on_Command3_Click() {
  property_flyout_->button_clicked();
}

void MainWindow::on_Combo1_Click() {
  apply_mode_enabling();
}

void MainWindow::on_FileCopy_Click() {
  settings_mirror().file_copy = file_copy_->isChecked() ? 1 : 0;
}

void MainWindow::on_MakeThumb_Click() {
  settings_mirror().make_thumb = make_thumb_->isChecked() ? 1 : 0;
}

void MainWindow::on_List1_MouseDown() {
  timer1_->stop();
}

// Both fly-outs hide when the pointer is back over this window; the output window first takes over the
// folder its browser shows.
void MainWindow::on_Main_MouseMove() {
  output_flyout_->pointer_over_main();
  property_flyout_->pointer_over_main();
}

// Rebuilds the favourites page on every third tick, never while a run holds the engine.
void MainWindow::on_Timer2_Timer() {
  const bool due = favourites_tick_ == 0;
  favourites_tick_ = favourites_tick_ + 1 > 2 ? 0 : favourites_tick_ + 1;
  if (!due || busy_ || external_state_ == 1) return;
  const int registered = engine::creat_favorites();
  if (registered > 0)
    statusBar()->showMessage(QStringLiteral("クイロ～のお気に入りに%1個登録しました").arg(registered));
}

void MainWindow::on_Timer3_Timer() {
  timer3_->stop();
  m_drop_item_->popup(QCursor::pos());
}

void MainWindow::on_Timer4_Timer() {
  set_state_picture(0);
}

void MainWindow::on_Timer5_Timer() {
  set_state_picture(4);
}

void MainWindow::on_mVersion_Click() {
  about_->show();
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
  m_help_->popup(event->globalPos());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
  switch (event->type()) {
    case QEvent::Enter:
      if (watched == this) on_Main_MouseMove();
      break;
    case QEvent::MouseMove:
      if (watched != image1_ && watched != label1_) on_Main_MouseMove();
      break;
    case QEvent::MouseButtonPress:
      if (watched == image1_) on_Image1_Click();
      if (watched == list1_->viewport()) on_List1_MouseDown();
      break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto *drag = static_cast<QDropEvent *>(event);
      if (watched == this || watched == dir1_->viewport() || watched == label1_) {
        drag->acceptProposedAction();
        return true;
      }
      break;
    }
    case QEvent::Drop: {
      auto *drop = static_cast<QDropEvent *>(event);
      if (watched == dir1_->viewport()) {
        on_Dir1_OLEDragDrop(drop->mimeData());
      } else if (watched == label1_) {
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
    stop_flag_ = true;
    close_pending_ = true;
    event->ignore();
    return;
  }
  if (!exiting_) {
    exiting_ = true;
    save_on_exit();
  }
  for (QWidget *window :
       {static_cast<QWidget *>(output_), static_cast<QWidget *>(property_), static_cast<QWidget *>(detail_),
        static_cast<QWidget *>(dialog_), static_cast<QWidget *>(about_)})
    window->hide();
  event->accept();
}
