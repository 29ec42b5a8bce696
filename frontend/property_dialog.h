// Property: the settings dialog, a fly-out left of the main window. Its controls show the settings mirror;
// every change is written into the mirror at once, and a few settings also go to the engine at once.
#pragma once

#include <QWidget>
#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class DetailWindow;
class FlyOut;

class PropertyDialog : public QWidget {
  Q_OBJECT
 public:
  explicit PropertyDialog(QWidget *parent = nullptr);

  void set_anchor(QWidget *anchor) { anchor_ = anchor; }
  void set_flyout(FlyOut *flyout) { flyout_ = flyout; }
  void set_detail(DetailWindow *detail) { detail_ = detail; }
  void place_beside_anchor();
  // The controls take the mirror's values (start-up).
  void fill_from_mirror();
  // The thumbnail-size scroll bar takes the number in its box.
  void sync_thumb_scroll();
  // The mode enabling table for the controls of this dialog.
  void apply_mode(int mode);

  // Ranges of the scroll bars (what a user would expect of each).
  static constexpr int kThumbMin = 16, kThumbMax = 400;         // thumbnail size in pixels
  static constexpr int kPageMbMin = 1, kPageMbMax = 64;         // page size in megabytes
  static constexpr int kPageCountMin = 1, kPageCountMax = 500;  // pictures per page
  static constexpr int kDesignMin = 100, kDesignMax = 4000;     // catalog window width and height in pixels
  static constexpr int kMinSizeMax = 2000;                      // minimum width and height in pixels
  static constexpr int kAgeMax = 36;                            // 30 days back
  static constexpr int kFrameMax = 100;                         // frame shares in percent

 protected:
  bool event(QEvent *event) override;

 private:
  QWidget *build_search_tab();
  QWidget *build_html_tab();
  QWidget *build_design_tab();
  QWidget *build_browser_tab();
  QWidget *build_always_visible();
  void connect_controls();
  void hide_unless_own_window_active();

  void on_Text1_Enter();
  void on_HScroll1_Change(int value);
  void on_Text2_Enter();
  void on_Text3_Enter();
  void on_HScroll2_Change(int value);
  void on_HScroll3_Change(int value);
  void on_Text4_Change(const QString &text);
  void on_Text7_Change(const QString &text);
  void on_HScroll4_Change(int value);
  void on_VScroll2_Change(int value);
  void on_Text5_Enter();
  void on_Text6_Enter();
  void on_HScroll5_Change(int value);
  void on_VScroll1_Change(int value);
  void on_hsDay_Change(int value);
  void on_IndexFrame_Change(int value);
  void on_CntlFrame_Change(int value);
  void on_ColorBox_Click(int which);
  void on_Command2_Click();
  void on_FrameStyle_Click(int style);
  void on_PageRule_Click(int rule);
  void on_ThumbFit_Click(int fit);
  void on_Check2_Click();
  void on_Check1_Click();
  void on_Check3_Click();
  void on_SizeCheck_Click();
  void on_Check5_Click();
  void on_Command1_Click();
  void show_colour(int which);
  void enable_size_boxes();
  void enable_type_boxes();

  QTabWidget *sstab1_;
  QLineEdit *search_string_;
  QCheckBox *prepared_url_;
  std::array<QRadioButton *, 3> fit_options_{};  // Option2 (width), Option1 (height), Option3 (ratio)
  QLineEdit *text1_;
  QScrollBar *hscroll1_;
  std::array<QRadioButton *, 4> page_rules_{};  // Option4, Option5, Option10, Option13
  QLineEdit *text2_;
  QScrollBar *hscroll2_;
  QLabel *label1_;
  QLineEdit *text3_;
  QScrollBar *hscroll3_;
  QComboBox *combo4_;
  QCheckBox *check11_;
  std::array<QPushButton *, 3> colour_boxes_{};  // BgColor, TextColor, LinkColor
  QScrollBar *index_frame_;
  QScrollBar *cntl_frame_;
  QLineEdit *index_val_;
  QLineEdit *cntl_val_;
  std::array<QRadioButton *, 2> frame_styles_{};  // Option11, Option12
  QScrollBar *hscroll4_;
  QLineEdit *text4_;
  QScrollBar *vscroll2_;
  QLineEdit *text7_;
  QCheckBox *check3_;
  QCheckBox *check4_;
  QRadioButton *top_index_;
  QRadioButton *index_;
  QGroupBox *frame5_;
  QCheckBox *check2_;
  std::array<QCheckBox *, 6> check1_{};
  QCheckBox *enable_mgif_;
  QCheckBox *check6_;
  QCheckBox *check7_;
  QCheckBox *check8_;
  QLineEdit *text5_;
  QScrollBar *hscroll5_;
  QCheckBox *check9_;
  QLineEdit *text6_;
  QScrollBar *vscroll1_;
  QLabel *label6_;
  QLabel *label7_;
  QLineEdit *tb_day_;
  QScrollBar *hs_day_;
  QComboBox *combo1_;
  QComboBox *combo3_;
  QCheckBox *check5_;
  QWidget *anchor_ = nullptr;
  FlyOut *flyout_ = nullptr;
  DetailWindow *detail_ = nullptr;
  int mode_ = 0;
  bool filling_ = false;
};
