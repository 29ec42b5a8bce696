// Detail: the less common settings, the run mode used by GO, and the clean-up of the cache backup.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;
class QSlider;
class DialogWindow;
class OutputWindow;

class DetailWindow : public QDialog {
  Q_OBJECT
 public:
  explicit DetailWindow(QWidget *parent = nullptr);

  // What the cache clean-up needs of the other windows.
  void set_output(OutputWindow *output) { output_ = output; }
  void set_dialog(DialogWindow *dialog) { dialog_ = dialog; }
  void fill_from_mirror();
  // The address-search frame follows "常時開く" of the settings dialog.
  void enable_address_search(bool enabled);
  // The overwrite rule is usable only while pictures are copied.
  void enable_copy_rules(bool enabled);
  // "実行" on the "Cache" tab.
  void on_Command2_Click();

  // Ranges of the scroll bars.
  static constexpr int kBannerMax = 1000;               // banner width and height in pixels
  static constexpr int kRatioMin = 0, kRatioMax = 200;  // height to width ratio times ten; 0 takes any shape
  static constexpr std::array<int, 5> kCacheMax{4096, 1024, 1000, 1000,
                                                100};  // MiB, KiB, px, px, px per byte
  static constexpr int kDepthEntries = 10;             // 0 to 8 and "∞"

 private:
  QWidget *build_behaviour_tab();
  QWidget *build_cache_tab();
  QWidget *build_search_tab();
  QWidget *build_system_tab();
  void connect_controls();
  void update_address_mode();

  void on_HScroll1_Change(int value);
  void on_VScroll1_Change(int value);
  void on_HScroll2_Change(int value);
  void on_CacheScroll_Change(int which, int value);
  void on_Check3_Click();
  void on_GetURL_Click();
  void on_Slider1_Change(int value);
  void on_Command3_Click();

  QScrollBar *hscroll1_;
  QLineEdit *text1_;
  QScrollBar *vscroll1_;
  QLineEdit *text2_;
  QComboBox *combo1_;
  QScrollBar *hscroll2_;
  QLineEdit *text3_;
  QGroupBox *frame4_;
  std::array<QRadioButton *, 3> copy_rules_{};   // Option3, Option4, Option5
  std::array<QScrollBar *, 5> cache_scrolls_{};  // HScroll3 .. HScroll7
  std::array<QLineEdit *, 5> cache_boxes_{};     // Text4 .. Text8
  QCheckBox *check4_;
  QCheckBox *check6_;
  QCheckBox *check7_;
  QCheckBox *check3_;
  QComboBox *combo2_;
  QLabel *depth_label_;
  QGroupBox *frame3_;
  QCheckBox *get_url_;
  QRadioButton *option1_;
  QRadioButton *option2_;
  QCheckBox *check2_;
  QCheckBox *auto_increment_;
  QCheckBox *del_cache_;
  QSlider *slider1_;
  QCheckBox *check5_;
  QCheckBox *check1_;
  QRadioButton *option6_;
  QRadioButton *option7_;
  QRadioButton *option8_;
  QRadioButton *option9_;
  OutputWindow *output_ = nullptr;
  DialogWindow *dialog_ = nullptr;
  bool filling_ = false;
};
