#include "property_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "bound_number.h"
#include "controls.h"
#include "engine_binding.h"
#include "flyout.h"
#include "settings_mirror.h"

using namespace controls;
using Commit = BoundNumber::Commit;

namespace {

// Captions of the type boxes, element 0 ("Jpeg") to element 5 ("AVI"), then the newer formats.
const char *const kTypeCaptions[kTypeBoxes] = {"Jpeg", "TIFF", "BMP", "PNG", "GIF", "AVI", "WebP", "AVIF"};
// Left to right: "AVI" to "Jpeg" as they always stood, the newer formats after them.
constexpr int kTypeBoxOrder[kTypeBoxes] = {5, 4, 3, 2, 1, 0, 6, 7};

QColor colour_of(int bgr) {
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

int bgr_of(const QColor &colour) {
  return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

// Settings number and mirror slot of the three colour boxes, in their order on screen.
struct ColourBox {
  const char *name;
  ZunoSettingNumber number;
};
constexpr ColourBox kColourBoxes[3] = {
    {"TextColor", ZUNO_TextColor}, {"BgColor", ZUNO_BgColor}, {"LinkColor", ZUNO_LinkColor}};

// The mirror keeps the colours in setting order from ZUNO_BgColor on.
int colour_slot(const ColourBox &box) {
  return box.number - ZUNO_BgColor;
}

SettingsMirror &mirror() {
  return settings_mirror();
}

}  // namespace

PropertyDialog::PropertyDialog(QWidget *parent) : QWidget(parent, Qt::Tool) {
  setObjectName(QStringLiteral("Property"));
  setWindowTitle(QStringLiteral("オプション"));
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("SSTab1"));
  tabs_->addTab(build_search_tab(), QStringLiteral("検索"));
  tabs_->addTab(build_html_tab(), QStringLiteral("HTML"));
  tabs_->addTab(build_design_tab(), QStringLiteral("デザイン"));
  tabs_->addTab(build_browser_tab(), QStringLiteral("ブラウザ"));
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(build_always_visible());
  connect_controls();
}

QWidget *PropertyDialog::build_search_tab() {
  auto *page = new QWidget;
  QGroupBox *frame9 = frame(QStringLiteral("Frame9"), QStringLiteral("検索方法"), page);
  search_string_ = new QLineEdit(frame9);
  search_string_->setObjectName(QStringLiteral("SearchString"));
  search_string_->setToolTip(QStringLiteral("ファイル名(URLを取得のときは画像のURL)に対する正規表現"));
  prepared_url_ = check(QStringLiteral("PreparedURL"), QStringLiteral("URLを取得"), frame9);
  auto *grid = new QGridLayout(frame9);
  grid->addWidget(label(QStringLiteral("Label2"), QStringLiteral("検索文字"), frame9), 0, 0);
  grid->addWidget(search_string_, 0, 1);
  grid->addWidget(prepared_url_, 1, 1);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(frame9);
  layout->addStretch(1);
  return page;
}

QWidget *PropertyDialog::build_html_tab() {
  auto *page = new QWidget;
  QGroupBox *frame2 = frame(QStringLiteral("Frame2"), QStringLiteral("サムネイルのサイズ"), page);
  fit_options_[1] = option(QStringLiteral("Option1"), QStringLiteral("高さにあわせる"), frame2);
  fit_options_[0] = option(QStringLiteral("Option2"), QStringLiteral("幅に合わせる"), frame2);
  fit_options_[2] = option(QStringLiteral("Option3"), QStringLiteral("固定倍率"), frame2);
  thumb_size_ =
      new BoundNumber(QStringLiteral("Text1"), QStringLiteral("HScroll1"), Qt::Horizontal, kThumbMin,
                      kThumbMax, &SettingsMirror::thumb_size, Commit::OnEnterFollowingTyping, frame2);
  thumb_size_->box()->setText(QStringLiteral("80"));
  auto *fit_row = new QHBoxLayout;
  for (QRadioButton *o : {fit_options_[1], fit_options_[0], fit_options_[2]}) fit_row->addWidget(o);
  auto *size_row = new QHBoxLayout;
  size_row->addWidget(thumb_size_->box());
  size_row->addWidget(thumb_size_->bar(), 1);
  thumb_unit_ = label(QStringLiteral("Label3"), QStringLiteral("ピクセル"), frame2);
  size_row->addWidget(thumb_unit_);
  auto *frame2_layout = new QVBoxLayout(frame2);
  frame2_layout->addLayout(fit_row);
  frame2_layout->addLayout(size_row);

  QGroupBox *frame3 = frame(QStringLiteral("Frame3"), QStringLiteral("ページ替え規則"), page);
  page_rules_[0] = option(QStringLiteral("Option4"), QStringLiteral("画像のサイズ"), frame3);
  page_rules_[1] = option(QStringLiteral("Option5"), QStringLiteral("画像の枚数"), frame3);
  page_rules_[2] = option(QStringLiteral("Option10"), QStringLiteral("サイズと枚数"), frame3);
  page_rules_[3] = option(QStringLiteral("Option13"), QStringLiteral("ウィンドウのサイズに合わせる"), frame3);
  page_megabytes_ =
      new BoundNumber(QStringLiteral("Text2"), QStringLiteral("HScroll2"), Qt::Horizontal, kPageMbMin,
                      kPageMbMax, &SettingsMirror::page_size_mb, Commit::OnEnter, frame3);
  megabyte_label_ = label(QStringLiteral("Label1"), QStringLiteral("MByte"), frame3);
  page_pictures_ =
      new BoundNumber(QStringLiteral("Text3"), QStringLiteral("HScroll3"), Qt::Horizontal, kPageCountMin,
                      kPageCountMax, &SettingsMirror::page_count, Commit::OnEnter, frame3);
  auto *grid = new QGridLayout(frame3);
  grid->addWidget(page_rules_[0], 0, 0);
  grid->addWidget(page_rules_[1], 0, 1);
  grid->addWidget(page_rules_[2], 1, 0);
  grid->addWidget(page_rules_[3], 1, 1);
  auto *size_page = new QHBoxLayout;
  size_page->addWidget(page_megabytes_->box());
  size_page->addWidget(page_megabytes_->bar(), 1);
  size_page->addWidget(megabyte_label_);
  auto *count_page = new QHBoxLayout;
  count_page->addWidget(page_pictures_->box());
  count_page->addWidget(page_pictures_->bar(), 1);
  count_page->addWidget(label(QStringLiteral("Label4"), QStringLiteral("枚"), frame3));
  grid->addLayout(size_page, 2, 0, 1, 2);
  grid->addLayout(count_page, 3, 0, 1, 2);

  auto *layout = new QVBoxLayout(page);
  layout->addWidget(frame2);
  layout->addWidget(frame3);
  layout->addStretch(1);
  return page;
}

QWidget *PropertyDialog::build_design_tab() {
  auto *page = new QWidget;
  QGroupBox *frame6 = frame(QStringLiteral("Frame6"), QStringLiteral("色・壁紙"), page);
  wallpaper_list_ = new QComboBox(frame6);
  wallpaper_list_->setObjectName(QStringLiteral("Combo4"));
  wallpaper_list_->setEditable(true);
  wallpaper_list_->setMinimumWidth(180);
  auto *browse = button(QStringLiteral("Command2"), QStringLiteral("参照"), frame6);
  wallpaper_fixed_ = check(QStringLiteral("Check11"), QStringLiteral("壁紙を固定"), frame6);
  auto *colours = new QGridLayout;
  colours->addWidget(label(QStringLiteral("Label5"), QStringLiteral("TEXT    BG     LINK"), frame6), 0, 0, 1,
                     3);
  for (int i = 0; i < 3; ++i) {
    colour_boxes_[i] = button(QString::fromLatin1(kColourBoxes[i].name), QString(), frame6);
    colour_boxes_[i]->setFixedSize(36, 22);
    colour_boxes_[i]->setToolTip(QString::fromLatin1(kColourBoxes[i].name));
    colours->addWidget(colour_boxes_[i], 1, i);
    connect(colour_boxes_[i], &QPushButton::clicked, this, [this, i] { on_ColorBox_Click(i); });
  }
  auto *frame6_layout = new QGridLayout(frame6);
  frame6_layout->addWidget(wallpaper_list_, 0, 0);
  frame6_layout->addWidget(browse, 0, 1);
  frame6_layout->addWidget(wallpaper_fixed_, 1, 0);
  frame6_layout->addLayout(colours, 2, 0, 1, 2, Qt::AlignLeft);
  connect(browse, &QPushButton::clicked, this, &PropertyDialog::on_Command2_Click);

  QGroupBox *frame1 = frame(QStringLiteral("Frame1"), QStringLiteral("フレーム"), page);
  index_frame_ = scroll_bar(QStringLiteral("IndexFrame"), true, 0, kFrameMax, frame1);
  cntl_frame_ = scroll_bar(QStringLiteral("CntlFrame"), true, 0, kFrameMax, frame1);
  index_share_ = box(QStringLiteral("IndexVal"), frame1, 48);
  control_share_ = box(QStringLiteral("CntlVal"), frame1, 48);
  index_frame_->setToolTip(QStringLiteral("ファイル一覧フレームの割合"));
  cntl_frame_->setToolTip(QStringLiteral("ファイル一覧と表示フレームを合わせた割合"));
  index_share_->setReadOnly(true);
  control_share_->setReadOnly(true);
  auto *frame1_layout = new QGridLayout(frame1);
  frame1_layout->addWidget(index_frame_, 0, 0);
  frame1_layout->addWidget(index_share_, 0, 1);
  frame1_layout->addWidget(cntl_frame_, 1, 0);
  frame1_layout->addWidget(control_share_, 1, 1);

  QGroupBox *frame8 = frame(QStringLiteral("Frame8"), QStringLiteral("ウィンドウデザイン"), page);
  frame_styles_[0] = option(QStringLiteral("Option11"), QStringLiteral("縦分割"), frame8);
  frame_styles_[1] = option(QStringLiteral("Option12"), QStringLiteral("横分割"), frame8);
  design_width_ =
      new BoundNumber(QStringLiteral("Text4"), QStringLiteral("HScroll4"), Qt::Horizontal, kDesignMin,
                      kDesignMax, &SettingsMirror::design_width, Commit::AsTyped, frame8);
  design_height_ =
      new BoundNumber(QStringLiteral("Text7"), QStringLiteral("VScroll2"), Qt::Vertical, kDesignMin,
                      kDesignMax, &SettingsMirror::design_height, Commit::AsTyped, frame8);
  auto *frame8_layout = new QGridLayout(frame8);
  frame8_layout->addWidget(frame_styles_[0], 0, 0);
  frame8_layout->addWidget(frame_styles_[1], 0, 1);
  frame8_layout->addWidget(label(QStringLiteral("Label8"), QStringLiteral("幅"), frame8), 1, 0);
  frame8_layout->addWidget(design_width_->bar(), 1, 1);
  frame8_layout->addWidget(design_width_->box(), 1, 2);
  frame8_layout->addWidget(label(QStringLiteral("Label9"), QStringLiteral("高さ"), frame8), 2, 0);
  frame8_layout->addWidget(design_height_->bar(), 2, 1, Qt::AlignRight);
  frame8_layout->addWidget(design_height_->box(), 2, 2);

  auto *frames = new QHBoxLayout;
  frames->addWidget(frame1, 1);
  frames->addWidget(frame8, 1);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(frame6);
  layout->addLayout(frames);
  layout->addStretch(1);
  return page;
}

QWidget *PropertyDialog::build_browser_tab() {
  auto *page = new QWidget;
  QGroupBox *frame4 = frame(QStringLiteral("Frame4"), QStringLiteral("自動実行"), page);
  auto_browser_ = check(QStringLiteral("Check3"), QStringLiteral("ブラウザ自動起動"), frame4);
  end_after_browser_ = check(QStringLiteral("Check4"), QStringLiteral("ブラウザ起動後終了"), frame4);
  top_index_ = option(QStringLiteral("TopIndexHtml"), QStringLiteral("topindex.html"), frame4);
  index_ = option(QStringLiteral("IndexHtml"), QStringLiteral("index.html"), frame4);
  auto *grid = new QGridLayout(frame4);
  grid->addWidget(auto_browser_, 0, 0);
  grid->addWidget(end_after_browser_, 1, 0);
  grid->addWidget(top_index_, 0, 1);
  grid->addWidget(index_, 1, 1);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(frame4);
  layout->addStretch(1);
  return page;
}

QWidget *PropertyDialog::build_always_visible() {
  auto *area = new QWidget(this);
  type_frame_ = frame(QStringLiteral("Frame5"), QStringLiteral("画像タイプ"), area);
  all_types_ = check(QStringLiteral("Check2"), QStringLiteral("全て"), type_frame_);
  auto *types = new QHBoxLayout(type_frame_);
  types->addWidget(all_types_);
  for (int element = 0; element < kTypeBoxes; ++element)
    type_boxes_[element] = check(QStringLiteral("Check1_%1").arg(element),
                                 QString::fromLatin1(kTypeCaptions[element]), type_frame_);
  for (int element : kTypeBoxOrder) types->addWidget(type_boxes_[element]);
  motion_gif_ = check(QStringLiteral("EnableMGIF"), QStringLiteral("GIFアニメ"), area);
  banner_ = check(QStringLiteral("Check6"), QStringLiteral("バナー"), area);
  slender_ = check(QStringLiteral("Check7"), QStringLiteral("細長画像除外"), area);
  auto *flags = new QHBoxLayout;
  for (QCheckBox *c : {motion_gif_, banner_, slender_}) flags->addWidget(c);
  flags->addStretch(1);

  size_label_ = label(QStringLiteral("Label6"), QStringLiteral("画像サイズ"), area);
  width_check_ = check(QStringLiteral("Check8"), QStringLiteral("X"), area);
  min_width_ = new BoundNumber(QStringLiteral("Text5"), QStringLiteral("HScroll5"), Qt::Horizontal, 0,
                               kMinSizeMax, &SettingsMirror::min_width, Commit::OnLeave, area);
  height_check_ = check(QStringLiteral("Check9"), QStringLiteral("Y"), area);
  min_height_ = new BoundNumber(QStringLiteral("Text6"), QStringLiteral("VScroll1"), Qt::Vertical, 0,
                                kMinSizeMax, &SettingsMirror::min_height, Commit::OnLeave, area);
  age_label_ = label(QStringLiteral("Label7"), QStringLiteral("日付条件"), area);
  age_box_ = box(QStringLiteral("tbDay"), area, 80);
  age_box_->setReadOnly(true);
  age_bar_ = scroll_bar(QStringLiteral("hsDay"), true, 0, kAgeMax, area);
  age_bar_->setPageStep(1);
  sort_keys_ = new QComboBox(area);
  sort_keys_->setObjectName(QStringLiteral("Combo1"));
  sort_keys_->addItems({QStringLiteral("ソートなし"), QStringLiteral("最終アクセス"),
                        QStringLiteral("作成日"), QStringLiteral("画像の大きさ"),
                        QStringLiteral("ファイル名"), QStringLiteral("撮影日時")});
  sort_order_ = new QComboBox(area);
  sort_order_->setObjectName(QStringLiteral("Combo3"));
  sort_order_->addItems({QStringLiteral("降順"), QStringLiteral("昇順")});
  auto *detail = button(QStringLiteral("Command1"), QStringLiteral("詳細設定"), area);
  always_open_ = check(QStringLiteral("Check5"), QStringLiteral("常時開く"), area);
  connect(detail, &QPushButton::clicked, this, &PropertyDialog::on_Command1_Click);

  auto *grid = new QGridLayout;
  grid->addWidget(size_label_, 0, 0);
  grid->addWidget(width_check_, 0, 1);
  grid->addWidget(min_width_->box(), 0, 2);
  grid->addWidget(min_width_->bar(), 0, 3);
  grid->addWidget(height_check_, 1, 1);
  grid->addWidget(min_height_->box(), 1, 2);
  grid->addWidget(min_height_->bar(), 1, 3, Qt::AlignLeft);
  grid->addWidget(age_label_, 2, 0);
  grid->addWidget(age_box_, 2, 1, 1, 2);
  grid->addWidget(age_bar_, 2, 3);
  grid->addWidget(label(QStringLiteral("Label10"), QStringLiteral("ソート"), area), 3, 0);
  auto *sorting = new QHBoxLayout;
  sorting->addWidget(sort_keys_, 1);
  sorting->addWidget(sort_order_);
  grid->addLayout(sorting, 3, 1, 1, 3);
  grid->setColumnStretch(3, 1);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(detail);
  buttons->addWidget(always_open_);
  buttons->addStretch(1);

  auto *layout = new QVBoxLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(type_frame_);
  layout->addLayout(flags);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  return area;
}

void PropertyDialog::connect_controls() {
  connect(age_bar_, &QScrollBar::valueChanged, this, &PropertyDialog::on_hsDay_Change);
  connect(index_frame_, &QScrollBar::valueChanged, this, &PropertyDialog::on_IndexFrame_Change);
  connect(cntl_frame_, &QScrollBar::valueChanged, this, &PropertyDialog::on_CntlFrame_Change);
  for (int style = 0; style < 2; ++style)
    connect(frame_styles_[style], &QRadioButton::clicked, this,
            [this, style] { on_FrameStyle_Click(style); });
  for (int rule = 0; rule < 4; ++rule)
    connect(page_rules_[rule], &QRadioButton::clicked, this, [this, rule] { on_PageRule_Click(rule); });
  for (int fit = 0; fit < 3; ++fit)
    connect(fit_options_[fit], &QRadioButton::clicked, this, [this, fit] { on_ThumbFit_Click(fit); });
  connect(all_types_, &QCheckBox::clicked, this, &PropertyDialog::on_Check2_Click);
  for (QCheckBox *c : type_boxes_) connect(c, &QCheckBox::clicked, this, &PropertyDialog::on_Check1_Click);
  connect(auto_browser_, &QCheckBox::clicked, this, &PropertyDialog::on_Check3_Click);
  connect(end_after_browser_, &QCheckBox::toggled, this, [](bool on) { mirror().end_after_browser = on; });
  connect(top_index_, &QRadioButton::toggled, this, [](bool on) { mirror().open_top_index = on; });
  connect(width_check_, &QCheckBox::clicked, this, &PropertyDialog::on_SizeCheck_Click);
  connect(height_check_, &QCheckBox::clicked, this, &PropertyDialog::on_SizeCheck_Click);
  connect(always_open_, &QCheckBox::clicked, this, &PropertyDialog::on_Check5_Click);
  connect(wallpaper_fixed_, &QCheckBox::toggled, this, [](bool on) { mirror().bg_fix = on ? 1 : 0; });
  connect(motion_gif_, &QCheckBox::toggled, this, [](bool on) { mirror().motion_gif = on ? 1 : 0; });
  connect(banner_, &QCheckBox::toggled, this, [](bool on) { mirror().banner = on ? 1 : 0; });
  connect(slender_, &QCheckBox::toggled, this, [](bool on) { mirror().use_yx_ratio = on ? 1 : 0; });
  connect(prepared_url_, &QCheckBox::toggled, this, [](bool on) { mirror().prepared_url = on ? 1 : 0; });
  connect(search_string_, &QLineEdit::textChanged, this,
          [](const QString &t) { mirror().search_string = t; });
  connect(wallpaper_list_, &QComboBox::editTextChanged, this,
          [](const QString &t) { mirror().wallpaper = t; });
  connect(sort_keys_, &QComboBox::currentIndexChanged, this, [](int i) { mirror().sort_type = i; });
  connect(sort_order_, &QComboBox::currentIndexChanged, this, [](int i) { mirror().sort_mode = i; });
}

// Left of the main window, or as near as the main window's screen allows.
void PropertyDialog::place_beside_anchor() {
  if (!anchor_) return;
  const QSize frame = frameGeometry().size();
  move(on_anchor_screen(anchor_, QPoint(anchor_->x() - frame.width(), anchor_->y()), frame));
}

void PropertyDialog::fill_from_mirror() {
  SettingsMirror &m = mirror();
  filling_ = true;
  fit_options_[std::clamp(m.thumb_fit, 0, 2)]->setChecked(true);
  show_thumb_size(m.thumb_size);
  page_rules_[std::clamp(m.paging_style, 0, 3)]->setChecked(true);
  on_PageRule_Click(std::clamp(m.paging_style, 0, 3));
  page_megabytes_->set_value(m.page_size_mb);
  page_pictures_->set_value(m.page_count);
  for (int i = 0; i < 3; ++i) show_colour(i);
  wallpaper_list_->setEditText(m.wallpaper);
  wallpaper_fixed_->setChecked(m.bg_fix == 1);
  const int cntl_ratio = m.cntl_ratio;
  index_frame_->setValue(m.index_ratio);
  on_IndexFrame_Change(index_frame_->value());
  cntl_frame_->setValue(index_frame_->value() + cntl_ratio);
  on_CntlFrame_Change(cntl_frame_->value());
  frame_styles_[m.frame_style == 1 ? 1 : 0]->setChecked(true);
  const int design_width = m.design_width;
  const int design_height = m.design_height;
  design_width_->set_value(design_width);
  design_height_->set_value(design_height);
  auto_browser_->setChecked(m.auto_browser);
  on_Check3_Click();
  end_after_browser_->setChecked(m.end_after_browser);
  (m.open_top_index ? top_index_ : index_)->setChecked(true);

  const TypeBoxes boxes = type_boxes_of(m.type_mask);
  for (int element = 0; element < kTypeBoxes; ++element) type_boxes_[element]->setChecked(boxes[element]);
  motion_gif_->setChecked(m.motion_gif == 1);
  banner_->setChecked(m.banner == 1);
  slender_->setChecked(m.use_yx_ratio == 1);
  width_check_->setChecked(m.size_check == kSizeCheckWidth || m.size_check == kSizeCheckBoth);
  height_check_->setChecked(m.size_check == kSizeCheckHeight || m.size_check == kSizeCheckBoth);
  // A stored minimum above the bar's maximum comes back as that maximum.
  min_width_->set_value(m.min_width);
  min_height_->set_value(m.min_height);
  age_bar_->setValue(m.age);
  on_hsDay_Change(age_bar_->value());
  sort_keys_->setCurrentIndex(std::clamp(m.sort_type, 0, sort_keys_->count() - 1));
  sort_order_->setCurrentIndex(std::clamp(m.sort_mode, 0, sort_order_->count() - 1));
  search_string_->setText(m.search_string);
  prepared_url_->setChecked(m.prepared_url == 1);
  always_open_->setChecked(m.always_open);
  filling_ = false;
  apply_mode(mode_);
}

void PropertyDialog::sync_thumb_scroll() {
  thumb_size_->take_box_number();
}

void PropertyDialog::apply_mode(RunMode mode) {
  mode_ = mode;
  auto on = [this](std::array<bool, 4> table) { return table[static_cast<int>(mode_)]; };
  const bool date = on({true, true, false, true});
  age_label_->setEnabled(date);
  age_box_->setEnabled(date);
  age_bar_->setEnabled(date);
  const bool size = on({true, false, true, true});
  size_label_->setEnabled(size);
  width_check_->setEnabled(size);
  height_check_->setEnabled(size);
  type_frame_->setEnabled(on({true, false, false, true}));
  const bool picture_rules = on({true, false, false, true});
  motion_gif_->setEnabled(picture_rules);
  banner_->setEnabled(picture_rules);
  slender_->setEnabled(picture_rules);
  prepared_url_->setEnabled(on({false, false, false, true}));
  enable_size_boxes();
  enable_type_boxes();
}

bool PropertyDialog::event(QEvent *event) {
  if (event->type() == QEvent::WindowActivate) place_beside_anchor();
  if (event->type() == QEvent::WindowDeactivate)
    QTimer::singleShot(0, this, &PropertyDialog::hide_unless_own_window_active);
  return QWidget::event(event);
}

// Losing the focus to a dialog of its own (colours, files, details) or to the other fly-out beside the main
// window keeps the window open.
void PropertyDialog::hide_unless_own_window_active() {
  const QWidget *active = QApplication::activeWindow();
  if (!active) return;
  for (const QWidget *w = active; w; w = w->parentWidget())
    if (w == this || w == companion_) return;
  if (active != anchor_ && active->parentWidget() == anchor_ && active->windowFlags().testFlag(Qt::Tool))
    return;
  hide();
}

void PropertyDialog::on_hsDay_Change(int value) {
  age_box_->setText(age_text(value));
  mirror().age = value;
}

void PropertyDialog::on_IndexFrame_Change(int value) {
  index_share_->setText(QString::number(value) + QLatin1Char('%'));
  mirror().index_ratio = value;
  if (!filling_) engine::put(ZUNO_IndexRatio, value);
  cntl_frame_->setMinimum(value);
  cntl_frame_->setValue(value);
  on_CntlFrame_Change(cntl_frame_->value());
}

void PropertyDialog::on_CntlFrame_Change(int value) {
  const int share = value - index_frame_->value();
  control_share_->setText(QString::number(share) + QLatin1Char('%'));
  mirror().cntl_ratio = share;
  if (!filling_) engine::put(ZUNO_CntlRatio, share);
}

void PropertyDialog::on_ColorBox_Click(int which) {
  const int slot = colour_slot(kColourBoxes[which]);
  const QColor chosen = QColorDialog::getColor(colour_of(mirror().colors[slot]), this, windowTitle());
  if (!chosen.isValid()) return;
  mirror().colors[slot] = bgr_of(chosen);
  engine::put(kColourBoxes[which].number, mirror().colors[slot]);
  show_colour(which);
}

void PropertyDialog::show_colour(int which) {
  const QColor colour = colour_of(mirror().colors[colour_slot(kColourBoxes[which])]);
  colour_boxes_[which]->setStyleSheet(
      QStringLiteral("background-color: %1; border: 1px solid #808080;").arg(colour.name()));
}

void PropertyDialog::on_Command2_Click() {
  const QString file =
      QFileDialog::getOpenFileName(this, QStringLiteral("壁紙"), wallpaper_list_->currentText());
  if (!file.isEmpty()) wallpaper_list_->setEditText(file);
}

void PropertyDialog::on_FrameStyle_Click(int style) {
  mirror().frame_style = style;
  engine::put(ZUNO_FrameStyle, style);
}

void PropertyDialog::on_PageRule_Click(int rule) {
  mirror().paging_style = rule;
  const bool by_size = rule == 0 || rule == 2;
  const bool by_count = rule == 1 || rule == 2;
  page_megabytes_->set_enabled(by_size);
  megabyte_label_->setEnabled(by_size);
  page_pictures_->set_enabled(by_count);
}

// Each fit has its own size: the box keeps the one it showed for the fit left and shows the chosen fit's.
void PropertyDialog::on_ThumbFit_Click(int fit) {
  SettingsMirror &m = mirror();
  if (fit == m.thumb_fit) return;
  m.*thumb_size_of_fit(m.thumb_fit) = m.thumb_size;
  m.thumb_fit = fit;
  show_thumb_size(m.*thumb_size_of_fit(fit));
}

// A fixed ratio divides the picture's own size, so its box takes a small divisor rather than pixels.
void PropertyDialog::show_thumb_size(int size) {
  const bool ratio = mirror().thumb_fit == kFitRatio;
  thumb_size_->bar()->setRange(ratio ? kScaleMin : kThumbMin, ratio ? kScaleMax : kThumbMax);
  thumb_unit_->setText(ratio ? QStringLiteral("分の1") : QStringLiteral("ピクセル"));
  thumb_size_->set_value(size);
}

void PropertyDialog::on_Check2_Click() {
  if (all_types_->isChecked())
    for (QCheckBox *c : type_boxes_) c->setChecked(true);
  enable_type_boxes();
  on_Check1_Click();
}

// Bits that no box stands for (movies) are kept as they were loaded.
void PropertyDialog::on_Check1_Click() {
  TypeBoxes boxes{};
  for (int element = 0; element < kTypeBoxes; ++element) boxes[element] = type_boxes_[element]->isChecked();
  mirror().type_mask = (mirror().type_mask & ~kTypeBoxMask) | type_mask_of(boxes);
}

void PropertyDialog::on_Check3_Click() {
  mirror().auto_browser = auto_browser_->isChecked();
  end_after_browser_->setEnabled(auto_browser_->isChecked());
}

void PropertyDialog::on_SizeCheck_Click() {
  const bool width = width_check_->isChecked();
  const bool height = height_check_->isChecked();
  // Both cleared is the user switching the size filter off.
  mirror().size_check = width && height ? kSizeCheckBoth
                        : width         ? kSizeCheckWidth
                        : height        ? kSizeCheckHeight
                                        : kSizeCheckNone;
  enable_size_boxes();
}

void PropertyDialog::on_Check5_Click() {
  mirror().always_open = always_open_->isChecked();
  Q_EMIT address_search_allowed(always_open_->isChecked());
}

void PropertyDialog::on_Command1_Click() {
  Q_EMIT detail_requested(pos());
}

void PropertyDialog::enable_size_boxes() {
  const bool size = width_check_->isEnabled();
  min_width_->set_enabled(size && width_check_->isChecked());
  min_height_->set_enabled(size && height_check_->isChecked());
}

void PropertyDialog::enable_type_boxes() {
  for (QCheckBox *c : type_boxes_) c->setEnabled(!all_types_->isChecked());
}
