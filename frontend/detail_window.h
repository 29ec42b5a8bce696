// Detail: the detailed settings window.
#pragma once

#include <QWidget>

class DetailWindow : public QWidget {
  Q_OBJECT
 public:
  explicit DetailWindow(QWidget *parent = nullptr);
  void fill_from_mirror();
};
