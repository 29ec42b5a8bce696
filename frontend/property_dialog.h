// Property: the settings dialog, a fly-out left of the main window.
#pragma once

#include <QWidget>

class FlyOut;

class PropertyDialog : public QWidget {
  Q_OBJECT
 public:
  explicit PropertyDialog(QWidget *parent = nullptr);

  void set_anchor(QWidget *anchor) { anchor_ = anchor; }
  void set_flyout(FlyOut *flyout) { flyout_ = flyout; }
  void place_beside_anchor();
  void fill_from_mirror();
  void sync_thumb_scroll();
  void apply_mode(int mode);

 protected:
  bool event(QEvent *event) override;

 private:
  QWidget *anchor_ = nullptr;
  FlyOut *flyout_ = nullptr;
};
