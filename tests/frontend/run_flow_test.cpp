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
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cmath>

#include "dialog_window.h"
#include "engine_binding.h"
#include "external_run.h"
#include "output_window.h"
#include "program_state.h"
#include "property_dialog.h"
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

// Takes a variable out of the environment for one test and puts it back afterwards.
struct ScopedUnset {
  explicit ScopedUnset(const char *name) : name(name), was_set(qEnvironmentVariableIsSet(name)) {
    old = qgetenv(name);
    qunsetenv(name);
  }
  ~ScopedUnset() {
    if (was_set) qputenv(name, old);
  }
  const char *name;
  bool was_set;
  QByteArray old;
};

// Writes an executable shell script.
void write_script(const QString &file, const QString &text) {
  QFile script(file);
  QVERIFY(script.open(QIODevice::WriteOnly));
  script.write(text.toUtf8());
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Lines of a text file, none when it is missing.
QStringList file_lines(const QString &file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

// The program folder's quillo is the real one, with the search-word module it loads from its own folder; it
// reads the sandbox's settings beside it.
void install_real_quillo(const Sandbox &box) {
  const QString built = QStringLiteral(QUILLO_PROGRAM_DIR);
  QVERIFY(QFile::copy(built + "/quillo", box.program_folder() + "/quillo"));
  QVERIFY(QFile::link(built + "/librexp32.so", box.program_folder() + "/librexp32.so"));
}

// The thumbnail files ("./Thumbs/….jpg") the catalog's pages link, each once.
QStringList thumbnail_links_in(const QString &catalog) {
  static const QRegularExpression thumb(QStringLiteral("[\"'](\\./Thumbs/[^\"']+\\.jpg)[\"']"));
  QStringList found;
  for (const QFileInfo &page : QDir(catalog).entryInfoList({QStringLiteral("*.html")}, QDir::Files)) {
    QFile file(page.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QString html = QString::fromUtf8(file.readAll());
    for (const QRegularExpressionMatch &m : thumb.globalMatch(html))
      found << QUrl::fromPercentEncoding(m.captured(1).toUtf8());
  }
  found.removeDuplicates();
  return found;
}

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
    QVERIFY(std::abs(program_state().ratio_average - run_time / 3.0) < 0.001);

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
    // Ticked as a user does, so that the box's own handler puts the choice into the settings.
    auto *make_thumb = main->findChild<QCheckBox *>("MakeThumb");
    QVERIFY(!make_thumb->isChecked());
    QTest::mouseClick(make_thumb, Qt::LeftButton, {}, make_thumb->rect().center());
    QVERIFY(make_thumb->isChecked());
    QCOMPARE(settings_mirror().make_thumb, 1);
    int thumbnails_during_run = -1;
    const QMetaObject::Connection watch =
        connect(box.started.run, &RunController::busy_changed, this, [&](bool busy) {
          if (busy) thumbnails_during_run = engine_setting(ZUNO_MakeThumbnail);
        });
    button(main, "OK")->click();
    disconnect(watch);
    QCOMPARE(thumbnails_during_run, 1);
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
    // The catalog's pages link every thumbnail, and each link leads to a file on disk.
    const QString catalog = QFileInfo(box.opened_pages().first()).absolutePath();
    const QStringList linked = thumbnail_links_in(catalog);
    QCOMPARE(linked.size(), expected.size());
    for (const QString &relative : linked)
      QVERIFY2(QFileInfo(QDir(catalog).filePath(relative)).isFile(), qPrintable(relative));
  }

  void thumbnail_box_left_unticked_makes_no_thumbnails() {
    Sandbox box;
    const QString folder = box.path("pictures/plain");
    box.make_picture(folder + "/photo.jpg", 320, 240);
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    auto *make_thumb = main->findChild<QCheckBox *>("MakeThumb");
    QTest::mouseClick(make_thumb, Qt::LeftButton, {}, make_thumb->rect().center());
    QTest::mouseClick(make_thumb, Qt::LeftButton, {}, make_thumb->rect().center());
    QVERIFY(!make_thumb->isChecked());
    QCOMPARE(settings_mirror().make_thumb, 0);
    button(main, "OK")->click();
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QTRY_COMPARE(box.opened_pages().size(), 1);
    const QString catalog = QFileInfo(box.opened_pages().first()).absolutePath();
    QVERIFY(!QFileInfo::exists(catalog + "/Thumbs"));
    QVERIFY(thumbnail_links_in(catalog).isEmpty());
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
    // A fast machine's fraction of a millisecond per picture still gives an estimate.
    program_state().ratio_average = 0.2;
    main->on_Image1_Click();
    QCOMPARE(lines_of(main).at(lines_of(main).size() - 2), QStringLiteral("0.001 秒"));
  }

  void folder_information_counts_totals_beyond_two_gibibytes() {
    Sandbox box;
    const QString folder = make_picture_folder(box);
    for (const QString name : {"big1.jpg", "big2.jpg", "big3.jpg"}) {
      QFile big(folder + "/" + name);  // sparse: a gibibyte each that takes no disk
      QVERIFY(big.open(QIODevice::WriteOnly));
      QVERIFY(big.resize(qint64{1} << 30));
    }
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    main->on_Image1_Click();
    const QString total = lines_of(main).at(4);
    QVERIFY2(total.startsWith(QStringLiteral("Total size 31457")), qPrintable(total));  // 3 GiB and a little
    QVERIFY(total.endsWith(QStringLiteral("Kbyte")));
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
    connect(box.started.run, &RunController::busy_changed, this, [&](bool busy) {
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
    QCOMPARE(engine_setting(ZUNO_FileCopy), 1);
    settings_mirror().file_copy = 0;  // the box as the user left it; mode 2 forces 1 for its run
    main->findChild<QComboBox *>("Combo1")->setCurrentIndex(2);
    button(main, "OK")->click();
    QVERIFY(idle(main));
    QCOMPARE(engine_setting(ZUNO_FileCopy), 0);
  }

  void external_run_starts_quillo_and_watches_its_lock_file() {
    Sandbox box;
    const QString folder = make_picture_folder(box);
    const QString arguments = box.path("quillo.args");
    const QString output = box.path("out");
    const QString page = output + "/cats/html_1/index.html";
    // Like quillo: holds the lock while it works, prints the entry page it wrote.
    write_script(box.program_folder() + "/quillo",
                 QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n"
                                "mkdir -p '%2' && echo '<html></html>' > '%3' && echo '%3'\n"
                                "lock=\"$TEMP/quillo-$(id -u)\"; mkdir -p -m 700 \"$lock\"\n"
                                "exec flock \"$lock/quillo.lok\" sleep 1.5\n")
                     .arg(arguments, QFileInfo(page).absolutePath(), page));
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    QDir().mkpath(output);  // GO offers to make a missing one first
    box.started.output->set_box_text(output);
    settings_mirror().run_external = true;
    box.started.property->findChild<QScrollBar *>(QStringLiteral("hsDay"))
        ->setValue(3);  // "1時間前", not yet in the file
    button(main, "OK")->click();
    QCOMPARE(box.ini_value(box.program_folder(), "UnderLimits"), QStringLiteral("3"));
    auto *dialog = box.started.dialog;
    QVERIFY(dialog->isVisible());
    // The settings make no thumbnail files: quillo, which makes them by default, is told so.
    QCOMPARE(dialog->label(), box.program_folder() + "/quillo /S:8 /T:H120 /P:M4 --no-thumbnails /O:\"" +
                                  output + "\" \"" + folder + "\"");
    QTRY_COMPARE_WITH_TIMEOUT(dialog->label(), QStringLiteral("1秒経過"), 3000);
    QVERIFY(!button(main, "OK")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(box.prompts, QStringList{QStringLiteral("処理が終了しました")}, 6000);
    QCOMPARE(file_lines(arguments),
             QStringList({"/S:8", "/T:H120", "/P:M4", "--no-thumbnails", "/O:" + output, folder}));
    QVERIFY(!dialog->isVisible());
    QVERIFY(button(main, "OK")->isEnabled());
    QTRY_COMPARE(box.opened_pages(), QStringList{page});
    QVERIFY(!QFileInfo::exists(external_run::lock_file_path()));
  }

  // --- runs that fail: the user is told why, and no page that was not written is opened ---

  void run_into_a_missing_output_folder_reports_the_engine_error() {
    Sandbox box;
    const QString folder = make_picture_folder(box);
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    box.started.output->set_box_text(box.path("gone/out"));
    box.started.run->go(RunMode::Normal, folder, false);  // GO itself offers to make the folder first
    QCOMPARE(box.prompts, QStringList{QStringLiteral("処理に失敗しました。\n出力フォルダが見つかりません")});
    QVERIFY(lines_of(main).isEmpty());
    QVERIFY(idle(main));
    QTest::qWait(200);
    QVERIFY(box.opened_pages().isEmpty());
    QVERIFY(!QFileInfo::exists(box.path("gone")));
    // The failed run let go of the engine: the next run into an existing folder works.
    box.prompts.clear();
    box.started.output->set_box_text(box.program_folder() + "/OUTPUT");
    button(main, "OK")->click();
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QCOMPARE(lines_of(main).size(), 7);
    QTRY_COMPARE(box.opened_pages().size(), 1);
  }

  void cache_modes_without_a_cache_folder_report_the_failure() {
    Sandbox box;
    // No Windows profile and no browser caches below a home of its own.
    const ScopedUnset os("OS"), windir("WINDIR"), profile("USERPROFILE");
    const ScopedVariable home("HOME", QFile::encodeName(box.path("home")));
    const ScopedVariable cache("XDG_CACHE_HOME", QFile::encodeName(box.path("home/.cache")));
    QDir().mkpath(box.path("home/.cache"));
    const QString folder = make_picture_folder(box);
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    const QString lead = QStringLiteral("処理に失敗しました。\n");
    for (int mode : {1, 2, 3}) {
      box.prompts.clear();
      main->findChild<QComboBox *>("Combo1")->setCurrentIndex(mode);
      button(main, "OK")->click();
      QCOMPARE(box.prompts.size(), 1);
      const QString shown = box.prompts.first();
      QVERIFY2(shown.startsWith(lead) && shown.size() > lead.size(), qPrintable(shown));
      QVERIFY2(!shown.contains(QStringLiteral("条件に合う画像はありません")), qPrintable(shown));
      QVERIFY(idle(main));
    }
    QVERIFY(lines_of(main).isEmpty());
    QTest::qWait(200);
    QVERIFY(box.opened_pages().isEmpty());
    // Each failed run ended its collection: a normal run still works afterwards.
    box.prompts.clear();
    main->findChild<QComboBox *>("Combo1")->setCurrentIndex(0);
    button(main, "OK")->click();
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QCOMPARE(lines_of(main).size(), 7);
  }

  void a_catalog_page_that_is_not_on_disk_is_never_opened() {
    Sandbox box;
    const QString folder = make_picture_folder(box);
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    // No run has written a catalog yet: the browser step finds no page.
    box.started.run->show_result_in_browser();
    QCOMPARE(box.prompts.size(), 1);
    QVERIFY2(box.prompts.first().startsWith(QStringLiteral("カタログのページが作られていません。")),
             qPrintable(box.prompts.first()));
    QVERIFY(idle(main));
    QTest::qWait(200);
    QVERIFY(box.opened_pages().isEmpty());
  }

  void failed_external_run_shows_quillo_s_reason_and_gives_go_back() {
    Sandbox box;
    const QString folder = make_picture_folder(box);
    const QString starts = box.path("quillo.starts");
    write_script(box.program_folder() + "/quillo",
                 QStringLiteral("#!/bin/sh\necho started >> '%1'\n"
                                "echo 'quillo: ファイル読み込み中' >&2\nsleep 1.2\n"
                                "echo 'quillo: disk on fire' >&2\nexit 4\n")
                     .arg(starts));
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    QDir().mkpath(box.path("out"));  // GO offers to make a missing one first
    box.started.output->set_box_text(box.path("out"));
    settings_mirror().run_external = true;
    button(main, "OK")->click();
    QVERIFY(!button(main, "OK")->isEnabled());
    button(main, "OK")->click();  // a disabled GO starts nothing
    QTRY_COMPARE_WITH_TIMEOUT(box.prompts.size(), 1, 5000);
    QCOMPARE(box.prompts.first(),
             QStringLiteral("quillo の処理に失敗しました（終了コード 4）。\ndisk on fire"));
    QCOMPARE(file_lines(starts).size(), 1);
    QVERIFY(button(main, "OK")->isEnabled());
    QVERIFY(!box.started.dialog->isVisible());
    QTest::qWait(300);
    QVERIFY(box.opened_pages().isEmpty());
    // GO works again: a second run starts quillo once more.
    button(main, "OK")->click();
    QTRY_COMPARE_WITH_TIMEOUT(box.prompts.size(), 2, 5000);
    QCOMPARE(file_lines(starts).size(), 2);
  }

  void external_run_of_a_vanished_folder_reports_quillo_s_reason() {
    Sandbox box;
    install_real_quillo(box);
    const QString folder = make_picture_folder(box);
    MainWindow *main = box.start();
    QVERIFY(main);
    main->select_folder(folder);
    box.started.output->set_box_text(box.path("out"));
    QVERIFY(QDir(folder).removeRecursively());
    settings_mirror().run_external = true;
    box.started.run->go(RunMode::Normal, folder, false);  // GO itself reports the vanished folder first
    QTRY_COMPARE_WITH_TIMEOUT(box.prompts.size(), 1, 10000);
    QCOMPARE(box.prompts.first(),
             QStringLiteral("quillo の処理に失敗しました（終了コード 1）。\n対象フォルダが見つかりません: ") +
                 folder);
    QVERIFY(button(main, "OK")->isEnabled());
    QTest::qWait(200);
    QVERIFY(box.opened_pages().isEmpty());
  }

  void external_run_keeps_a_folder_name_with_quotes_whole() {
    Sandbox box;
    install_real_quillo(box);
    const QString folder = box.path("pictures/say \"cheese\" now");
    box.make_picture(folder + "/smile.jpg", 320, 240);
    box.make_picture(folder + "/grin.png", 200, 150);
    MainWindow *main = box.start();
    QVERIFY(main);
    QVERIFY(main->select_folder(folder));
    const QString output = box.path("out");
    QDir().mkpath(output);  // GO offers to make a missing one first
    box.started.output->set_box_text(output);
    settings_mirror().run_external = true;
    button(main, "OK")->click();
    QTRY_COMPARE_WITH_TIMEOUT(box.prompts, QStringList{QStringLiteral("処理が終了しました")}, 20000);
    QTRY_COMPARE(box.opened_pages().size(), 1);
    const QString page = box.opened_pages().first();
    QVERIFY2(page.startsWith(output + "/say \"cheese\" now/"), qPrintable(page));
    QVERIFY2(QFileInfo(page).isFile(), qPrintable(page));
    QVERIFY(!QFileInfo::exists(output + "/say "));
    QVERIFY(button(main, "OK")->isEnabled());
  }
};

QUILLO_FRONTEND_TEST_MAIN(RunFlowTest)
#include "run_flow_test.moc"
