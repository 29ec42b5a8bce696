// The browser-cache side of the main window against the real engine and an old browser cache on disk: the
// cache backup, its view and its site launcher started by GO; the drop menu on a picture of the backup's
// catalog; the cache folder chosen on the detail window, kept per user.
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <memory>

#include "cache_folder_box.h"
#include "detail_window.h"
#include "ie_cache_fixture.h"
#include "sandbox.h"
#include "settings_mirror.h"
#include "startup_store.h"

namespace {

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

// No Windows profile: the engine finds a cache only where the user pointed it.
struct NoProfile {
  ScopedUnset os{"OS"}, windir{"WINDIR"}, profile{"USERPROFILE"};
};

std::string encoded(const QImage &image, const char *format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes.toStdString();
}

QImage picture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor::fromHsv((width * 3 + height) % 360, 150, 210));
  return image;
}

// A mounted profile's cache: two pictures and a banner in two cache folders, and the pages that showed them.
QString make_cache(const Sandbox &box) {
  IeCache cache;
  cache.folders = {"ABCD1234", "Q9W8E7R6"};
  cache.items = {
      {"http://example.com/img/a.jpg", 0, "a[1].jpg", encoded(picture(200, 150), "JPG")},
      {"https://example.com/b.png", 1, "b[1].png", encoded(picture(160, 120), "PNG")},
      {"http://example.com/index.html", 0, "index[1].htm",
       "<html><body><a href=\"http://example.com/big/a.html\"><img src=\"img/a.jpg\"></a></body></html>"},
      // A banner and the page that linked it to its shop: the site launcher's entry.
      {"http://ads.example.com/ad468.jpg", 1, "ad468[1].jpg", encoded(picture(468, 60), "JPG")},
      {"http://example.com/news.html", 1, "news[1].htm",
       "<html><a href=\"http://shop.example.com/\"><img "
       "src=\"http://ads.example.com/ad468.jpg\"></a></html>"}};
  const QString folder = box.path("win/ann/Local Settings/Temporary Internet Files");
  write_ie_cache(folder.toStdString(), cache);
  return folder;
}

QString backup_of(const Sandbox &box) {
  return box.program_folder() + "/OUTPUT/Temporary Internet Files";
}

QPushButton *button(MainWindow *main, const char *name) {
  return main->findChild<QPushButton *>(name);
}

QStringList lines_of(MainWindow *main) {
  QStringList lines;
  auto *list = main->findChild<QListWidget *>("List1");
  for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  return lines;
}

bool idle(MainWindow *main) {
  return button(main, "OK")->isVisible() && button(main, "OK")->isEnabled() &&
         !button(main, "StopIt")->isVisible();
}

QString read_text(const QString &file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Every file below folder, relative to it.
QStringList files_below(const QString &folder) {
  QStringList found;
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) found << QDir(folder).relativeFilePath(it.next());
  found.sort();
  return found;
}

// Chooses the cache folder on the detail window's "Cache" tab as the user does: types and presses Return.
void choose_cache_folder(const Sandbox &box, const QString &text) {
  auto *text9 = box.started.detail->findChild<QLineEdit *>("Text9");
  QVERIFY(text9);
  text9->setText(text);
  QTest::keyClick(text9, Qt::Key_Return);
}

QString engine_cache_folder() {
  QString folder;
  engine::get_str(ZUNO_CacheFolder, folder);
  return folder;
}

void run_mode(MainWindow *main, int mode) {
  main->findChild<QComboBox *>("Combo1")->setCurrentIndex(mode);
  button(main, "OK")->click();
}

// The first thumbnail link of the catalog's pages, as the browser hands it over when it is dragged.
QString first_thumbnail_link(const QString &catalog) {
  static const QRegularExpression link(QStringLiteral("JavaScript:showcg\\([^)]*\\)"),
                                       QRegularExpression::CaseInsensitiveOption);
  for (const QFileInfo &page :
       QDir(catalog).entryInfoList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
    const QRegularExpressionMatch m = link.match(read_text(page.absoluteFilePath()));
    if (m.hasMatch()) return m.captured(0);
  }
  return QString();
}

QAction *menu_action(MainWindow *main, const char *name) {
  return main->findChild<QAction *>(name);
}

}  // namespace

class CacheModesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // --- the three cache modes started by GO ---

  void cache_backup_copies_the_cache_and_its_view_and_site_follow() {
    const NoProfile no_profile;
    Sandbox box;
    const QString cache = make_cache(box);
    const QStringList cache_before = files_below(cache);
    MainWindow *main = box.start();
    QVERIFY(main);
    choose_cache_folder(box, cache);
    QStringList statuses;
    QObject::connect(box.started.run, &RunController::status_changed,
                     [&statuses](const QString &text) { statuses << text; });
    const int copy_setting = engine_setting(ZUNO_FileCopy);

    run_mode(main, 2);
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QVERIFY(idle(main));
    // The analysis of the cache index is announced before the gathering and the pages.
    const qsizetype building = statuses.indexOf(QStringLiteral("データベース構築中.."));
    QVERIFY2(building >= 0, qPrintable(statuses.join('|')));
    QVERIFY(building < statuses.indexOf(QStringLiteral("HTMLファイル出力中")));
    const QString backup = backup_of(box);
    QVERIFY(QFileInfo(backup + "/Images/Content.IE5/ABCD1234/a[1].jpg").isFile());
    QVERIFY(QFileInfo(backup + "/Images/Content.IE5/Q9W8E7R6/b[1].png").isFile());
    QVERIFY(read_text(box.program_folder() + "/DB/ABCD1234analyzed_index.txt")
                .contains(QStringLiteral("http://example.com/img/a.jpg")));
    QTRY_COMPARE(box.opened_pages(), QStringList{backup + "/cache_view_1/index.html"});
    QCOMPARE(lines_of(main).size(), 7);
    QCOMPARE(engine_setting(ZUNO_FileCopy), copy_setting);

    // The backup viewed: a catalog of the copies, nothing copied again.
    const QStringList images = files_below(backup + "/Images");
    box.prompts.clear();
    run_mode(main, 3);
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QTRY_COMPARE(box.opened_pages().size(), 2);
    const QString view = box.opened_pages().last();
    QVERIFY2(view.startsWith(backup + "/cache_view_") && view.endsWith("/index.html"), qPrintable(view));
    QCOMPARE(files_below(backup + "/Images"), images);
    QCOMPARE(engine_setting(ZUNO_FileCopy), copy_setting);

    // The backup as a site launcher.
    run_mode(main, 1);
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QTRY_COMPARE(box.opened_pages().size(), 3);
    QCOMPARE(box.opened_pages().last(), backup + "/site_lunch_1/index.html");
    QVERIFY(QFileInfo(box.opened_pages().last()).isFile());

    QCOMPARE(files_below(cache), cache_before);  // the browser's cache itself is only read
    QCOMPARE(box.ini_value(box.program_folder(), "CacheFolder"), QString());
  }

  void cache_backup_of_a_missing_folder_says_so_and_makes_nothing() {
    const NoProfile no_profile;
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    const QString gone = box.path("gone/Temporary Internet Files");
    choose_cache_folder(box, gone);
    QCOMPARE(box.started.detail->findChild<QLabel *>("Label13")->text(),
             QStringLiteral("フォルダが見つかりません"));
    run_mode(main, 2);
    QCOMPARE(
        box.prompts,
        QStringList{QStringLiteral("処理に失敗しました。\nキャッシュフォルダが見つかりません: ") + gone});
    QVERIFY(idle(main));
    QVERIFY(lines_of(main).isEmpty());
    QVERIFY(!QFileInfo::exists(backup_of(box)));
    QVERIFY(!QFileInfo::exists(box.program_folder() + "/DB"));
    QTest::qWait(200);
    QVERIFY(box.opened_pages().isEmpty());
  }

  // --- the drop menu on a picture dragged out of the backup's catalog ---

  void drop_menu_finds_the_address_and_the_page_of_a_backup_picture() {
    const NoProfile no_profile;
    Sandbox box;
    const QString cache = make_cache(box);
    MainWindow *main = box.start();
    QVERIFY(main);
    choose_cache_folder(box, cache);
    run_mode(main, 2);
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QTRY_COMPARE(box.opened_pages().size(), 1);
    const QString link = first_thumbnail_link(backup_of(box) + "/cache_view_1");
    QVERIFY2(link.contains("a[1]"), qPrintable(link));

    auto *data = new QMimeData;
    data->setText(link);
    std::unique_ptr<QMimeData> drop(data);
    main->on_Dir1_OLEDragDrop(drop.get());
    auto *menu = main->findChild<QMenu *>("mDropItem");
    QTRY_VERIFY(menu->isVisible());
    menu->hide();

    QApplication::clipboard()->clear();
    menu_action(main, "mGetURLtoCB")->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("http://example.com/img/a.jpg"));
    menu_action(main, "mGetURL")->trigger();
    QTRY_COMPARE(box.opened_pages().size(), 2);
    QCOMPARE(box.opened_pages().last(), QStringLiteral("http://example.com/img/a.jpg"));
    menu_action(main, "mGetLinkL1")->trigger();
    QTRY_COMPARE(box.opened_pages().size(), 3);
    QCOMPARE(box.opened_pages().last(), QStringLiteral("http://example.com/index.html"));
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));

    // No cached page shows the page itself: the second level is not found and nothing is opened.
    menu_action(main, "mGetLinkL2")->trigger();
    QCOMPARE(box.prompts, QStringList{QStringLiteral("Level2の検出に失敗しました")});
    QTest::qWait(200);
    QCOMPARE(box.opened_pages().size(), 3);
  }

  void drop_menu_on_a_picture_the_index_does_not_know_says_detection_failed() {
    const NoProfile no_profile;
    Sandbox box;
    const QString cache = make_cache(box);
    MainWindow *main = box.start();
    QVERIFY(main);
    choose_cache_folder(box, cache);
    run_mode(main, 2);
    QTRY_COMPARE(box.opened_pages().size(), 1);
    box.prompts.clear();
    auto *data = new QMimeData;
    data->setText(QStringLiteral("javascript:showcg('") + backup_of(box) +
                  "/Images/Content.IE5/ABCD1234/unknown[1].jpg',10,10)");
    std::unique_ptr<QMimeData> drop(data);
    main->on_Dir1_OLEDragDrop(drop.get());
    QApplication::clipboard()->setText(QStringLiteral("before"));
    for (const char *item : {"mGetURLtoCB", "mGetURL", "mGetLinkL1"}) menu_action(main, item)->trigger();
    const QString failed = QStringLiteral("検出に失敗しました");
    QCOMPARE(box.prompts, QStringList({failed, failed, failed}));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
    QTest::qWait(200);
    QCOMPARE(box.opened_pages().size(), 1);
  }

  // --- the cache folder chooser ---

  void chosen_cache_folder_is_kept_per_user_and_never_in_the_settings_file() {
    const NoProfile no_profile;
    Sandbox box;
    const QString cache = make_cache(box);
    const QString shared = box.path("shared/Temporary Internet Files");
    box.set_ini(box.program_folder(), "CacheFolder", shared);
    MainWindow *main = box.start();
    QVERIFY(main);
    // Nothing chosen yet: the engine keeps the settings file's folder.
    QCOMPARE(box.started.detail->findChild<QLineEdit *>("Text9")->text(), QString());
    QCOMPARE(engine_cache_folder(), shared);

    // Content.IE5 picked by mistake stands for the folder that holds it.
    choose_cache_folder(box, cache + "/Content.IE5/");
    QCOMPARE(box.started.detail->findChild<QLineEdit *>("Text9")->text(), cache);
    QCOMPARE(box.started.detail->findChild<QLabel *>("Label13")->text(),
             QStringLiteral("Content.IE5 のあるフォルダです"));
    QCOMPARE(store::read("CacheFolder"), cache);
    QCOMPARE(engine_cache_folder(), cache);

    // Writing the settings file leaves the file's own folder there; the engine goes on with the user's.
    box.started.detail->findChild<QPushButton *>("Command3")->click();
    QCOMPARE(box.ini_value(box.program_folder(), "CacheFolder"), shared);
    QCOMPARE(engine_cache_folder(), cache);
    // A run leaves it so too.
    run_mode(main, 2);
    QTRY_COMPARE(box.opened_pages().size(), 1);
    QCOMPARE(box.ini_value(box.program_folder(), "CacheFolder"), shared);
    QCOMPARE(engine_cache_folder(), cache);

    // An emptied box gives the choice back to the engine.
    choose_cache_folder(box, "  ");
    QCOMPARE(store::read("CacheFolder"), QString());
    QCOMPARE(engine_cache_folder(), shared);
    choose_cache_folder(box, cache);
    main->close();
    QCOMPARE(box.ini_value(box.program_folder(), "CacheFolder"), shared);
    QCOMPARE(store::read("CacheFolder"), cache);
  }

  void stored_cache_folder_is_shown_and_used_from_the_start() {
    const NoProfile no_profile;
    Sandbox box;
    const QString cache = make_cache(box);
    store::write("CacheFolder", cache);
    MainWindow *main = box.start();
    QVERIFY(main);
    QCOMPARE(box.started.detail->findChild<QLineEdit *>("Text9")->text(), cache);
    QCOMPARE(engine_cache_folder(), cache);
    run_mode(main, 2);
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QVERIFY(QFileInfo(backup_of(box) + "/Images/Content.IE5/ABCD1234/a[1].jpg").isFile());
  }

  // A desktop with Chromium and no Windows profile: the cache is offered by browser and profile, and the
  // cache backup works without any choice.
  void found_chromium_cache_is_offered_and_backed_up_unconfigured() {
    const NoProfile no_profile;
    Sandbox box;
    const QString cache = box.path(QStringLiteral("cache/chromium/Default/Cache/Cache_Data"));
    QVERIFY(QDir().mkpath(cache));
    // The logo and the page that showed it inside an anchor, as Chromium stored them.
    for (const char *entry : {"04c41b4efa8f1ebb_0", "0ed5a233c8cc6e7d_0"})
      QVERIFY(QFile::copy(QStringLiteral(QUILLO_SOURCE_DIR "/tests/data/browser-caches/chromium/") + entry,
                          cache + QLatin1Char('/') + entry));
    const QStringList cache_before = files_below(cache);
    MainWindow *main = box.start();
    QVERIFY(main);
    CacheFolderBox *chooser = box.started.detail->browser_cache_box();
    chooser->refresh_found();
    auto *list = chooser->findChild<QComboBox *>("CacheList");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QStringLiteral("自動: Chromium (Default)"));
    QCOMPARE(list->itemText(1), QStringLiteral("Chromium (Default)"));

    run_mode(main, 2);
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    const QString backup = box.program_folder() + "/OUTPUT/chromium-Default";
    QVERIFY(QFileInfo(backup + "/Images/Content.IE5/CRCACHE0/logo[1].png").isFile());
    QTRY_COMPARE(box.opened_pages(), QStringList{backup + "/cache_view_1/index.html"});
    QCOMPARE(files_below(cache), cache_before);

    // A thumbnail dropped on the main window: its address and the page that showed it.
    auto *data = new QMimeData;
    data->setText(first_thumbnail_link(backup + "/cache_view_1"));
    QVERIFY2(data->text().contains("logo[1]"), qPrintable(data->text()));
    std::unique_ptr<QMimeData> drop(data);
    main->on_Dir1_OLEDragDrop(drop.get());
    auto *menu = main->findChild<QMenu *>("mDropItem");
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
    menu_action(main, "mGetURLtoCB")->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("http://127.0.0.1:8731/logo.png"));
    menu_action(main, "mGetLinkL1")->trigger();
    QTRY_COMPARE(box.opened_pages().size(), 2);
    QCOMPARE(box.opened_pages().last(), QStringLiteral("http://127.0.0.1:8731/index.html"));
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));

    // Picked from the list, the cache is the user's choice, shown in the box.
    list->setCurrentIndex(1);
    Q_EMIT list->activated(1);
    QCOMPARE(chooser->findChild<QLineEdit *>("Text9")->text(), cache);
    QCOMPARE(engine_cache_folder(), cache);
  }

  void chooser_reads_what_the_user_meant() {
    QCOMPARE(CacheFolderBox::cache_folder_of(QStringLiteral("  /mnt/w/Temporary Internet Files//  ")),
             QStringLiteral("/mnt/w/Temporary Internet Files"));
    QCOMPARE(CacheFolderBox::cache_folder_of(QStringLiteral("/mnt/w/TIF/content.ie5")),
             QStringLiteral("/mnt/w/TIF"));
    QCOMPARE(CacheFolderBox::cache_folder_of(QStringLiteral("/mnt/w/Content.IE5x")),
             QStringLiteral("/mnt/w/Content.IE5x"));
    QCOMPARE(CacheFolderBox::cache_folder_of(QStringLiteral("   ")), QString());
    QCOMPARE(CacheFolderBox::cache_folder_of(QStringLiteral("/")), QStringLiteral("/"));
    const QTemporaryDir dir;
    QCOMPARE(CacheFolderBox::hint_for(dir.path()),
             QStringLiteral("このフォルダにはブラウザのキャッシュがありません"));
    QDir(dir.path()).mkpath(QStringLiteral("cache2/entries"));
    QCOMPARE(CacheFolderBox::hint_for(dir.path()), QStringLiteral("Firefox のキャッシュです"));
    QVERIFY(CacheFolderBox::hint_for(QString()).contains(QStringLiteral("空欄")));
  }
};

QUILLO_FRONTEND_TEST_MAIN(CacheModesTest)
#include "cache_modes_test.moc"
