#include "title_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "version_info.h"

TitleWindow::TitleWindow(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("Title"));
  setWindowTitle(version::kProductName);
  dark_picture_ = new QLabel(this);
  dark_picture_->setObjectName(QStringLiteral("Picture1"));
  dark_picture_->setPixmap(QPixmap(QStringLiteral(":/art/splash1.png")));
  light_picture_ = new QLabel(this);
  light_picture_->setObjectName(QStringLiteral("Picture2"));
  light_picture_->setPixmap(QPixmap(QStringLiteral(":/art/splash0.png")));
  version_label_ = new QLabel(version::splash_text(), this);
  version_label_->setObjectName(QStringLiteral("Label1"));
  version_label_->setAlignment(Qt::AlignCenter);
  QFont font = version_label_->font();
  font.setPointSizeF(font.pointSizeF() * 1.4);
  font.setBold(true);
  version_label_->setFont(font);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->addWidget(dark_picture_, 0, Qt::AlignCenter);
  layout->addWidget(light_picture_, 0, Qt::AlignCenter);
  layout->addWidget(version_label_);

  splash_timer_ = new QTimer(this);
  splash_timer_->setObjectName(QStringLiteral("SplashTimer"));
  splash_timer_->setSingleShot(true);
  splash_timer_->setInterval(1000);
  connect(splash_timer_, &QTimer::timeout, this, &TitleWindow::on_Timer1_Timer);
  apply_display_style(0);
}

void TitleWindow::apply_display_style(int style) {
  const bool dark = style == 1;
  dark_picture_->setVisible(dark);
  light_picture_->setVisible(!dark);
  setAutoFillBackground(true);
  QPalette pal = palette();
  if (dark) {
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
  } else {
    pal = QPalette();
  }
  setPalette(pal);
  version_label_->setPalette(pal);
  adjustSize();
}

void TitleWindow::centre_on_screen() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  move(area.x() + area.width() / 2 - width() / 2, area.y() + area.height() / 2 - height() / 2);
}

void TitleWindow::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  splash_timer_->start();
}

void TitleWindow::on_Timer1_Timer() {
  Q_EMIT finished();
  close();
}
