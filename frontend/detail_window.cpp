#include "detail_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "controls.h"
#include "dialog_window.h"
#include "engine_binding.h"
#include "main_window.h"
#include "output_window.h"
#include "program_state.h"
#include "prompt.h"
#include "settings_mirror.h"

using namespace controls;

namespace {

SettingsMirror &mirror() {
  return settings_mirror();
}

constexpr int kUnlimitedDepth = 1000;

// Common banner sizes; choosing one sets the banner width and height.
const char *const kBannerSizes[] = {"468x60", "234x60", "392x72", "120x60", "120x90", "88x31", "728x90"};

QString ratio_text(int tenths) {
  return QString::number(tenths / 10.0, 'g', 6);
}

}  // namespace

DetailWindow::DetailWindow(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Detail"));
  setWindowTitle(QStringLiteral("詳細プロパティ"));
  auto *tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("SSTab1"));
  tabs->addTab(build_behaviour_tab(), QStringLiteral("動作"));
  tabs->addTab(build_cache_tab(), QStringLiteral("Cache"));
  tabs->addTab(build_search_tab(), QStringLiteral("検索"));
  tabs->addTab(build_system_tab(), QStringLiteral("SYS"));
  auto *ok = button(QStringLiteral("Command1"), QStringLiteral("OK"), this);
  connect(ok, &QPushButton::clicked, this, &QDialog::hide);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(ok, 0, Qt::AlignRight);
  connect_controls();
}

QWidget *DetailWindow::build_behaviour_tab() {
  auto *page = new QWidget;
  QGroupBox *frame1 = frame(QStringLiteral("Frame1"), QStringLiteral("バナー"), page);
  hscroll1_ = scroll_bar(QStringLiteral("HScroll1"), true, 0, kBannerMax, frame1);
  text1_ = box(QStringLiteral("Text1"), frame1);
  vscroll1_ = scroll_bar(QStringLiteral("VScroll1"), false, 0, kBannerMax, frame1);
  text2_ = box(QStringLiteral("Text2"), frame1);
  combo1_ = new QComboBox(frame1);
  combo1_->setObjectName(QStringLiteral("Combo1"));
  for (const char *size : kBannerSizes) combo1_->addItem(QString::fromLatin1(size));
  auto *grid1 = new QGridLayout(frame1);
  grid1->addWidget(label(QStringLiteral("Label1"), QStringLiteral("バナー定義"), frame1), 0, 0);
  grid1->addWidget(combo1_, 0, 1, 1, 2);
  grid1->addWidget(label(QStringLiteral("Label2"), QStringLiteral("幅"), frame1), 1, 0);
  grid1->addWidget(text1_, 1, 1);
  grid1->addWidget(hscroll1_, 1, 2);
  grid1->addWidget(label(QStringLiteral("Label3"), QStringLiteral("高さ"), frame1), 2, 0);
  grid1->addWidget(text2_, 2, 1);
  grid1->addWidget(vscroll1_, 2, 2, Qt::AlignLeft);

  QGroupBox *frame2 = frame(QStringLiteral("Frame2"), QStringLiteral("細長画像定義"), page);
  hscroll2_ = scroll_bar(QStringLiteral("HScroll2"), true, kRatioMin, kRatioMax, frame2);
  text3_ = box(QStringLiteral("Text3"), frame2);
  auto *grid2 = new QGridLayout(frame2);
  grid2->addWidget(label(QStringLiteral("Label4"), QStringLiteral("幅に対する高さの比率"), frame2), 0, 0, 1,
                   2);
  grid2->addWidget(text3_, 1, 0);
  grid2->addWidget(hscroll2_, 1, 1);

  frame4_ = frame(QStringLiteral("Frame4"), QStringLiteral("ファイルのコピー"), page);
  copy_rules_[0] = option(QStringLiteral("Option3"), QStringLiteral("ファイルの上書きはしない"), frame4_);
  copy_rules_[1] = option(QStringLiteral("Option4"), QStringLiteral("ファイルが新しいとき上書き"), frame4_);
  copy_rules_[2] = option(QStringLiteral("Option5"), QStringLiteral("常に上書きする"), frame4_);
  auto *frame4_layout = new QVBoxLayout(frame4_);
  for (QRadioButton *o : copy_rules_) frame4_layout->addWidget(o);

  auto *layout = new QVBoxLayout(page);
  layout->addWidget(frame1);
  layout->addWidget(frame2);
  layout->addWidget(frame4_);
  layout->addStretch(1);
  return page;
}

QWidget *DetailWindow::build_cache_tab() {
  auto *page = new QWidget;
  QGroupBox *frame9 = frame(QStringLiteral("Frame9"), QStringLiteral("キャッシュ"), page);
  static const char *const kCaptions[5] = {"上限", "サイズ", "画像X", "画像Y", "面積/サイズ"};
  auto *grid = new QGridLayout(frame9);
  for (int i = 0; i < 5; ++i) {
    cache_boxes_[i] = box(QStringLiteral("Text%1").arg(4 + i), frame9);
    cache_scrolls_[i] = scroll_bar(QStringLiteral("HScroll%1").arg(3 + i), true, 0, kCacheMax[i], frame9);
    grid->addWidget(label(QStringLiteral("Label%1").arg(5 + i), QString::fromUtf8(kCaptions[i]), frame9), i,
                    0);
    grid->addWidget(cache_boxes_[i], i, 1);
    grid->addWidget(cache_scrolls_[i], i, 2);
  }
  check4_ = check(QStringLiteral("Check4"), QStringLiteral("バナー除外"), frame9);
  check6_ = check(QStringLiteral("Check6"), QStringLiteral("細長画像除外"), frame9);
  check7_ = check(QStringLiteral("Check7"), QStringLiteral("破損画像削除"), frame9);
  grid->addWidget(check4_, 5, 0, 1, 3);
  grid->addWidget(check6_, 6, 0, 1, 3);
  grid->addWidget(check7_, 7, 0, 1, 3);
  auto *run = button(QStringLiteral("Command2"), QStringLiteral("実行"), frame9);
  grid->addWidget(run, 8, 2, Qt::AlignRight);
  connect(run, &QPushButton::clicked, this, &DetailWindow::on_Command2_Click);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(frame9);
  layout->addStretch(1);
  return page;
}

QWidget *DetailWindow::build_search_tab() {
  auto *page = new QWidget;
  QGroupBox *frame8 = frame(QStringLiteral("Frame8"), QStringLiteral("サブフォルダ検索"), page);
  check3_ = check(QStringLiteral("Check3"), QStringLiteral("検索する"), frame8);
  combo2_ = new QComboBox(frame8);
  combo2_->setObjectName(QStringLiteral("Combo2"));
  for (int depth = 0; depth < kDepthEntries - 1; ++depth) combo2_->addItem(QString::number(depth));
  combo2_->addItem(QStringLiteral("∞"));
  depth_label_ = label(QStringLiteral("Label10"), QStringLiteral("深さ"), frame8);
  auto *row = new QHBoxLayout(frame8);
  row->addWidget(check3_);
  row->addStretch(1);
  row->addWidget(depth_label_);
  row->addWidget(combo2_);

  frame3_ = frame(QStringLiteral("Frame3"), QStringLiteral("URL検索"), page);
  get_url_ = check(QStringLiteral("GetURL"), QStringLiteral("URL検出"), frame3_);
  get_url_->setToolTip(QStringLiteral("入力フォルダにHTMLファイルがあるとき画像のURLを検出します"));
  option1_ = option(QStringLiteral("Option1"), QStringLiteral("バナーのみ検索"), frame3_);
  option2_ = option(QStringLiteral("Option2"), QStringLiteral("すべての画像ファイルを検索"), frame3_);
  check2_ = check(QStringLiteral("Check2"), QStringLiteral("URL検出できた画像のみ出力"), frame3_);
  auto *frame3_layout = new QVBoxLayout(frame3_);
  for (QWidget *w : {static_cast<QWidget *>(get_url_), static_cast<QWidget *>(option1_),
                     static_cast<QWidget *>(option2_), static_cast<QWidget *>(check2_)})
    frame3_layout->addWidget(w);

  auto *layout = new QVBoxLayout(page);
  layout->addWidget(frame8);
  layout->addWidget(frame3_);
  layout->addStretch(1);
  return page;
}

QWidget *DetailWindow::build_system_tab() {
  auto *page = new QWidget;
  auto_increment_ =
      check(QStringLiteral("AutoIncrement"), QStringLiteral("フォルダをオートインクリメントする"), page);
  QGroupBox *frame11 = frame(QStringLiteral("Frame11"), QStringLiteral("削除"), page);
  del_cache_ =
      check(QStringLiteral("DelCache"), QStringLiteral("バックアップ削除時、キャッシュも削除"), frame11);
  (new QVBoxLayout(frame11))->addWidget(del_cache_);

  QGroupBox *frame10 = frame(QStringLiteral("Frame10"), QStringLiteral("CPU priority"), page);
  slider1_ = new QSlider(Qt::Horizontal, frame10);
  slider1_->setObjectName(QStringLiteral("Slider1"));
  slider1_->setRange(0, kCpuSliderMax);
  slider1_->setTickPosition(QSlider::TicksBelow);
  slider1_->setPageStep(1);
  auto *speed = new QHBoxLayout(frame10);
  speed->addWidget(label(QStringLiteral("Label11"), QStringLiteral("Slow"), frame10));
  speed->addWidget(slider1_, 1);
  speed->addWidget(label(QStringLiteral("Label12"), QStringLiteral("Fast"), frame10));

  QGroupBox *frame7 = frame(QStringLiteral("Frame7"), QStringLiteral("ini file"), page);
  auto *flash = button(QStringLiteral("Command3"), QStringLiteral("Flash!"), frame7);
  check5_ = check(QStringLiteral("Check5"), QStringLiteral("終了時、iniファイルをフラッシュする"), frame7);
  check1_ = check(QStringLiteral("Check1"), QStringLiteral("Debug"), frame7);
  auto *frame7_layout = new QGridLayout(frame7);
  frame7_layout->addWidget(flash, 0, 0);
  frame7_layout->addWidget(check1_, 0, 1);
  frame7_layout->addWidget(check5_, 1, 0, 1, 2);
  connect(flash, &QPushButton::clicked, this, &DetailWindow::on_Command3_Click);

  QGroupBox *frame5 = frame(QStringLiteral("Frame5"), QStringLiteral("run mode"), page);
  option6_ = option(QStringLiteral("Option6"), QStringLiteral("exe"), frame5);
  option7_ = option(QStringLiteral("Option7"), QStringLiteral("dll"), frame5);
  auto *frame5_layout = new QHBoxLayout(frame5);
  frame5_layout->addWidget(option6_);
  frame5_layout->addWidget(option7_);
  QGroupBox *frame6 = frame(QStringLiteral("Frame6"), QString(), page);
  option8_ = option(QStringLiteral("Option8"), QStringLiteral("New Main"), frame6);
  option9_ = option(QStringLiteral("Option9"), QStringLiteral("Old Main"), frame6);
  auto *frame6_layout = new QHBoxLayout(frame6);
  frame6_layout->addWidget(option8_);
  frame6_layout->addWidget(option9_);

  auto *modes = new QHBoxLayout;
  modes->addWidget(frame5);
  modes->addWidget(frame6);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(auto_increment_);
  layout->addWidget(frame11);
  layout->addWidget(frame10);
  layout->addWidget(frame7);
  layout->addLayout(modes);
  layout->addStretch(1);
  return page;
}

void DetailWindow::connect_controls() {
  connect(hscroll1_, &QScrollBar::valueChanged, this, &DetailWindow::on_HScroll1_Change);
  connect(vscroll1_, &QScrollBar::valueChanged, this, &DetailWindow::on_VScroll1_Change);
  connect(text1_, &QLineEdit::textEdited, this,
          [this](const QString &t) { hscroll1_->setValue(numeric_value(t)); });
  connect(text2_, &QLineEdit::textEdited, this,
          [this](const QString &t) { vscroll1_->setValue(numeric_value(t)); });
  connect(combo1_, &QComboBox::activated, this, [this](int index) {
    const QStringList size = combo1_->itemText(index).split(QLatin1Char('x'));
    hscroll1_->setValue(size.value(0).toInt());
    vscroll1_->setValue(size.value(1).toInt());
  });
  connect(hscroll2_, &QScrollBar::valueChanged, this, &DetailWindow::on_HScroll2_Change);
  // The box shows the ratio; the bar holds it times ten.
  connect(text3_, &QLineEdit::textEdited, this, [this](const QString &t) {
    set_quietly(hscroll2_, static_cast<int>(t.toDouble() * 10));
    on_HScroll2_Change(hscroll2_->value());
  });
  for (int i = 0; i < 5; ++i) {
    connect(cache_scrolls_[i], &QScrollBar::valueChanged, this,
            [this, i](int v) { on_CacheScroll_Change(i, v); });
    connect(cache_boxes_[i], &QLineEdit::textEdited, this,
            [this, i](const QString &t) { cache_scrolls_[i]->setValue(numeric_value(t)); });
  }
  for (int rule = 0; rule < 3; ++rule)
    connect(copy_rules_[rule], &QRadioButton::toggled, this, [rule](bool on) {
      if (on) mirror().copy_mode = rule + 1;
    });
  connect(check4_, &QCheckBox::toggled, this, [](bool on) { mirror().cache_banner = on ? 1 : 0; });
  connect(check6_, &QCheckBox::toggled, this, [](bool on) { mirror().cache_h_ratio = on ? 1 : 0; });
  connect(check7_, &QCheckBox::toggled, this, [](bool on) { mirror().cache_check_broken = on ? 1 : 0; });
  connect(check3_, &QCheckBox::toggled, this, &DetailWindow::on_Check3_Click);
  connect(combo2_, &QComboBox::currentIndexChanged, this,
          [](int index) { mirror().depth = index == kDepthEntries - 1 ? kUnlimitedDepth : index; });
  connect(get_url_, &QCheckBox::toggled, this, &DetailWindow::on_GetURL_Click);
  for (QAbstractButton *b :
       {static_cast<QAbstractButton *>(option1_), static_cast<QAbstractButton *>(option2_),
        static_cast<QAbstractButton *>(check2_)})
    connect(b, &QAbstractButton::toggled, this, &DetailWindow::update_address_mode);
  connect(auto_increment_, &QCheckBox::toggled, this, [](bool on) { mirror().auto_increment = on ? 1 : 0; });
  connect(del_cache_, &QCheckBox::toggled, this, [this](bool on) {
    mirror().del_cache = on ? 1 : 0;
    if (!filling_) engine::put(48, mirror().del_cache);
  });
  connect(slider1_, &QSlider::valueChanged, this, &DetailWindow::on_Slider1_Change);
  connect(check5_, &QCheckBox::toggled, this, [](bool on) { mirror().flush_at_exit = on; });
  connect(check1_, &QCheckBox::toggled, this, [](bool on) { mirror().debug = on; });
  connect(option6_, &QRadioButton::toggled, this, [](bool on) { mirror().run_external = on; });
  connect(option8_, &QRadioButton::toggled, this, [](bool on) { mirror().new_main = on; });
}

void DetailWindow::fill_from_mirror() {
  const SettingsMirror m = mirror();
  filling_ = true;
  hscroll1_->setValue(m.banner_x);
  on_HScroll1_Change(hscroll1_->value());
  vscroll1_->setValue(m.banner_y);
  on_VScroll1_Change(vscroll1_->value());
  hscroll2_->setValue(m.slender_ratio);
  on_HScroll2_Change(hscroll2_->value());
  copy_rules_[std::clamp(m.copy_mode, 1, 3) - 1]->setChecked(true);
  for (int i = 0; i < 5; ++i) {
    cache_scrolls_[i]->setValue(m.cache_rules[i]);
    on_CacheScroll_Change(i, cache_scrolls_[i]->value());
  }
  check4_->setChecked(m.cache_banner == 1);
  check6_->setChecked(m.cache_h_ratio == 1);
  check7_->setChecked(m.cache_check_broken == 1);
  check3_->setChecked(m.subfolder_search == 1);
  on_Check3_Click();
  combo2_->setCurrentIndex(m.depth == kUnlimitedDepth ? kDepthEntries - 1
                                                      : std::clamp(m.depth, 0, kDepthEntries - 2));
  mirror().depth = m.depth;  // a depth the list does not offer stays as loaded until the user picks one
  get_url_->setChecked(m.get_url != 0);
  (m.get_url % 2 == 0 && m.get_url != 0 ? option2_ : option1_)->setChecked(true);
  check2_->setChecked(m.get_url > 2);
  on_GetURL_Click();
  mirror().get_url = m.get_url;
  auto_increment_->setChecked(m.auto_increment == 1);
  del_cache_->setChecked(m.del_cache == 1);
  slider1_->setValue(cpu_slider_position(m.cpu_priority));
  mirror().cpu_priority = m.cpu_priority;
  check5_->setChecked(m.flush_at_exit);
  check1_->setChecked(m.debug);
  (m.run_external ? option6_ : option7_)->setChecked(true);
  (m.new_main ? option8_ : option9_)->setChecked(true);
  filling_ = false;
  enable_address_search(m.always_open);
  enable_copy_rules(m.file_copy == 1);
}

void DetailWindow::enable_address_search(bool enabled) {
  frame3_->setEnabled(enabled);
}

void DetailWindow::enable_copy_rules(bool enabled) {
  frame4_->setEnabled(enabled);
}

void DetailWindow::on_HScroll1_Change(int value) {
  text1_->setText(QString::number(value));
  mirror().banner_x = value;
  if (!filling_) engine::put(27, value);
}

void DetailWindow::on_VScroll1_Change(int value) {
  text2_->setText(QString::number(value));
  mirror().banner_y = value;
  if (!filling_) engine::put(28, value);
}

void DetailWindow::on_HScroll2_Change(int value) {
  if (!text3_->hasFocus()) text3_->setText(ratio_text(value));
  mirror().slender_ratio = value;
  if (!filling_) engine::put(29, value);
}

void DetailWindow::on_CacheScroll_Change(int which, int value) {
  if (!cache_boxes_[which]->hasFocus()) cache_boxes_[which]->setText(QString::number(value));
  mirror().cache_rules[which] = value;
  if (!filling_) engine::put(38 + which, value);
}

void DetailWindow::on_Check3_Click() {
  mirror().subfolder_search = check3_->isChecked() ? 1 : 0;
  combo2_->setEnabled(check3_->isChecked());
  depth_label_->setEnabled(check3_->isChecked());
}

void DetailWindow::on_GetURL_Click() {
  const bool on = get_url_->isChecked();
  option1_->setEnabled(on);
  option2_->setEnabled(on);
  check2_->setEnabled(on);
  update_address_mode();
}

// 0 without detection; 1 banners only or 2 all pictures, plus 2 when only pictures with an address are
// output.
void DetailWindow::update_address_mode() {
  if (!get_url_->isChecked()) {
    mirror().get_url = 0;
    return;
  }
  mirror().get_url = (option2_->isChecked() ? 2 : 1) + (check2_->isChecked() ? 2 : 0);
}

void DetailWindow::on_Slider1_Change(int value) {
  mirror().cpu_priority = value * 10;
  if (!filling_) engine::put(45, value * 10);
}

// Writes the settings file now; the engine is started again at once, as after every flush.
void DetailWindow::on_Command3_Click() {
  push_mirror(mirror(), program_state().output_folder);
  engine::flash();
  engine::init(program_state().settings_folder);
  register_progress_callbacks();
}

void DetailWindow::on_Command2_Click() {
  engine::put_str(8, output_ ? output_->browser_folder() : QString());
  for (int i = 0; i < 5; ++i) engine::put(38 + i, cache_scrolls_[i]->value());
  engine::put(43, check4_->isChecked() ? 1 : 0);
  engine::put(49, check6_->isChecked() ? 1 : 0);
  engine::put(60, check7_->isChecked() ? 1 : 0);
  const int type_mask = engine::get(53);
  engine::put(53, 127);
  const int candidates = engine::cache_check(0);
  engine::put(53, type_mask);
  if (candidates == ZUNO_BUSY || !dialog_) return;
  if (candidates == 0) {
    engine::cache_del(0);
    dialog_->prepare(QStringLiteral("条件に該当する画像はありません"), false, false);
    prompt::beep();
    dialog_->exec();
    dialog_->enable_cancel(true);
    return;
  }
  if (candidates < 0) {
    // The check failed, yet it holds the engine until the list is discarded.
    const QString reason = engine::last_err();
    engine::cache_del(0);
    prompt::show(this, reason);
    return;
  }
  dialog_->prepare(
      QString::number(candidates) + QStringLiteral("個の削除候補があります。削除してよろしいですか？"), true,
      true);
  prompt::beep();
  dialog_->set_cancel_flag(true);
  dialog_->exec();
  engine::cache_del(dialog_->cancel_flag() ? 0 : 1);
  dialog_->enable_check(false);
  dialog_->set_progress(0);
}
