#include "about_window.h"

#include "version_info.h"

AboutWindow::AboutWindow(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(version::kProductName + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
}
