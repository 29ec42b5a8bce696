// Detail: the less common settings, the run mode used by GO, and the clean-up of the cache backup.
#pragma once

#include <QDialog>
#include <array>

class CacheFolderBox;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;
class QSlider;

class DetailWindow : public QDialog {
  Q_OBJECT
 public:
  explicit DetailWindow(QWidget *parent = nullptr);

  // The cache clean-up works in the folder the output window's browser shows.
  void set_cache_folder(const QString &folder) { cache_folder_ = folder; }
  // The chooser of the browser cache folder the runs harvest ("Cache" tab).
  CacheFolderBox *browser_cache_box() const { return browser_cache_box_; }
  void fill_from_mirror();
  // The address-search frame follows "常時開く" of the settings dialog.
  void enable_address_search(bool enabled);
  // The overwrite rule is usable only while pictures are copied.
  void enable_copy_rules(bool enabled);
  // "実行" on the "Cache" tab: puts the clean-up rules and asks for the clean-up.
  void on_Command2_Click();

 Q_SIGNALS:
  void cache_clean_up_requested();
  // "Flash!": the settings file is to be written now.
  void flash_requested();

 public:
  // Ranges of the scroll bars.
  static constexpr int kBannerMax = 1000;               // banner width and height in pixels
  static constexpr int kRatioMin = 0, kRatioMax = 200;  // height to width ratio times ten; 0 takes any shape
  static constexpr int kCacheRules = 5;                 // ZUNO_CacheLimit to ZUNO_CacheSRatio
  static constexpr std::array<int, kCacheRules> kCacheMax{4096, 1024, 1000, 1000,
                                                          100};  // MiB, KiB, px, px, px per byte
  static constexpr int kDepthEntries = 10;                       // 0 to 8 and "∞"

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

  QScrollBar *banner_width_bar_;
  QLineEdit *banner_width_box_;
  QScrollBar *banner_height_bar_;
  QLineEdit *banner_height_box_;
  QComboBox *banner_sizes_;
  QScrollBar *ratio_bar_;
  QLineEdit *ratio_box_;
  QGroupBox *copy_frame_;
  std::array<QRadioButton *, 3> copy_rules_{};          // Option3, Option4, Option5
  std::array<QScrollBar *, kCacheRules> cache_bars_{};  // HScroll3 .. HScroll7
  std::array<QLineEdit *, kCacheRules> cache_boxes_{};  // Text4 .. Text8
  QCheckBox *cache_banner_;
  QCheckBox *cache_slender_;
  QCheckBox *cache_broken_;
  CacheFolderBox *browser_cache_box_;
  QCheckBox *subfolder_search_;
  QComboBox *depth_list_;
  QLabel *depth_label_;
  QGroupBox *address_frame_;
  QCheckBox *address_search_;
  QRadioButton *banners_only_;
  QRadioButton *all_pictures_;
  QCheckBox *found_only_;
  QCheckBox *auto_increment_;
  QCheckBox *del_cache_;
  QSlider *cpu_slider_;
  QCheckBox *flush_at_exit_;
  QCheckBox *debug_;
  QRadioButton *run_exe_;
  QRadioButton *run_dll_;
  QRadioButton *new_main_;
  QRadioButton *old_main_;
  QString cache_folder_;
  bool filling_ = false;
};
