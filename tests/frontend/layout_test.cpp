// Every window's captions fit their controls. With QUILLO_SCREENSHOTS set to a folder, each window is also
// saved there as a picture for a look by eye.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include "detail_window.h"
#include "dialog_window.h"
#include "first_run_dialog.h"
#include "flyout.h"
#include "output_window.h"
#include "property_dialog.h"
#include "sandbox.h"
#include "title_window.h"

namespace {

// Names of visible captioned controls whose text does not fit.
QStringList clipped_controls(QWidget *window) {
  QStringList clipped;
  for (QWidget *w : window->findChildren<QWidget *>()) {
    if (!w->isVisible()) continue;
    const auto *label = qobject_cast<QLabel *>(w);
    const bool captioned =
        (label && !label->wordWrap() && !label->text().isEmpty()) || qobject_cast<QAbstractButton *>(w);
    if (!captioned) continue;
    const QSize need = w->minimumSizeHint().expandedTo(label ? label->sizeHint() : QSize());
    if (w->width() < need.width() || w->height() < need.height())
      clipped << QStringLiteral("%1 (%2x%3 < %4x%5)")
                     .arg(w->objectName())
                     .arg(w->width())
                     .arg(w->height())
                     .arg(need.width())
                     .arg(need.height());
  }
  return clipped;
}

void look_at(QWidget *window, const QString &name) {
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window));
  QTest::qWait(50);
  const QString folder = qEnvironmentVariable("QUILLO_SCREENSHOTS");
  if (!folder.isEmpty()) window->grab().save(QDir(folder).filePath(name + ".png"));
  const QStringList clipped = clipped_controls(window);
  QVERIFY2(clipped.isEmpty(), qPrintable(name + ": " + clipped.join(", ")));
}

// Every tab of every tab control of the window, one after the other.
void look_at_tabs(QWidget *window, const QString &name) {
  const auto tabs = window->findChildren<QTabWidget *>();
  if (tabs.isEmpty()) return look_at(window, name);
  for (QTabWidget *tab : tabs)
    for (int i = 0; i < tab->count(); ++i) {
      tab->setCurrentIndex(i);
      look_at(window, QStringLiteral("%1-%2").arg(name).arg(i));
    }
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void windows_show_their_captions_whole() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    look_at_tabs(main, "Main");
    look_at(box.started.output, "Output");
    look_at_tabs(box.started.property, "Property");
    look_at_tabs(box.started.detail, "Detail");
    box.started.dialog->set_label(
        "/opt/quillo/quillo /S:8 /T:H120 /P:M4 /O:\"/home/ann/out\" \"/home/ann/cats\"");
    look_at(box.started.dialog, "Dialog");
    FirstRunDialog first_run(box.program_folder());
    look_at(&first_run, "FirstRunDialog");
    TitleWindow title;
    look_at(&title, "Title0");
    title.apply_display_style(1);
    look_at(&title, "Title1");
  }

  void side_windows_open_on_the_main_window_s_screen() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    QWidget *options = box.started.property;
    QWidget *output = box.started.output;
    const QRect area = main->screen()->availableGeometry();
    auto on_screen = [&](QWidget *w) {
      return QStringLiteral("%1 at %2,%3 %4x%5 on %6,%7 %8x%9")
          .arg(w->objectName())
          .arg(w->frameGeometry().x())
          .arg(w->frameGeometry().y())
          .arg(w->frameGeometry().width())
          .arg(w->frameGeometry().height())
          .arg(area.x())
          .arg(area.y())
          .arg(area.width())
          .arg(area.height());
    };

    // At the screen's left edge there is no room left of the main window for the options window.
    main->move(area.topLeft());
    main->findChild<QAbstractButton *>("Command3")->click();
    QVERIFY(options->isVisible());
    QVERIFY2(area.contains(options->frameGeometry()), qPrintable(on_screen(options)));
    // Activated again, it stays where it can be seen.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(options, &activate);
    QVERIFY2(area.contains(options->frameGeometry()), qPrintable(on_screen(options)));

    // At the right edge the output window would stand right of the screen.
    main->move(area.right() + 1 - main->frameGeometry().width(), area.top());
    main->findChild<QAbstractButton *>("Command2")->click();
    QVERIFY(output->isVisible());
    QVERIFY2(area.contains(output->frameGeometry()), qPrintable(on_screen(output)));
    QApplication::sendEvent(output, &activate);
    QVERIFY2(area.contains(output->frameGeometry()), qPrintable(on_screen(output)));
  }

  void placement_is_kept_where_it_fits_and_clamped_to_the_screen_where_not() {
    QWidget anchor;
    anchor.setGeometry(300, 100, 100, 100);
    const QRect area = anchor.screen()->availableGeometry();
    const QSize frame(120, 80);
    QCOMPARE(on_anchor_screen(&anchor, QPoint(180, 100), frame), QPoint(180, 100));
    QCOMPARE(on_anchor_screen(&anchor, QPoint(area.left() - 422, 100), frame), QPoint(area.left(), 100));
    QCOMPARE(on_anchor_screen(&anchor, QPoint(area.right() - 10, area.bottom()), frame),
             QPoint(area.right() + 1 - frame.width(), area.bottom() + 1 - frame.height()));
    // Larger than the screen: its top left corner stays on it.
    QCOMPARE(on_anchor_screen(&anchor, QPoint(-50, -50), area.size() * 2), area.topLeft());
  }
};

QUILLO_FRONTEND_TEST_MAIN(LayoutTest)
#include "layout_test.moc"
