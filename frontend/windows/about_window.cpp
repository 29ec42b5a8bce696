#include "about_window.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QThread>
#include <QVBoxLayout>

#include "controls.h"
#include "prompt.h"
#include "version_info.h"

namespace {

// The value of the first line of a /proc file that starts with key, after its ":".
QString proc_value(const QString &file, const QString &key) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return QString();
  while (!f.atEnd()) {
    const QString line = QString::fromUtf8(f.readLine());
    if (line.startsWith(key)) return line.section(QLatin1Char(':'), 1).trimmed();
  }
  return QString();
}

QString memory_text() {
  const QString total = proc_value(QStringLiteral("/proc/meminfo"), QStringLiteral("MemTotal"));
  const qlonglong kib = total.section(QLatin1Char(' '), 0, 0).toLongLong();
  return kib > 0 ? QStringLiteral("%1 MB").arg(kib / 1024) : QString();
}

}  // namespace

AboutWindow::AboutWindow(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(version::kProductName + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
  auto *icon = new QLabel(this);
  icon->setPixmap(QPixmap(QStringLiteral(":/art/quillo.png")));
  auto *title = controls::label(QStringLiteral("lblTitle"), version::kProductName, this);
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  title->setFont(big);
  auto *version_label = controls::label(
      QStringLiteral("lblVersion"),
      QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3").arg(version::kMajor).arg(version::kMinor).arg(version::kComments),
      this);
  auto *ok = controls::button(QStringLiteral("cmdOK"), QStringLiteral("OK"), this);
  auto *info = controls::button(QStringLiteral("cmdSysInfo"), QStringLiteral("ｼｽﾃﾑ情報(&S)..."), this);
  ok->setDefault(true);
  auto *grid = new QGridLayout(this);
  grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(title, 0, 1);
  grid->addWidget(version_label, 1, 1);
  grid->setColumnStretch(1, 1);
  grid->addWidget(ok, 2, 2);
  grid->addWidget(info, 3, 2);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(info, &QPushButton::clicked, this, &AboutWindow::on_cmdSysInfo_Click);
}

QString AboutWindow::system_information() {
  QStringList lines;
  auto add = [&lines](const QString &name, const QString &value) {
    if (!value.isEmpty()) lines << name + QStringLiteral(": ") + value;
  };
  add(QStringLiteral("OS"), QSysInfo::prettyProductName());
  add(QStringLiteral("カーネル"), QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion());
  add(QStringLiteral("Qt"), QString::fromLatin1(qVersion()));
  add(QStringLiteral("CPU"), proc_value(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name")));
  add(QStringLiteral("コア数"), QString::number(QThread::idealThreadCount()));
  add(QStringLiteral("メモリ"), memory_text());
  return lines.join(QLatin1Char('\n'));
}

void AboutWindow::on_cmdSysInfo_Click() {
  const QString text = system_information();
  if (text.isEmpty()) {
    prompt::show(this, QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"));
    return;
  }
  QDialog window(this);
  window.setObjectName(QStringLiteral("SysInfo"));
  window.setWindowTitle(QStringLiteral("ｼｽﾃﾑ情報"));
  auto *view = new QPlainTextEdit(text, &window);
  view->setReadOnly(true);
  view->setMinimumSize(420, 160);
  auto *close = controls::button(QStringLiteral("cmdClose"), QStringLiteral("閉じる"), &window);
  auto *layout = new QVBoxLayout(&window);
  layout->addWidget(view);
  layout->addWidget(close, 0, Qt::AlignRight);
  connect(close, &QPushButton::clicked, &window, &QDialog::accept);
  window.exec();
}
