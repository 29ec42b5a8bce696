#include "output_window.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <QVBoxLayout>

#include "flyout.h"
#include "folder_picker.h"
#include "program_state.h"

OutputWindow::OutputWindow(QWidget *parent) : QWidget(parent, Qt::Tool) {
  setObjectName(QStringLiteral("Output"));
  setWindowTitle(QStringLiteral("出力先設定"));
  auto *frame1 = new QGroupBox(QStringLiteral("出力先フォルダ"), this);
  frame1->setObjectName(QStringLiteral("Frame1"));
  auto *label2 = new QLabel(QStringLiteral("出力先フォルダ"), frame1);
  label2->setObjectName(QStringLiteral("Label2"));
  label2->setToolTip(QStringLiteral("ベースになるフォルダを指定します。この下にHTMLファイルが出力されます"));
  folder_box_ = new QComboBox(frame1);
  folder_box_->setObjectName(QStringLiteral("Combo1"));
  folder_box_->setEditable(true);
  folder_box_->setInsertPolicy(QComboBox::NoInsert);
  folder_box_->setMinimumWidth(320);
  drive_list_ = new QComboBox(frame1);
  drive_list_->setObjectName(QStringLiteral("Drive1"));
  folder_tree_ = new QTreeView(frame1);
  folder_tree_->setObjectName(QStringLiteral("Dir1"));
  folder_tree_->setMinimumHeight(260);
  picker_ = new FolderPicker(drive_list_, folder_tree_, this);

  auto *grid = new QGridLayout(frame1);
  grid->addWidget(label2, 0, 0);
  grid->addWidget(folder_box_, 1, 0);
  grid->addWidget(drive_list_, 2, 0);
  grid->addWidget(folder_tree_, 3, 0);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(frame1);

  connect(picker_, &FolderPicker::folder_changed, this, &OutputWindow::on_Dir1_Change);
  connect(folder_box_, &QComboBox::editTextChanged, this, &OutputWindow::on_Combo1_Change);
}

QString OutputWindow::box_text() const {
  return folder_box_->currentText();
}

void OutputWindow::set_box_text(const QString &text) {
  folder_box_->setEditText(text);
}

void OutputWindow::add_box_text_to_list() {
  const QString text = box_text();
  if (!text.isEmpty() && folder_box_->findText(text) < 0) folder_box_->addItem(text);
  folder_box_->setEditText(text);
}

void OutputWindow::browse_to(const QString &folder) {
  picker_->set_folder(folder);
}

void OutputWindow::refresh_drives() {
  picker_->refresh_drives();
}

QString OutputWindow::browser_folder() const {
  return picker_->folder();
}

void OutputWindow::keep_box_text() {
  if (QFileInfo(box_text()).isDir()) add_box_text_to_list();
}

// Right of the main window, or as near as the main window's screen allows.
void OutputWindow::place_beside_anchor() {
  if (!anchor_) return;
  const QPoint beside(anchor_->x() + anchor_->frameGeometry().width(), anchor_->y());
  move(on_anchor_screen(anchor_, beside, frameGeometry().size()));
}

bool OutputWindow::event(QEvent *event) {
  if (event->type() == QEvent::WindowActivate) place_beside_anchor();
  return QWidget::event(event);
}

void OutputWindow::on_Dir1_Change(const QString &path) {
  Q_EMIT browser_folder_changed(path);
  set_box_text(path);
}

void OutputWindow::on_Combo1_Change(const QString &text) {
  program_state().output_folder = text;
  Q_EMIT box_text_changed(text);
}
