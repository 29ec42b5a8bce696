// GO: the two-phase run against the real engine, its summary, the catalog and the ways a run ends early.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImageReader>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "dialog_window.h"
#include "output_window.h"
#include "program_state.h"
#include "sandbox.h"
#include "settings_mirror.h"
#include "startup_store.h"

namespace {

QStringList lines_of(MainWindow *main) {
  QStringList lines;
  auto *list = main->findChild<QListWidget *>("List1");
  for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  return lines;
}

QPushButton *button(MainWindow *main, const char *name) {
  return main->findChild<QPushButton *>(name);
}

// Three pictures, one of them in a subfolder, and a file that is no picture.
QString make_picture_folder(const Sandbox &box) {
  const QString folder = box.path("pictures/cats");
  box.make_picture(folder + "/tabby.jpg", 320, 240);
  box.make_picture(folder + "/black.png", 200, 150);
  box.make_picture(folder + "/kittens/small.jpg", 640, 480);
  QFile notes(folder + "/notes.txt");
  notes.open(QIODevice::WriteOnly);
  notes.write("not a picture");
  return folder;
}

struct ScopedVariable {
  ScopedVariable(const char *name, const QByteArray &value) : name(name) { qputenv(name, value); }
  ~ScopedVariable() { qunsetenv(name); }
  const char *name;
};

bool idle(MainWindow *main) {
  return button(main, "OK")->isVisible() && button(main, "OK")->isEnabled() &&
         !button(main, "StopIt")->isVisible();
}

}  // namespace

class RunFlowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void normal_run_writes_the_summary_and_opens_the_catalog() {
    Sandbox box;
    const QString folder = make_picture_folder(box);
    MainWindow *main = box.start();
    QVERIFY(main);
    QVERIFY(main->select_folder(folder));
    button(main, "OK")->click();
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QVERIFY(idle(main));

    const QStringList lines = lines_of(main);
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines[0], "**" + folder + "**");
    QVERIFY(QRegularExpression("^DIr   [0-9]+$").match(lines[1]).hasMatch());
    QVERIFY(QRegularExpression("^FIles [0-9]+$").match(lines[2]).hasMatch());
    QCOMPARE(lines[3], QStringLiteral("Pic   3"));
    QVERIFY2(QRegularExpression("^Total size [0-9]+Kbyte$").match(lines[4]).hasMatch(), qPrintable(lines[4]));
    const QRegularExpressionMatch time = QRegularExpression("^所要時間 ([0-9.]+) 秒$").match(lines[5]);
    QVERIFY2(time.hasMatch(), qPrintable(lines[5]));
    QCOMPARE(lines[6], QString());

    // The first run sets the ratio average to its own time per picture.
    const long run_time = std::lround(time.captured(1).toDouble() * 1000);
    QCOMPARE(program_state().ratio_average, static_cast<int>(std::lround(run_time / 3.0)));

    QTRY_COMPARE(box.opened_pages().size(), 1);
    const QString page = box.opened_pages().first();
    QVERIFY2(page.startsWith(box.program_folder() + "/OUTPUT/cats/"), qPrintable(page));
    QVERIFY(page.endsWith("/index.html"));
    QVERIFY2(QFileInfo::exists(page), qPrintable(page));
  }

  void thumbnails_are_made_for_every_picture_after_a_normal_run() {
    Sandbox box;
    const QString folder = box.path("pictures/mixed");
    box.make_picture(folder + "/photo.jpg", 320, 240);
    box.make_picture(folder + "/drawing.png", 200, 150);
    QProcess convert;
    convert.start("/usr/bin/convert", {"-size", "300x200", "xc:orange", folder + "/anim.gif"});
    QVERIFY(convert.waitForFinished() && convert.exitCode() == 0);
    store::write("LastProcPicName", "/lost/picture.jpg");  // an earlier creation died on it
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    main->findChild<QCheckBox *>("MakeThumb")->setChecked(true);
    button(main, "OK")->click();
    QCOMPARE(box.prompts,
             QStringList{QStringLiteral("前回下記のファイル処理中に異常終了しました/lost/picture.jpg")});
    QCOMPARE(lines_of(main).size(), 7);
    // Thumbnails fit the height of 120 pixels of the distributed settings, in the catalog's Thumbs folder.
    QTRY_COMPARE(box.opened_pages().size(), 1);
    const QString thumbs = QFileInfo(box.opened_pages().first()).absolutePath() + "/Thumbs";
    const QList<std::pair<QString, QSize>> expected = {
        {"photo.jpg", {160, 120}}, {"drawing.jpg", {160, 120}}, {"anim.jpg", {180, 120}}};
    for (const auto &[name, size] : expected) {
      QImageReader reader(thumbs + "/" + name);
      QVERIFY2(reader.canRead(), qPrintable(thumbs + "/" + name));
      QCOMPARE(reader.format(), QByteArray("jpeg"));
      QCOMPARE(reader.size(), size);
    }
    QCOMPARE(store::read("LastProcPicName"), QString());
  }

  void folder_information_shows_the_expected_time_after_a_run() {
    Sandbox box;
    const QString folder = make_picture_folder(box);
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    main->on_Image1_Click();
    QVERIFY(!lines_of(main).contains(QStringLiteral("**予想展開時間**")));
    QCOMPARE(lines_of(main).at(3), QStringLiteral("Pic   3"));
    program_state().ratio_average = 1500;
    main->on_Image1_Click();
    const QStringList lines = lines_of(main);
    const qsizetype heading = lines.indexOf(QStringLiteral("**予想展開時間**"));
    QVERIFY(heading > 0);
    QCOMPARE(lines.at(heading + 1), QStringLiteral("4.5 秒"));
    QCOMPARE(lines.last(), QString());
  }

  void run_that_matches_nothing_says_so_and_adds_no_summary() {
    Sandbox box;
    const QString folder = box.path("pictures/tiny");
    box.make_picture(folder + "/dot.png", 40, 40);
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    SettingsMirror &mirror = settings_mirror();
    mirror.size_check = 3;
    mirror.min_width = 1000;
    mirror.min_height = 1000;
    button(main, "OK")->click();
    QCOMPARE(box.prompts, QStringList{QStringLiteral("条件に合う画像はありません。")});
    QVERIFY(lines_of(main).isEmpty());
    QVERIFY(idle(main));
    QTest::qWait(200);
    QVERIFY(box.opened_pages().isEmpty());
  }

  void stop_during_a_run_ends_it_with_the_engine_message() {
    Sandbox box;
    box.set_ini(box.program_folder(), "CpuPriority", "0");
    const QString folder = make_picture_folder(box);
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    bool stop_was_enabled = false;
    QTimer::singleShot(0, main, [&] {
      stop_was_enabled = button(main, "StopIt")->isVisible() && button(main, "StopIt")->isEnabled();
      button(main, "StopIt")->click();
    });
    button(main, "OK")->click();
    QVERIFY(stop_was_enabled);
    QCOMPARE(box.prompts.size(), 1);
    QVERIFY(!box.prompts.first().isEmpty());
    QVERIFY(lines_of(main).isEmpty());
    QVERIFY(idle(main));
    // The next run is not aborted by the old request.
    box.prompts.clear();
    button(main, "OK")->click();
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QCOMPARE(lines_of(main).size(), 7);
  }

  void stop_is_disabled_at_the_highest_cpu_priority() {
    Sandbox box;
    const QString folder = make_picture_folder(box);
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    QList<bool> stop_enabled;
    connect(main, &MainWindow::busy_changed, this, [&](bool busy) {
      if (busy) stop_enabled << button(main, "StopIt")->isEnabled();
    });
    settings_mirror().cpu_priority = 100;
    button(main, "OK")->click();
    settings_mirror().cpu_priority = 90;
    button(main, "OK")->click();
    QCOMPARE(stop_enabled, QList<bool>({false, true}));
  }

  void closing_during_a_run_stops_it_and_still_saves() {
    Sandbox box;
    box.set_ini(box.program_folder(), "CpuPriority", "0");
    const QString folder = make_picture_folder(box);
    MainWindow *main = box.start();
    QVERIFY(main);
    QPointer<MainWindow> window = main;
    main->select_folder(folder);
    QTimer::singleShot(0, main, [main] { main->close(); });
    button(main, "OK")->click();
    QCOMPARE(box.prompts.size(), 1);  // the engine's abort message
    QTRY_VERIFY(!window || !window->isVisible());
    QCOMPARE(store::read("ini"), box.program_folder());
    QCOMPARE(store::read("LastSetDir"), folder);
  }

  void cache_backup_mode_keeps_the_copy_setting() {
    Sandbox box;
    box.set_ini(box.program_folder(), "FileCopy", "1");
    // A browser cache of a mounted Windows profile, holding one picture.
    const ScopedVariable os("OS", "Windows_NT");
    const ScopedVariable profile("USERPROFILE", QFile::encodeName(box.path("profile")));
    box.make_picture(
        box.path("profile/Local Settings/Temporary Internet Files/Content.IE5/AB12CD34/ad[1].jpg"), 120, 90);
    MainWindow *main = box.start();
    QVERIFY(main);
    QCOMPARE(engine_setting(33), 1);
    settings_mirror().file_copy = 0;  // the box as the user left it; mode 2 forces 1 for its run
    main->findChild<QComboBox *>("Combo1")->setCurrentIndex(2);
    button(main, "OK")->click();
    QVERIFY(idle(main));
    QCOMPARE(engine_setting(33), 0);
  }

  void external_run_starts_quillo_and_watches_its_lock_file() {
    Sandbox box;
    const QString folder = make_picture_folder(box);
    const QString arguments = box.path("quillo.args");
    QFile fake(box.program_folder() + "/quillo");
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write(
        QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\nexec flock \"$TEMP/quillo.lok\" sleep 1.5\n")
            .arg(arguments)
            .toUtf8());
    fake.close();
    fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    const QString output = box.path("out");
    main->output_window()->set_box_text(output);
    settings_mirror().run_external = true;
    button(main, "OK")->click();
    auto *dialog = main->dialog_window();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->label(),
             box.program_folder() + "/quillo /S:8 /T:H120 /P:M4 /O:\"" + output + "\" \"" + folder + "\"");
    QTRY_COMPARE_WITH_TIMEOUT(dialog->label(), QStringLiteral("1秒経過"), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(box.prompts, QStringList{QStringLiteral("処理が終了しました")}, 6000);
    QFile args(arguments);
    QVERIFY(args.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(args.readAll()).split('\n', Qt::SkipEmptyParts),
             QStringList({"/S:8", "/T:H120", "/P:M4", "/O:" + output, folder}));
    QVERIFY(!dialog->isVisible());
    QTRY_COMPARE(box.opened_pages(), QStringList{output + "/cats/index.html"});
    QVERIFY(!QFileInfo::exists(box.temp_folder() + "/quillo.lok"));
  }
};

QUILLO_FRONTEND_TEST_MAIN(RunFlowTest)
#include "run_flow_test.moc"
