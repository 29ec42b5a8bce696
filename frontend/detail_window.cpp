#include "detail_window.h"

DetailWindow::DetailWindow(QWidget *parent) : QWidget(parent, Qt::Dialog) {
  setObjectName(QStringLiteral("Detail"));
  setWindowTitle(QStringLiteral("詳細プロパティ"));
}

void DetailWindow::fill_from_mirror() {}
