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

#include "cache_folder_box.h"
#include "controls.h"
#include "engine_binding.h"
#include "favourite_folders_box.h"
#include "settings_mirror.h"

using namespace controls;

namespace {

SettingsMirror &mirror() {
  return settings_mirror();
}

constexpr int kUnlimitedDepth = 1000;

// Address detection (ZUNO_GetUrl): which pictures, plus kFoundOnly when only pictures with an address count.
constexpr int kNoAddressSearch = 0;
constexpr int kBannersOnly = 1;
constexpr int kAllPictures = 2;
constexpr int kFoundOnly = 2;

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
  banner_width_bar_ = scroll_bar(QStringLiteral("HScroll1"), true, 0, kBannerMax, frame1);
  banner_width_box_ = box(QStringLiteral("Text1"), frame1);
  banner_height_bar_ = scroll_bar(QStringLiteral("VScroll1"), false, 0, kBannerMax, frame1);
  banner_height_box_ = box(QStringLiteral("Text2"), frame1);
  banner_sizes_ = new QComboBox(frame1);
  banner_sizes_->setObjectName(QStringLiteral("Combo1"));
  for (const char *size : kBannerSizes) banner_sizes_->addItem(QString::fromLatin1(size));
  auto *grid1 = new QGridLayout(frame1);
  grid1->addWidget(label(QStringLiteral("Label1"), QStringLiteral("バナー定義"), frame1), 0, 0);
  grid1->addWidget(banner_sizes_, 0, 1, 1, 2);
  grid1->addWidget(label(QStringLiteral("Label2"), QStringLiteral("幅"), frame1), 1, 0);
  grid1->addWidget(banner_width_box_, 1, 1);
  grid1->addWidget(banner_width_bar_, 1, 2);
  grid1->addWidget(label(QStringLiteral("Label3"), QStringLiteral("高さ"), frame1), 2, 0);
  grid1->addWidget(banner_height_box_, 2, 1);
  grid1->addWidget(banner_height_bar_, 2, 2, Qt::AlignLeft);

  QGroupBox *frame2 = frame(QStringLiteral("Frame2"), QStringLiteral("細長画像定義"), page);
  ratio_bar_ = scroll_bar(QStringLiteral("HScroll2"), true, kRatioMin, kRatioMax, frame2);
  ratio_box_ = box(QStringLiteral("Text3"), frame2);
  auto *grid2 = new QGridLayout(frame2);
  grid2->addWidget(label(QStringLiteral("Label4"), QStringLiteral("幅に対する高さの比率"), frame2), 0, 0, 1,
                   2);
  grid2->addWidget(ratio_box_, 1, 0);
  grid2->addWidget(ratio_bar_, 1, 1);

  copy_frame_ = frame(QStringLiteral("Frame4"), QStringLiteral("ファイルのコピー"), page);
  copy_rules_[0] = option(QStringLiteral("Option3"), QStringLiteral("ファイルの上書きはしない"), copy_frame_);
  copy_rules_[1] =
      option(QStringLiteral("Option4"), QStringLiteral("ファイルが新しいとき上書き"), copy_frame_);
  copy_rules_[2] = option(QStringLiteral("Option5"), QStringLiteral("常に上書きする"), copy_frame_);
  auto *frame4_layout = new QVBoxLayout(copy_frame_);
  for (QRadioButton *o : copy_rules_) frame4_layout->addWidget(o);

  auto *layout = new QVBoxLayout(page);
  layout->addWidget(frame1);
  layout->addWidget(frame2);
  layout->addWidget(copy_frame_);
  layout->addStretch(1);
  return page;
}

QWidget *DetailWindow::build_cache_tab() {
  auto *page = new QWidget;
  QGroupBox *frame9 = frame(QStringLiteral("Frame9"), QStringLiteral("キャッシュ"), page);
  static const char *const kCaptions[kCacheRules] = {"上限", "サイズ", "画像X", "画像Y", "面積/サイズ"};
  auto *grid = new QGridLayout(frame9);
  for (int i = 0; i < kCacheRules; ++i) {
    cache_boxes_[i] = box(QStringLiteral("Text%1").arg(4 + i), frame9);
    cache_bars_[i] = scroll_bar(QStringLiteral("HScroll%1").arg(3 + i), true, 0, kCacheMax[i], frame9);
    grid->addWidget(label(QStringLiteral("Label%1").arg(5 + i), QString::fromUtf8(kCaptions[i]), frame9), i,
                    0);
    grid->addWidget(cache_boxes_[i], i, 1);
    grid->addWidget(cache_bars_[i], i, 2);
  }
  cache_banner_ = check(QStringLiteral("Check4"), QStringLiteral("バナー除外"), frame9);
  cache_slender_ = check(QStringLiteral("Check6"), QStringLiteral("細長画像除外"), frame9);
  cache_broken_ = check(QStringLiteral("Check7"), QStringLiteral("破損画像削除"), frame9);
  grid->addWidget(cache_banner_, 5, 0, 1, 3);
  grid->addWidget(cache_slender_, 6, 0, 1, 3);
  grid->addWidget(cache_broken_, 7, 0, 1, 3);
  auto *run = button(QStringLiteral("Command2"), QStringLiteral("実行"), frame9);
  grid->addWidget(run, 8, 2, Qt::AlignRight);
  connect(run, &QPushButton::clicked, this, &DetailWindow::on_Command2_Click);
  browser_cache_box_ = new CacheFolderBox(page);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(frame9);
  layout->addWidget(browser_cache_box_);
  layout->addStretch(1);
  return page;
}

QWidget *DetailWindow::build_search_tab() {
  auto *page = new QWidget;
  QGroupBox *frame8 = frame(QStringLiteral("Frame8"), QStringLiteral("サブフォルダ検索"), page);
  subfolder_search_ = check(QStringLiteral("Check3"), QStringLiteral("検索する"), frame8);
  depth_list_ = new QComboBox(frame8);
  depth_list_->setObjectName(QStringLiteral("Combo2"));
  for (int depth = 0; depth < kDepthEntries - 1; ++depth) depth_list_->addItem(QString::number(depth));
  depth_list_->addItem(QStringLiteral("∞"));
  depth_label_ = label(QStringLiteral("Label10"), QStringLiteral("深さ"), frame8);
  auto *row = new QHBoxLayout(frame8);
  row->addWidget(subfolder_search_);
  row->addStretch(1);
  row->addWidget(depth_label_);
  row->addWidget(depth_list_);

  address_frame_ = frame(QStringLiteral("Frame3"), QStringLiteral("URL検索"), page);
  address_search_ = check(QStringLiteral("GetURL"), QStringLiteral("URL検出"), address_frame_);
  address_search_->setToolTip(QStringLiteral("入力フォルダにHTMLファイルがあるとき画像のURLを検出します"));
  banners_only_ = option(QStringLiteral("Option1"), QStringLiteral("バナーのみ検索"), address_frame_);
  all_pictures_ =
      option(QStringLiteral("Option2"), QStringLiteral("すべての画像ファイルを検索"), address_frame_);
  found_only_ = check(QStringLiteral("Check2"), QStringLiteral("URL検出できた画像のみ出力"), address_frame_);
  auto *frame3_layout = new QVBoxLayout(address_frame_);
  for (QWidget *w : {static_cast<QWidget *>(address_search_), static_cast<QWidget *>(banners_only_),
                     static_cast<QWidget *>(all_pictures_), static_cast<QWidget *>(found_only_)})
    frame3_layout->addWidget(w);

  auto *layout = new QVBoxLayout(page);
  layout->addWidget(frame8);
  layout->addWidget(address_frame_);
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
  cpu_slider_ = new QSlider(Qt::Horizontal, frame10);
  cpu_slider_->setObjectName(QStringLiteral("Slider1"));
  cpu_slider_->setRange(0, kCpuSliderMax);
  cpu_slider_->setTickPosition(QSlider::TicksBelow);
  cpu_slider_->setPageStep(1);
  auto *speed = new QHBoxLayout(frame10);
  speed->addWidget(label(QStringLiteral("Label11"), QStringLiteral("Slow"), frame10));
  speed->addWidget(cpu_slider_, 1);
  speed->addWidget(label(QStringLiteral("Label12"), QStringLiteral("Fast"), frame10));

  QGroupBox *frame7 = frame(QStringLiteral("Frame7"), QStringLiteral("ini file"), page);
  auto *flash = button(QStringLiteral("Command3"), QStringLiteral("Flash!"), frame7);
  flush_at_exit_ =
      check(QStringLiteral("Check5"), QStringLiteral("終了時、iniファイルをフラッシュする"), frame7);
  debug_ = check(QStringLiteral("Check1"), QStringLiteral("Debug"), frame7);
  auto *frame7_layout = new QGridLayout(frame7);
  frame7_layout->addWidget(flash, 0, 0);
  frame7_layout->addWidget(debug_, 0, 1);
  frame7_layout->addWidget(flush_at_exit_, 1, 0, 1, 2);
  connect(flash, &QPushButton::clicked, this, &DetailWindow::on_Command3_Click);

  QGroupBox *frame5 = frame(QStringLiteral("Frame5"), QStringLiteral("run mode"), page);
  run_exe_ = option(QStringLiteral("Option6"), QStringLiteral("exe"), frame5);
  run_dll_ = option(QStringLiteral("Option7"), QStringLiteral("dll"), frame5);
  auto *frame5_layout = new QHBoxLayout(frame5);
  frame5_layout->addWidget(run_exe_);
  frame5_layout->addWidget(run_dll_);
  QGroupBox *frame6 = frame(QStringLiteral("Frame6"), QString(), page);
  new_main_ = option(QStringLiteral("Option8"), QStringLiteral("New Main"), frame6);
  old_main_ = option(QStringLiteral("Option9"), QStringLiteral("Old Main"), frame6);
  auto *frame6_layout = new QHBoxLayout(frame6);
  frame6_layout->addWidget(new_main_);
  frame6_layout->addWidget(old_main_);

  auto *modes = new QHBoxLayout;
  modes->addWidget(frame5);
  modes->addWidget(frame6);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(auto_increment_);
  layout->addWidget(frame11);
  layout->addWidget(frame10);
  layout->addWidget(frame7);
  layout->addLayout(modes);
  layout->addWidget(new FavouriteFoldersBox(page));
  layout->addStretch(1);
  return page;
}

void DetailWindow::connect_controls() {
  connect(banner_width_bar_, &QScrollBar::valueChanged, this, &DetailWindow::on_HScroll1_Change);
  connect(banner_height_bar_, &QScrollBar::valueChanged, this, &DetailWindow::on_VScroll1_Change);
  connect(banner_width_box_, &QLineEdit::textEdited, this,
          [this](const QString &t) { banner_width_bar_->setValue(numeric_value(t)); });
  connect(banner_height_box_, &QLineEdit::textEdited, this,
          [this](const QString &t) { banner_height_bar_->setValue(numeric_value(t)); });
  // Leaving a box shows the number in use: what was typed, kept within its bar's range.
  for (auto [box, bar] :
       {std::pair{banner_width_box_, banner_width_bar_}, {banner_height_box_, banner_height_bar_}})
    connect(box, &QLineEdit::editingFinished, this,
            [box, bar] { box->setText(QString::number(bar->value())); });
  connect(banner_sizes_, &QComboBox::activated, this, [this](int index) {
    const QStringList size = banner_sizes_->itemText(index).split(QLatin1Char('x'));
    banner_width_bar_->setValue(size.value(0).toInt());
    banner_height_bar_->setValue(size.value(1).toInt());
  });
  connect(ratio_bar_, &QScrollBar::valueChanged, this, &DetailWindow::on_HScroll2_Change);
  // The box shows the ratio; the bar holds it times ten.
  connect(ratio_box_, &QLineEdit::textEdited, this, [this](const QString &t) {
    set_quietly(ratio_bar_, static_cast<int>(t.toDouble() * 10));
    on_HScroll2_Change(ratio_bar_->value());
  });
  for (int i = 0; i < kCacheRules; ++i) {
    connect(cache_bars_[i], &QScrollBar::valueChanged, this,
            [this, i](int v) { on_CacheScroll_Change(i, v); });
    connect(cache_boxes_[i], &QLineEdit::textEdited, this,
            [this, i](const QString &t) { cache_bars_[i]->setValue(numeric_value(t)); });
    connect(cache_boxes_[i], &QLineEdit::editingFinished, this,
            [this, i] { cache_boxes_[i]->setText(QString::number(cache_bars_[i]->value())); });
  }
  connect(ratio_box_, &QLineEdit::editingFinished, this,
          [this] { ratio_box_->setText(ratio_text(ratio_bar_->value())); });
  for (int rule = 0; rule < 3; ++rule)
    connect(copy_rules_[rule], &QRadioButton::toggled, this, [rule](bool on) {
      if (on) mirror().copy_mode = rule + 1;
    });
  connect(cache_banner_, &QCheckBox::toggled, this, [](bool on) { mirror().cache_banner = on ? 1 : 0; });
  connect(cache_slender_, &QCheckBox::toggled, this, [](bool on) { mirror().cache_h_ratio = on ? 1 : 0; });
  connect(cache_broken_, &QCheckBox::toggled, this,
          [](bool on) { mirror().cache_check_broken = on ? 1 : 0; });
  connect(subfolder_search_, &QCheckBox::toggled, this, &DetailWindow::on_Check3_Click);
  connect(depth_list_, &QComboBox::currentIndexChanged, this,
          [](int index) { mirror().depth = index == kDepthEntries - 1 ? kUnlimitedDepth : index; });
  connect(address_search_, &QCheckBox::toggled, this, &DetailWindow::on_GetURL_Click);
  for (QAbstractButton *b :
       {static_cast<QAbstractButton *>(banners_only_), static_cast<QAbstractButton *>(all_pictures_),
        static_cast<QAbstractButton *>(found_only_)})
    connect(b, &QAbstractButton::toggled, this, &DetailWindow::update_address_mode);
  connect(auto_increment_, &QCheckBox::toggled, this, [](bool on) { mirror().auto_increment = on ? 1 : 0; });
  connect(del_cache_, &QCheckBox::toggled, this, [this](bool on) {
    mirror().del_cache = on ? 1 : 0;
    if (!filling_) engine::put(ZUNO_DelCache, mirror().del_cache);
  });
  connect(cpu_slider_, &QSlider::valueChanged, this, &DetailWindow::on_Slider1_Change);
  connect(flush_at_exit_, &QCheckBox::toggled, this, [](bool on) { mirror().flush_at_exit = on; });
  connect(debug_, &QCheckBox::toggled, this, [](bool on) { mirror().debug = on; });
  connect(run_exe_, &QRadioButton::toggled, this, [](bool on) { mirror().run_external = on; });
  connect(new_main_, &QRadioButton::toggled, this, [](bool on) { mirror().new_main = on; });
}

void DetailWindow::fill_from_mirror() {
  const SettingsMirror m = mirror();
  filling_ = true;
  banner_width_bar_->setValue(m.banner_x);
  on_HScroll1_Change(banner_width_bar_->value());
  banner_height_bar_->setValue(m.banner_y);
  on_VScroll1_Change(banner_height_bar_->value());
  ratio_bar_->setValue(m.slender_ratio);
  on_HScroll2_Change(ratio_bar_->value());
  copy_rules_[std::clamp(m.copy_mode, 1, 3) - 1]->setChecked(true);
  for (int i = 0; i < kCacheRules; ++i) {
    cache_bars_[i]->setValue(m.cache_rules[i]);
    on_CacheScroll_Change(i, cache_bars_[i]->value());
  }
  cache_banner_->setChecked(m.cache_banner == 1);
  cache_slender_->setChecked(m.cache_h_ratio == 1);
  cache_broken_->setChecked(m.cache_check_broken == 1);
  subfolder_search_->setChecked(m.subfolder_search == 1);
  on_Check3_Click();
  depth_list_->setCurrentIndex(m.depth == kUnlimitedDepth ? kDepthEntries - 1
                                                          : std::clamp(m.depth, 0, kDepthEntries - 2));
  mirror().depth = m.depth;  // a depth the list does not offer stays as loaded until the user picks one
  address_search_->setChecked(m.get_url != kNoAddressSearch);
  (m.get_url % 2 == 0 && m.get_url != kNoAddressSearch ? all_pictures_ : banners_only_)->setChecked(true);
  found_only_->setChecked(m.get_url > kAllPictures);
  on_GetURL_Click();
  mirror().get_url = m.get_url;
  auto_increment_->setChecked(m.auto_increment == 1);
  del_cache_->setChecked(m.del_cache == 1);
  cpu_slider_->setValue(cpu_slider_position(m.cpu_priority));
  mirror().cpu_priority = m.cpu_priority;
  flush_at_exit_->setChecked(m.flush_at_exit);
  debug_->setChecked(m.debug);
  (m.run_external ? run_exe_ : run_dll_)->setChecked(true);
  (m.new_main ? new_main_ : old_main_)->setChecked(true);
  filling_ = false;
  enable_address_search(m.always_open);
  enable_copy_rules(m.file_copy == 1);
}

void DetailWindow::enable_address_search(bool enabled) {
  address_frame_->setEnabled(enabled);
}

void DetailWindow::enable_copy_rules(bool enabled) {
  copy_frame_->setEnabled(enabled);
}

void DetailWindow::on_HScroll1_Change(int value) {
  banner_width_box_->setText(QString::number(value));
  mirror().banner_x = value;
  if (!filling_) engine::put(ZUNO_BannerX, value);
}

void DetailWindow::on_VScroll1_Change(int value) {
  banner_height_box_->setText(QString::number(value));
  mirror().banner_y = value;
  if (!filling_) engine::put(ZUNO_BannerY, value);
}

void DetailWindow::on_HScroll2_Change(int value) {
  if (!ratio_box_->hasFocus()) ratio_box_->setText(ratio_text(value));
  mirror().slender_ratio = value;
  if (!filling_) engine::put(ZUNO_YXRatio, value);
}

void DetailWindow::on_CacheScroll_Change(int which, int value) {
  if (!cache_boxes_[which]->hasFocus()) cache_boxes_[which]->setText(QString::number(value));
  mirror().cache_rules[which] = value;
  if (!filling_) engine::put(engine::setting_after(ZUNO_CacheLimit, which), value);
}

void DetailWindow::on_Check3_Click() {
  mirror().subfolder_search = subfolder_search_->isChecked() ? 1 : 0;
  depth_list_->setEnabled(subfolder_search_->isChecked());
  depth_label_->setEnabled(subfolder_search_->isChecked());
}

void DetailWindow::on_GetURL_Click() {
  const bool on = address_search_->isChecked();
  banners_only_->setEnabled(on);
  all_pictures_->setEnabled(on);
  found_only_->setEnabled(on);
  update_address_mode();
}

// 0 without detection; 1 banners only or 2 all pictures, plus 2 when only pictures with an address are
// output.
void DetailWindow::update_address_mode() {
  if (!address_search_->isChecked()) {
    mirror().get_url = kNoAddressSearch;
    return;
  }
  mirror().get_url = (all_pictures_->isChecked() ? kAllPictures : kBannersOnly) +
                     (found_only_->isChecked() ? kFoundOnly : 0);
}

void DetailWindow::on_Slider1_Change(int value) {
  mirror().cpu_priority = value * 10;
  if (!filling_) engine::put(ZUNO_CpuPriority, value * 10);
}

void DetailWindow::on_Command3_Click() {
  Q_EMIT flash_requested();
}

void DetailWindow::on_Command2_Click() {
  engine::put_str(ZUNO_OutputPath, cache_folder_);
  for (int i = 0; i < kCacheRules; ++i)
    engine::put(engine::setting_after(ZUNO_CacheLimit, i), cache_bars_[i]->value());
  engine::put(ZUNO_CacheBanner, cache_banner_->isChecked() ? 1 : 0);
  engine::put(ZUNO_CacheHRatio, cache_slender_->isChecked() ? 1 : 0);
  engine::put(ZUNO_CacheCheckBroken, cache_broken_->isChecked() ? 1 : 0);
  Q_EMIT cache_clean_up_requested();
}
