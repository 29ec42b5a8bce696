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
  picture1_ = new QLabel(this);
  picture1_->setObjectName(QStringLiteral("Picture1"));
  picture1_->setPixmap(QPixmap(QStringLiteral(":/art/splash1.png")));
  picture2_ = new QLabel(this);
  picture2_->setObjectName(QStringLiteral("Picture2"));
  picture2_->setPixmap(QPixmap(QStringLiteral(":/art/splash0.png")));
  label1_ = new QLabel(version::splash_text(), this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setAlignment(Qt::AlignCenter);
  QFont font = label1_->font();
  font.setPointSizeF(font.pointSizeF() * 1.4);
  font.setBold(true);
  label1_->setFont(font);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->addWidget(picture1_, 0, Qt::AlignCenter);
  layout->addWidget(picture2_, 0, Qt::AlignCenter);
  layout->addWidget(label1_);

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("SplashTimer"));
  timer1_->setSingleShot(true);
  timer1_->setInterval(1000);
  connect(timer1_, &QTimer::timeout, this, &TitleWindow::on_Timer1_Timer);
  apply_display_style(0);
}

void TitleWindow::apply_display_style(int style) {
  const bool dark = style == 1;
  picture1_->setVisible(dark);
  picture2_->setVisible(!dark);
  setAutoFillBackground(true);
  QPalette pal = palette();
  if (dark) {
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
  } else {
    pal = QPalette();
  }
  setPalette(pal);
  label1_->setPalette(pal);
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
  timer1_->start();
}

void TitleWindow::on_Timer1_Timer() {
  Q_EMIT finished();
  close();
}
