// Property: the settings dialog, a fly-out left of the main window. Its controls show the settings mirror;
// every change is written into the mirror at once, and a few settings also go to the engine at once.
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>

#include "run_types.h"
#include "settings_mirror.h"

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
class BoundNumber;

class PropertyDialog : public QWidget {
  Q_OBJECT
 public:
  explicit PropertyDialog(QWidget *parent = nullptr);

  void set_anchor(QWidget *anchor) { anchor_ = anchor; }
  // A window of its own (the detail window) that may take the focus without this dialog hiding.
  void set_companion(QWidget *companion) { companion_ = companion; }
  void place_beside_anchor();
  // The controls take the mirror's values (start-up).
  void fill_from_mirror();
  // The thumbnail-size scroll bar takes the number in its box.
  void sync_thumb_scroll();
  // The mode enabling table for the controls of this dialog.
  void apply_mode(RunMode mode);

  // Ranges of the scroll bars (what a user would expect of each).
  static constexpr int kThumbMin = 16, kThumbMax = 400;  // thumbnail size in pixels
  static constexpr int kScaleMin = 1, kScaleMax = 32;    // fixed ratio: the picture's size divided by this
  // Page size in megabytes: the whole range of the setting (0 to INT_MAX / 1024 kilobytes, rounded).
  static constexpr int kPageMbMin = 0, kPageMbMax = 2048;
  static constexpr int kPageCountMin = 1, kPageCountMax = 500;  // pictures per page
  static constexpr int kDesignMin = 100, kDesignMax = 4000;     // catalog window width and height in pixels
  static constexpr int kMinSizeMax = 2000;                      // minimum width and height in pixels
  static constexpr int kAgeMax = 36;                            // 30 days back
  static constexpr int kFrameMax = 100;                         // frame shares in percent

 Q_SIGNALS:
  // "常時開く" allows the detail window's address search, or not.
  void address_search_allowed(bool allowed);
  // "詳細設定": the detail window is to open at the given place.
  void detail_requested(const QPoint &where);

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

  void on_hsDay_Change(int value);
  void on_IndexFrame_Change(int value);
  void on_CntlFrame_Change(int value);
  void on_ColorBox_Click(int which);
  void on_Command2_Click();
  void on_FrameStyle_Click(int style);
  void on_PageRule_Click(int rule);
  void on_ThumbFit_Click(int fit);
  void show_thumb_size(int size);
  void on_Check2_Click();
  void on_Check1_Click();
  void on_Check3_Click();
  void on_SizeCheck_Click();
  void on_Check5_Click();
  void on_Command1_Click();
  void show_colour(int which);
  void enable_size_boxes();
  void enable_type_boxes();

  QTabWidget *tabs_;
  QLineEdit *search_string_;
  QCheckBox *prepared_url_;
  std::array<QRadioButton *, 3> fit_options_{};  // Option2 (width), Option1 (height), Option3 (ratio)
  BoundNumber *thumb_size_;                      // Text1, HScroll1
  QLabel *thumb_unit_;                           // Label3
  std::array<QRadioButton *, 4> page_rules_{};   // Option4, Option5, Option10, Option13
  BoundNumber *page_megabytes_;                  // Text2, HScroll2
  QLabel *megabyte_label_;
  BoundNumber *page_pictures_;  // Text3, HScroll3
  QComboBox *wallpaper_list_;
  QCheckBox *wallpaper_fixed_;
  std::array<QPushButton *, 3> colour_boxes_{};  // BgColor, TextColor, LinkColor
  QScrollBar *index_frame_;
  QScrollBar *cntl_frame_;
  QLineEdit *index_share_;
  QLineEdit *control_share_;
  std::array<QRadioButton *, 2> frame_styles_{};  // Option11, Option12
  BoundNumber *design_width_;                     // Text4, HScroll4
  BoundNumber *design_height_;                    // Text7, VScroll2
  QCheckBox *auto_browser_;
  QCheckBox *end_after_browser_;
  QRadioButton *top_index_;
  QRadioButton *index_;
  QGroupBox *type_frame_;
  QCheckBox *all_types_;
  std::array<QCheckBox *, kTypeBoxes> type_boxes_{};  // Check1_0 ("Jpeg") .. Check1_5 ("AVI"), "WebP", "AVIF"
  QCheckBox *motion_gif_;
  QCheckBox *banner_;
  QCheckBox *slender_;
  QCheckBox *width_check_;   // Check8
  QCheckBox *height_check_;  // Check9
  BoundNumber *min_width_;   // Text5, HScroll5
  BoundNumber *min_height_;  // Text6, VScroll1
  QLabel *size_label_;
  QLabel *age_label_;
  QLineEdit *age_box_;   // tbDay
  QScrollBar *age_bar_;  // hsDay
  QComboBox *sort_keys_;
  QComboBox *sort_order_;
  QCheckBox *always_open_;
  QWidget *anchor_ = nullptr;
  QPointer<QWidget> companion_;
  RunMode mode_ = RunMode::Normal;
  bool filling_ = false;
};
