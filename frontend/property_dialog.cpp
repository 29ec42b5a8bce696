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

#include "controls.h"
#include "detail_window.h"
#include "engine_binding.h"
#include "settings_mirror.h"

using namespace controls;

namespace {

// Captions of the type boxes, element 0 ("Jpeg", the highest bit) to element 5 ("AVI").
const char *const kTypeCaptions[6] = {"Jpeg", "TIFF", "BMP", "PNG", "GIF", "AVI"};

QColor colour_of(int bgr) {
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

int bgr_of(const QColor &colour) {
  return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

// Settings number and mirror slot of the three colour boxes, in their order on screen.
struct ColourBox {
  const char *name;
  int number;
};
constexpr ColourBox kColourBoxes[3] = {{"TextColor", 14}, {"BgColor", 13}, {"LinkColor", 15}};

SettingsMirror &mirror() {
  return settings_mirror();
}

}  // namespace

PropertyDialog::PropertyDialog(QWidget *parent) : QWidget(parent, Qt::Tool) {
  setObjectName(QStringLiteral("Property"));
  setWindowTitle(QStringLiteral("オプション"));
  sstab1_ = new QTabWidget(this);
  sstab1_->setObjectName(QStringLiteral("SSTab1"));
  sstab1_->addTab(build_search_tab(), QStringLiteral("検索"));
  sstab1_->addTab(build_html_tab(), QStringLiteral("HTML"));
  sstab1_->addTab(build_design_tab(), QStringLiteral("デザイン"));
  sstab1_->addTab(build_browser_tab(), QStringLiteral("ブラウザ"));
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(sstab1_);
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
  text1_ = box(QStringLiteral("Text1"), frame2);
  text1_->setText(QStringLiteral("80"));
  hscroll1_ = scroll_bar(QStringLiteral("HScroll1"), true, kThumbMin, kThumbMax, frame2);
  auto *fit_row = new QHBoxLayout;
  for (QRadioButton *o : {fit_options_[1], fit_options_[0], fit_options_[2]}) fit_row->addWidget(o);
  auto *size_row = new QHBoxLayout;
  size_row->addWidget(text1_);
  size_row->addWidget(hscroll1_, 1);
  size_row->addWidget(label(QStringLiteral("Label3"), QStringLiteral("ピクセル"), frame2));
  auto *frame2_layout = new QVBoxLayout(frame2);
  frame2_layout->addLayout(fit_row);
  frame2_layout->addLayout(size_row);

  QGroupBox *frame3 = frame(QStringLiteral("Frame3"), QStringLiteral("ページ替え規則"), page);
  page_rules_[0] = option(QStringLiteral("Option4"), QStringLiteral("画像のサイズ"), frame3);
  page_rules_[1] = option(QStringLiteral("Option5"), QStringLiteral("画像の枚数"), frame3);
  page_rules_[2] = option(QStringLiteral("Option10"), QStringLiteral("サイズと枚数"), frame3);
  page_rules_[3] = option(QStringLiteral("Option13"), QStringLiteral("ウィンドウのサイズに合わせる"), frame3);
  text2_ = box(QStringLiteral("Text2"), frame3);
  hscroll2_ = scroll_bar(QStringLiteral("HScroll2"), true, kPageMbMin, kPageMbMax, frame3);
  label1_ = label(QStringLiteral("Label1"), QStringLiteral("MByte"), frame3);
  text3_ = box(QStringLiteral("Text3"), frame3);
  hscroll3_ = scroll_bar(QStringLiteral("HScroll3"), true, kPageCountMin, kPageCountMax, frame3);
  auto *grid = new QGridLayout(frame3);
  grid->addWidget(page_rules_[0], 0, 0);
  grid->addWidget(page_rules_[1], 0, 1);
  grid->addWidget(page_rules_[2], 1, 0);
  grid->addWidget(page_rules_[3], 1, 1);
  auto *size_page = new QHBoxLayout;
  size_page->addWidget(text2_);
  size_page->addWidget(hscroll2_, 1);
  size_page->addWidget(label1_);
  auto *count_page = new QHBoxLayout;
  count_page->addWidget(text3_);
  count_page->addWidget(hscroll3_, 1);
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
  combo4_ = new QComboBox(frame6);
  combo4_->setObjectName(QStringLiteral("Combo4"));
  combo4_->setEditable(true);
  combo4_->setMinimumWidth(180);
  auto *browse = button(QStringLiteral("Command2"), QStringLiteral("参照"), frame6);
  check11_ = check(QStringLiteral("Check11"), QStringLiteral("壁紙を固定"), frame6);
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
  frame6_layout->addWidget(combo4_, 0, 0);
  frame6_layout->addWidget(browse, 0, 1);
  frame6_layout->addWidget(check11_, 1, 0);
  frame6_layout->addLayout(colours, 2, 0, 1, 2, Qt::AlignLeft);
  connect(browse, &QPushButton::clicked, this, &PropertyDialog::on_Command2_Click);

  QGroupBox *frame1 = frame(QStringLiteral("Frame1"), QStringLiteral("フレーム"), page);
  index_frame_ = scroll_bar(QStringLiteral("IndexFrame"), true, 0, kFrameMax, frame1);
  cntl_frame_ = scroll_bar(QStringLiteral("CntlFrame"), true, 0, kFrameMax, frame1);
  index_val_ = box(QStringLiteral("IndexVal"), frame1, 48);
  cntl_val_ = box(QStringLiteral("CntlVal"), frame1, 48);
  index_frame_->setToolTip(QStringLiteral("ファイル一覧フレームの割合"));
  cntl_frame_->setToolTip(QStringLiteral("ファイル一覧と表示フレームを合わせた割合"));
  index_val_->setReadOnly(true);
  cntl_val_->setReadOnly(true);
  auto *frame1_layout = new QGridLayout(frame1);
  frame1_layout->addWidget(index_frame_, 0, 0);
  frame1_layout->addWidget(index_val_, 0, 1);
  frame1_layout->addWidget(cntl_frame_, 1, 0);
  frame1_layout->addWidget(cntl_val_, 1, 1);

  QGroupBox *frame8 = frame(QStringLiteral("Frame8"), QStringLiteral("ウィンドウデザイン"), page);
  frame_styles_[0] = option(QStringLiteral("Option11"), QStringLiteral("縦分割"), frame8);
  frame_styles_[1] = option(QStringLiteral("Option12"), QStringLiteral("横分割"), frame8);
  hscroll4_ = scroll_bar(QStringLiteral("HScroll4"), true, kDesignMin, kDesignMax, frame8);
  text4_ = box(QStringLiteral("Text4"), frame8);
  vscroll2_ = scroll_bar(QStringLiteral("VScroll2"), false, kDesignMin, kDesignMax, frame8);
  text7_ = box(QStringLiteral("Text7"), frame8);
  auto *frame8_layout = new QGridLayout(frame8);
  frame8_layout->addWidget(frame_styles_[0], 0, 0);
  frame8_layout->addWidget(frame_styles_[1], 0, 1);
  frame8_layout->addWidget(label(QStringLiteral("Label8"), QStringLiteral("幅"), frame8), 1, 0);
  frame8_layout->addWidget(hscroll4_, 1, 1);
  frame8_layout->addWidget(text4_, 1, 2);
  frame8_layout->addWidget(label(QStringLiteral("Label9"), QStringLiteral("高さ"), frame8), 2, 0);
  frame8_layout->addWidget(vscroll2_, 2, 1, Qt::AlignRight);
  frame8_layout->addWidget(text7_, 2, 2);

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
  check3_ = check(QStringLiteral("Check3"), QStringLiteral("ブラウザ自動起動"), frame4);
  check4_ = check(QStringLiteral("Check4"), QStringLiteral("ブラウザ起動後終了"), frame4);
  top_index_ = option(QStringLiteral("TopIndexHtml"), QStringLiteral("topindex.html"), frame4);
  index_ = option(QStringLiteral("IndexHtml"), QStringLiteral("index.html"), frame4);
  auto *grid = new QGridLayout(frame4);
  grid->addWidget(check3_, 0, 0);
  grid->addWidget(check4_, 1, 0);
  grid->addWidget(top_index_, 0, 1);
  grid->addWidget(index_, 1, 1);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(frame4);
  layout->addStretch(1);
  return page;
}

QWidget *PropertyDialog::build_always_visible() {
  auto *area = new QWidget(this);
  frame5_ = frame(QStringLiteral("Frame5"), QStringLiteral("画像タイプ"), area);
  check2_ = check(QStringLiteral("Check2"), QStringLiteral("全て"), frame5_);
  auto *types = new QHBoxLayout(frame5_);
  types->addWidget(check2_);
  for (int element = 0; element < 6; ++element)
    check1_[element] =
        check(QStringLiteral("Check1_%1").arg(element), QString::fromLatin1(kTypeCaptions[element]), frame5_);
  for (int element = 5; element >= 0; --element) types->addWidget(check1_[element]);  // "AVI" to "Jpeg"
  enable_mgif_ = check(QStringLiteral("EnableMGIF"), QStringLiteral("GIFアニメ"), area);
  check6_ = check(QStringLiteral("Check6"), QStringLiteral("バナー"), area);
  check7_ = check(QStringLiteral("Check7"), QStringLiteral("細長画像除外"), area);
  auto *flags = new QHBoxLayout;
  for (QCheckBox *c : {enable_mgif_, check6_, check7_}) flags->addWidget(c);
  flags->addStretch(1);

  label6_ = label(QStringLiteral("Label6"), QStringLiteral("画像サイズ"), area);
  check8_ = check(QStringLiteral("Check8"), QStringLiteral("X"), area);
  text5_ = box(QStringLiteral("Text5"), area);
  hscroll5_ = scroll_bar(QStringLiteral("HScroll5"), true, 0, kMinSizeMax, area);
  check9_ = check(QStringLiteral("Check9"), QStringLiteral("Y"), area);
  text6_ = box(QStringLiteral("Text6"), area);
  vscroll1_ = scroll_bar(QStringLiteral("VScroll1"), false, 0, kMinSizeMax, area);
  label7_ = label(QStringLiteral("Label7"), QStringLiteral("日付条件"), area);
  tb_day_ = box(QStringLiteral("tbDay"), area, 80);
  tb_day_->setReadOnly(true);
  hs_day_ = scroll_bar(QStringLiteral("hsDay"), true, 0, kAgeMax, area);
  hs_day_->setPageStep(1);
  combo1_ = new QComboBox(area);
  combo1_->setObjectName(QStringLiteral("Combo1"));
  combo1_->addItems({QStringLiteral("ソートなし"), QStringLiteral("最終アクセス"), QStringLiteral("作成日"),
                     QStringLiteral("画像の大きさ"), QStringLiteral("ファイル名")});
  combo3_ = new QComboBox(area);
  combo3_->setObjectName(QStringLiteral("Combo3"));
  combo3_->addItems({QStringLiteral("降順"), QStringLiteral("昇順")});
  auto *detail = button(QStringLiteral("Command1"), QStringLiteral("詳細設定"), area);
  check5_ = check(QStringLiteral("Check5"), QStringLiteral("常時開く"), area);
  connect(detail, &QPushButton::clicked, this, &PropertyDialog::on_Command1_Click);

  auto *grid = new QGridLayout;
  grid->addWidget(label6_, 0, 0);
  grid->addWidget(check8_, 0, 1);
  grid->addWidget(text5_, 0, 2);
  grid->addWidget(hscroll5_, 0, 3);
  grid->addWidget(check9_, 1, 1);
  grid->addWidget(text6_, 1, 2);
  grid->addWidget(vscroll1_, 1, 3, Qt::AlignLeft);
  grid->addWidget(label7_, 2, 0);
  grid->addWidget(tb_day_, 2, 1, 1, 2);
  grid->addWidget(hs_day_, 2, 3);
  grid->addWidget(label(QStringLiteral("Label10"), QStringLiteral("ソート"), area), 3, 0);
  auto *sorting = new QHBoxLayout;
  sorting->addWidget(combo1_, 1);
  sorting->addWidget(combo3_);
  grid->addLayout(sorting, 3, 1, 1, 3);
  grid->setColumnStretch(3, 1);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(detail);
  buttons->addWidget(check5_);
  buttons->addStretch(1);

  auto *layout = new QVBoxLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(frame5_);
  layout->addLayout(flags);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  return area;
}

void PropertyDialog::connect_controls() {
  connect(text1_, &QLineEdit::returnPressed, this, &PropertyDialog::on_Text1_Enter);
  connect(text1_, &QLineEdit::textEdited, this,
          [](const QString &t) { mirror().thumb_size = numeric_value(t); });
  connect(hscroll1_, &QScrollBar::valueChanged, this, &PropertyDialog::on_HScroll1_Change);
  connect(text2_, &QLineEdit::returnPressed, this, &PropertyDialog::on_Text2_Enter);
  connect(text3_, &QLineEdit::returnPressed, this, &PropertyDialog::on_Text3_Enter);
  connect(hscroll2_, &QScrollBar::valueChanged, this, &PropertyDialog::on_HScroll2_Change);
  connect(hscroll3_, &QScrollBar::valueChanged, this, &PropertyDialog::on_HScroll3_Change);
  connect(text4_, &QLineEdit::textChanged, this, &PropertyDialog::on_Text4_Change);
  connect(text7_, &QLineEdit::textChanged, this, &PropertyDialog::on_Text7_Change);
  connect(hscroll4_, &QScrollBar::valueChanged, this, &PropertyDialog::on_HScroll4_Change);
  connect(vscroll2_, &QScrollBar::valueChanged, this, &PropertyDialog::on_VScroll2_Change);
  connect(text5_, &QLineEdit::editingFinished, this, &PropertyDialog::on_Text5_Enter);
  connect(text6_, &QLineEdit::editingFinished, this, &PropertyDialog::on_Text6_Enter);
  connect(hscroll5_, &QScrollBar::valueChanged, this, &PropertyDialog::on_HScroll5_Change);
  connect(vscroll1_, &QScrollBar::valueChanged, this, &PropertyDialog::on_VScroll1_Change);
  connect(hs_day_, &QScrollBar::valueChanged, this, &PropertyDialog::on_hsDay_Change);
  connect(index_frame_, &QScrollBar::valueChanged, this, &PropertyDialog::on_IndexFrame_Change);
  connect(cntl_frame_, &QScrollBar::valueChanged, this, &PropertyDialog::on_CntlFrame_Change);
  for (int style = 0; style < 2; ++style)
    connect(frame_styles_[style], &QRadioButton::clicked, this,
            [this, style] { on_FrameStyle_Click(style); });
  for (int rule = 0; rule < 4; ++rule)
    connect(page_rules_[rule], &QRadioButton::clicked, this, [this, rule] { on_PageRule_Click(rule); });
  for (int fit = 0; fit < 3; ++fit)
    connect(fit_options_[fit], &QRadioButton::clicked, this, [this, fit] { on_ThumbFit_Click(fit); });
  connect(check2_, &QCheckBox::clicked, this, &PropertyDialog::on_Check2_Click);
  for (QCheckBox *c : check1_) connect(c, &QCheckBox::clicked, this, &PropertyDialog::on_Check1_Click);
  connect(check3_, &QCheckBox::clicked, this, &PropertyDialog::on_Check3_Click);
  connect(check4_, &QCheckBox::toggled, this, [](bool on) { mirror().end_after_browser = on; });
  connect(top_index_, &QRadioButton::toggled, this, [](bool on) { mirror().open_top_index = on; });
  connect(check8_, &QCheckBox::clicked, this, &PropertyDialog::on_SizeCheck_Click);
  connect(check9_, &QCheckBox::clicked, this, &PropertyDialog::on_SizeCheck_Click);
  connect(check5_, &QCheckBox::clicked, this, &PropertyDialog::on_Check5_Click);
  connect(check11_, &QCheckBox::toggled, this, [](bool on) { mirror().bg_fix = on ? 1 : 0; });
  connect(enable_mgif_, &QCheckBox::toggled, this, [](bool on) { mirror().motion_gif = on ? 1 : 0; });
  connect(check6_, &QCheckBox::toggled, this, [](bool on) { mirror().banner = on ? 1 : 0; });
  connect(check7_, &QCheckBox::toggled, this, [](bool on) { mirror().use_yx_ratio = on ? 1 : 0; });
  connect(prepared_url_, &QCheckBox::toggled, this, [](bool on) { mirror().prepared_url = on ? 1 : 0; });
  connect(search_string_, &QLineEdit::textChanged, this,
          [](const QString &t) { mirror().search_string = t; });
  connect(combo4_, &QComboBox::editTextChanged, this, [](const QString &t) { mirror().wallpaper = t; });
  connect(combo1_, &QComboBox::currentIndexChanged, this, [](int i) { mirror().sort_type = i; });
  connect(combo3_, &QComboBox::currentIndexChanged, this, [](int i) { mirror().sort_mode = i; });
}

void PropertyDialog::place_beside_anchor() {
  if (anchor_) move(anchor_->x() - frameGeometry().width(), anchor_->y());
}

void PropertyDialog::fill_from_mirror() {
  SettingsMirror &m = mirror();
  filling_ = true;
  fit_options_[std::clamp(m.thumb_fit, 0, 2)]->setChecked(true);
  text1_->setText(QString::number(m.thumb_size));
  sync_thumb_scroll();
  page_rules_[std::clamp(m.paging_style, 0, 3)]->setChecked(true);
  on_PageRule_Click(std::clamp(m.paging_style, 0, 3));
  hscroll2_->setValue(m.page_size_mb);
  on_HScroll2_Change(hscroll2_->value());
  hscroll3_->setValue(m.page_count);
  on_HScroll3_Change(hscroll3_->value());
  for (int i = 0; i < 3; ++i) show_colour(i);
  combo4_->setEditText(m.wallpaper);
  check11_->setChecked(m.bg_fix == 1);
  const int cntl_ratio = m.cntl_ratio;
  index_frame_->setValue(m.index_ratio);
  on_IndexFrame_Change(index_frame_->value());
  cntl_frame_->setValue(index_frame_->value() + cntl_ratio);
  on_CntlFrame_Change(cntl_frame_->value());
  frame_styles_[m.frame_style == 1 ? 1 : 0]->setChecked(true);
  const int design_width = m.design_width;
  const int design_height = m.design_height;
  hscroll4_->setValue(design_width);
  on_HScroll4_Change(hscroll4_->value());
  vscroll2_->setValue(design_height);
  on_VScroll2_Change(vscroll2_->value());
  check3_->setChecked(m.auto_browser);
  on_Check3_Click();
  check4_->setChecked(m.end_after_browser);
  (m.open_top_index ? top_index_ : index_)->setChecked(true);

  const std::array<bool, 6> boxes = type_boxes_of(m.type_mask);
  for (int element = 0; element < 6; ++element) check1_[element]->setChecked(boxes[element]);
  enable_mgif_->setChecked(m.motion_gif == 1);
  check6_->setChecked(m.banner == 1);
  check7_->setChecked(m.use_yx_ratio == 1);
  check8_->setChecked(m.size_check == 1 || m.size_check == 3);
  check9_->setChecked(m.size_check == 2 || m.size_check == 3);
  // A stored minimum above the bar's maximum comes back as that maximum.
  hscroll5_->setValue(m.min_width);
  on_HScroll5_Change(hscroll5_->value());
  vscroll1_->setValue(m.min_height);
  on_VScroll1_Change(vscroll1_->value());
  hs_day_->setValue(m.age);
  on_hsDay_Change(hs_day_->value());
  combo1_->setCurrentIndex(std::clamp(m.sort_type, 0, combo1_->count() - 1));
  combo3_->setCurrentIndex(std::clamp(m.sort_mode, 0, combo3_->count() - 1));
  search_string_->setText(m.search_string);
  prepared_url_->setChecked(m.prepared_url == 1);
  check5_->setChecked(m.always_open);
  filling_ = false;
  apply_mode(mode_);
}

void PropertyDialog::sync_thumb_scroll() {
  hscroll1_->setValue(numeric_value(text1_->text()));
}

void PropertyDialog::apply_mode(int mode) {
  mode_ = std::clamp(mode, 0, 3);
  auto on = [this](std::array<bool, 4> table) { return table[mode_]; };
  const bool date = on({true, true, false, true});
  label7_->setEnabled(date);
  tb_day_->setEnabled(date);
  hs_day_->setEnabled(date);
  const bool size = on({true, false, true, true});
  label6_->setEnabled(size);
  check8_->setEnabled(size);
  check9_->setEnabled(size);
  frame5_->setEnabled(on({true, false, false, true}));
  const bool picture_rules = on({true, false, false, true});
  enable_mgif_->setEnabled(picture_rules);
  check6_->setEnabled(picture_rules);
  check7_->setEnabled(picture_rules);
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
    if (w == this || w == detail_) return;
  if (active != anchor_ && active->parentWidget() == anchor_ && active->windowFlags().testFlag(Qt::Tool))
    return;
  hide();
}

void PropertyDialog::on_Text1_Enter() {
  hscroll1_->setValue(numeric_value(text1_->text()));
  text1_->setText(QString::number(hscroll1_->value()));
  mirror().thumb_size = hscroll1_->value();
}

void PropertyDialog::on_HScroll1_Change(int value) {
  text1_->setText(QString::number(value));
  mirror().thumb_size = value;
}

// The bars' maxima bound what may be typed (not the values loaded at start-up, which would forbid raising
// them).
void PropertyDialog::on_Text2_Enter() {
  hscroll2_->setValue(numeric_value(text2_->text()));
  on_HScroll2_Change(hscroll2_->value());
}

void PropertyDialog::on_Text3_Enter() {
  hscroll3_->setValue(numeric_value(text3_->text()));
  on_HScroll3_Change(hscroll3_->value());
}

void PropertyDialog::on_HScroll2_Change(int value) {
  text2_->setText(QString::number(value));
  mirror().page_size_mb = value;
}

void PropertyDialog::on_HScroll3_Change(int value) {
  text3_->setText(QString::number(value));
  mirror().page_count = value;
}

// Typing moves the bar but the box keeps what is typed, so that numbers can be typed digit by digit.
void PropertyDialog::on_Text4_Change(const QString &text) {
  mirror().design_width = set_quietly(hscroll4_, numeric_value(text));
}

void PropertyDialog::on_Text7_Change(const QString &text) {
  mirror().design_height = set_quietly(vscroll2_, numeric_value(text));
}

void PropertyDialog::on_HScroll4_Change(int value) {
  const QSignalBlocker block(text4_);
  text4_->setText(QString::number(value));
  mirror().design_width = value;
}

void PropertyDialog::on_VScroll2_Change(int value) {
  const QSignalBlocker block(text7_);
  text7_->setText(QString::number(value));
  mirror().design_height = value;
}

void PropertyDialog::on_Text5_Enter() {
  hscroll5_->setValue(numeric_value(text5_->text()));
  on_HScroll5_Change(hscroll5_->value());
}

void PropertyDialog::on_Text6_Enter() {
  vscroll1_->setValue(numeric_value(text6_->text()));
  on_VScroll1_Change(vscroll1_->value());
}

void PropertyDialog::on_HScroll5_Change(int value) {
  text5_->setText(QString::number(value));
  mirror().min_width = value;
}

void PropertyDialog::on_VScroll1_Change(int value) {
  text6_->setText(QString::number(value));
  mirror().min_height = value;
}

void PropertyDialog::on_hsDay_Change(int value) {
  tb_day_->setText(age_text(value));
  mirror().age = value;
}

void PropertyDialog::on_IndexFrame_Change(int value) {
  index_val_->setText(QString::number(value) + QLatin1Char('%'));
  mirror().index_ratio = value;
  if (!filling_) engine::put(46, value);
  cntl_frame_->setMinimum(value);
  cntl_frame_->setValue(value);
  on_CntlFrame_Change(cntl_frame_->value());
}

void PropertyDialog::on_CntlFrame_Change(int value) {
  const int share = value - index_frame_->value();
  cntl_val_->setText(QString::number(share) + QLatin1Char('%'));
  mirror().cntl_ratio = share;
  if (!filling_) engine::put(47, share);
}

void PropertyDialog::on_ColorBox_Click(int which) {
  const int slot = kColourBoxes[which].number - 13;
  const QColor chosen = QColorDialog::getColor(colour_of(mirror().colors[slot]), this, windowTitle());
  if (!chosen.isValid()) return;
  mirror().colors[slot] = bgr_of(chosen);
  engine::put(kColourBoxes[which].number, mirror().colors[slot]);
  show_colour(which);
}

void PropertyDialog::show_colour(int which) {
  const QColor colour = colour_of(mirror().colors[kColourBoxes[which].number - 13]);
  colour_boxes_[which]->setStyleSheet(
      QStringLiteral("background-color: %1; border: 1px solid #808080;").arg(colour.name()));
}

void PropertyDialog::on_Command2_Click() {
  const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("壁紙"), combo4_->currentText());
  if (!file.isEmpty()) combo4_->setEditText(file);
}

void PropertyDialog::on_FrameStyle_Click(int style) {
  mirror().frame_style = style;
  engine::put(18, style);
}

void PropertyDialog::on_PageRule_Click(int rule) {
  mirror().paging_style = rule;
  const bool by_size = rule == 0 || rule == 2;
  const bool by_count = rule == 1 || rule == 2;
  for (QWidget *w :
       {static_cast<QWidget *>(text2_), static_cast<QWidget *>(hscroll2_), static_cast<QWidget *>(label1_)})
    w->setEnabled(by_size);
  text3_->setEnabled(by_count);
  hscroll3_->setEnabled(by_count);
}

void PropertyDialog::on_ThumbFit_Click(int fit) {
  mirror().thumb_fit = fit;
}

void PropertyDialog::on_Check2_Click() {
  if (check2_->isChecked())
    for (QCheckBox *c : check1_) c->setChecked(true);
  enable_type_boxes();
  on_Check1_Click();
}

// Bits beyond the six boxes (movies) are kept as they were loaded.
void PropertyDialog::on_Check1_Click() {
  std::array<bool, 6> boxes{};
  for (int element = 0; element < 6; ++element) boxes[element] = check1_[element]->isChecked();
  mirror().type_mask = (mirror().type_mask & ~0x3F) | type_mask_of(boxes);
}

void PropertyDialog::on_Check3_Click() {
  mirror().auto_browser = check3_->isChecked();
  check4_->setEnabled(check3_->isChecked());
}

void PropertyDialog::on_SizeCheck_Click() {
  const bool width = check8_->isChecked();
  const bool height = check9_->isChecked();
  if (width || height) mirror().size_check = width && height ? 3 : (width ? 1 : 2);
  enable_size_boxes();
}

void PropertyDialog::on_Check5_Click() {
  mirror().always_open = check5_->isChecked();
  if (detail_) detail_->enable_address_search(check5_->isChecked());
}

void PropertyDialog::on_Command1_Click() {
  if (!detail_) return;
  detail_->move(pos());
  detail_->exec();
}

void PropertyDialog::enable_size_boxes() {
  const bool size = check8_->isEnabled();
  text5_->setEnabled(size && check8_->isChecked());
  hscroll5_->setEnabled(size && check8_->isChecked());
  text6_->setEnabled(size && check9_->isChecked());
  vscroll1_->setEnabled(size && check9_->isChecked());
}

void PropertyDialog::enable_type_boxes() {
  for (QCheckBox *c : check1_) c->setEnabled(!check2_->isChecked());
}
