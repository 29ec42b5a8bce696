// The favourites and deletion flows of the front end against the real engine: the favourites timer builds the
// page as shortcuts arrive, the detail window shows where the favourites folders are and opens them, and the
// delete drop deletes only a picture that a catalog of the output folder links (the user's own into the
// trash, a backup copy outright).
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "detail_window.h"
#include "engine_binding.h"
#include "favourite_folders.h"
#include "prompt.h"
#include "run_controller.h"
#include "sandbox.h"

namespace {

QMimeData *text(const QString &t) {
  auto *data = new QMimeData;
  data->setText(t);
  return data;
}

// A thumbnail link as a browser hands it over when it is dragged out of a catalog page.
QString link_to(const QString &path) {
  return QStringLiteral("javascript:showcg('") + QString::fromLatin1(QUrl::toPercentEncoding(path, "/")) +
         QStringLiteral("',320,240)");
}

void write_file(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// A catalog page with one thumbnail link per path, written as the catalog writes them.
void write_catalog(const QString &page, const QStringList &links) {
  QByteArray body = "<html>\n<body>\n";
  for (const QString &link : links)
    body += "<a href=\"JavaScript:showcg('" + link.toUtf8() +
            "',20,20)\" target=\"_self\"><img src=\"x.jpg\">\n</a>\n";
  write_file(page, body + "</body>\n</html>\n");
}

QString output_folder() {
  QString output;
  engine::get_str(ZUNO_OutputPath, output);
  return output;
}

// Records the folders handed to the file manager instead of starting one.
class FolderCatcher : public QObject {
  Q_OBJECT
 public:
  FolderCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
  ~FolderCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  QStringList opened;
 public Q_SLOTS:
  void open(const QUrl &url) { opened << url.toLocalFile(); }
};

}  // namespace

class FavouritesFlowsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    qunsetenv("OS");
    qunsetenv("USERPROFILE");
    qunsetenv("WINDIR");
  }

  void the_favourites_timer_builds_the_page_as_shortcuts_arrive() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    const QString output = output_folder();
    box.make_picture(output + "/pics/Thumbs/cat.jpg", 40, 30);
    write_file(
        output + "/pics/html_1/index000000.html",
        "<a href=\"http://shop.example.com/cat.html\" target=\"_blank\"><img src=\"../Thumbs/cat.jpg\" "
        "width=\"40\" height=\"30\">\n</a>\n");
    const QString page = output + QStringLiteral("/ZunoFavorites/クイロ～のお気に入り.html");
    write_file(favourite_folders::shortcuts() + QStringLiteral("/cat.url"),
               "[InternetShortcut]\r\nURL=http://shop.example.com/cat.html\r\nBASEURL=file://" +
                   QFile::encodeName(output) + "/pics/html_1/index000000.html\r\n");
    // The timer's pace, quickened: the engine is asked on every third tick.
    auto *timer = box.started.run->findChild<QTimer *>(QStringLiteral("Timer2"));
    QVERIFY(timer);
    timer->start(1);
    QTRY_COMPARE(main->statusBar()->currentMessage(),
                 QStringLiteral("クイロ～のお気に入りに1個登録しました"));
    timer->stop();
    QFile after(page);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QVERIFY(after.readAll().contains("<a href=\"http://shop.example.com/cat.html\""));
    // Nothing changed since: the page stays as it is.
    const QDateTime written = QFileInfo(page).lastModified();
    QCOMPARE(engine::creat_favorites(), 0);
    QCOMPARE(QFileInfo(page).lastModified(), written);
    QVERIFY(!engine::last_err().contains(QStringLiteral("not implemented")));
  }

  void the_detail_window_shows_and_opens_the_favourites_folders() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    DetailWindow *d = box.started.detail;
    const QString shortcuts = box.path("data/quillo/Favorites/クイロ～");
    QCOMPARE(d->findChild<QLabel *>("FavoritesFolder")->text(), shortcuts);
    QCOMPARE(d->findChild<QLabel *>("DeleteRequestFolder")->text(), shortcuts + QStringLiteral("/削除候補"));
    FolderCatcher catcher;
    d->findChild<QPushButton *>("OpenDeleteRequests")->click();
    QCOMPARE(catcher.opened, QStringList{shortcuts + QStringLiteral("/削除候補")});
    QVERIFY(QFileInfo(shortcuts + QStringLiteral("/削除候補")).isDir());
    d->findChild<QPushButton *>("OpenFavorites")->click();
    QCOMPARE(catcher.opened.last(), shortcuts);
  }

  void a_windows_profile_keeps_the_favourites_in_the_profile() {
    Sandbox box;
    qputenv("USERPROFILE", QFile::encodeName(box.path("profile")));
    QCOMPARE(favourite_folders::delete_candidates(),
             box.path("profile") + QStringLiteral("/Favorites/クイロ～/削除候補"));
    qunsetenv("USERPROFILE");
  }

  void the_delete_drop_takes_a_linked_picture_to_the_trash() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    const QString picture = box.path("pictures/猫 の写真.jpg");
    box.make_picture(picture, 20, 20);
    write_catalog(output_folder() + "/pictures/html_1/index000000.html", {picture});
    std::unique_ptr<QMimeData> link(text(link_to(picture)));
    main->on_Label1_OLEDragDrop(link.get());
    QCOMPARE(box.prompts, QStringList{picture + QStringLiteral("を削除します。よろしいですか？")});
    QVERIFY(!QFileInfo::exists(picture));
    QVERIFY(QFileInfo::exists(box.path("data/Trash/files/猫 の写真.jpg")));
    QFile info(box.path("data/Trash/info/猫 の写真.jpg.trashinfo"));
    QVERIFY(info.open(QIODevice::ReadOnly));
    const QByteArray recorded = info.readAll();
    QVERIFY(recorded.startsWith("[Trash Info]\nPath=/"));
    QVERIFY(recorded.contains(QUrl::toPercentEncoding(picture, "/")));
    // A second picture of the same name keeps the first.
    box.make_picture(picture, 20, 20);
    main->on_Label1_OLEDragDrop(link.get());
    QVERIFY(QFileInfo::exists(box.path("data/Trash/files/猫 の写真.2.jpg")));
    QVERIFY(QFileInfo::exists(box.path("data/Trash/files/猫 の写真.jpg")));
  }

  void the_deletion_question_answers_cancel_on_enter() {
    prompt::set_handler(nullptr);
    QTimer::singleShot(0, [] {
      auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
      QVERIFY(box && box->defaultButton());
      QTest::keyClick(box, Qt::Key_Return);
    });
    QCOMPARE(prompt::show(nullptr, QStringLiteral("/p/a.jpgを削除します。よろしいですか？"),
                          prompt::Buttons::OkCancelDefaultCancel),
             prompt::Answer::Cancel);
  }

  void the_delete_drop_refuses_what_no_catalog_links() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    const QString key = box.path("home/.ssh/id_rsa");
    write_file(key, "KEY");
    write_catalog(output_folder() + "/pictures/html_1/index000000.html", {box.path("pictures/other.jpg")});
    // A forged page elsewhere does not count either.
    write_catalog(box.path("Downloads/index000000.html"), {key});
    std::unique_ptr<QMimeData> link(text(link_to(key)));
    main->on_Label1_OLEDragDrop(link.get());
    QCOMPARE(box.prompts, QStringList{key + QStringLiteral("はカタログにないので削除しません")});
    QVERIFY(QFileInfo::exists(key));
  }

  void the_delete_drop_keeps_linked_folders_and_files_that_are_no_pictures() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    const QString folder = box.path("pictures/album.jpg");
    QDir().mkpath(folder);
    const QString notes = box.path("pictures/notes.txt");
    write_file(notes, "mine");
    write_catalog(output_folder() + "/pictures/html_1/index000000.html", {folder, notes});
    for (const QString &path : {folder, notes}) {
      std::unique_ptr<QMimeData> link(text(link_to(path)));
      main->on_Label1_OLEDragDrop(link.get());
    }
    QCOMPARE(box.beeps(), 2);
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(QFileInfo::exists(notes));
  }

  void the_delete_drop_deletes_a_backup_copy_outright_with_its_cache_entry() {
    Sandbox box;
    qputenv("OS", "Windows_NT");
    qputenv("USERPROFILE", QFile::encodeName(box.path("profile")));
    MainWindow *main = box.start();
    QVERIFY(main);
    const QString output = output_folder();
    const QString copy =
        output + QStringLiteral("/Temporary Internet Files/Images/Content.IE5/ABCD1234/a[1].jpg");
    box.make_picture(copy, 20, 20);
    const QString entry =
        box.path("profile/Local Settings/Temporary Internet Files/Content.IE5/ABCD1234/a[1].jpg");
    QDir().mkpath(QFileInfo(entry).path());
    QVERIFY(QFile::copy(copy, entry));
    // The catalog names the copy relative to its own folder.
    write_catalog(output + QStringLiteral("/Temporary Internet Files/cache_view_1/index000000.html"),
                  {QStringLiteral("../Images/Content.IE5/ABCD1234/a[1].jpg")});
    main->findChild<QCheckBox *>("CacheDel")->setChecked(true);
    std::unique_ptr<QMimeData> link(text(link_to(QStringLiteral("../Images/Content.IE5/ABCD1234/a[1].jpg"))));
    main->on_Label1_OLEDragDrop(link.get());
    QCOMPARE(box.beeps(), 0);
    // The question names the file the relative link stands for, not the link.
    QCOMPARE(box.prompts.value(0), copy + QStringLiteral("を削除します。よろしいですか？"));
    QVERIFY(!QFileInfo::exists(copy));
    QVERIFY(!QFileInfo::exists(entry));
    QVERIFY(!QFileInfo::exists(box.path("data/Trash/files/a[1].jpg")));
    qunsetenv("OS");
    qunsetenv("USERPROFILE");
  }
};

QUILLO_FRONTEND_TEST_MAIN(FavouritesFlowsTest)
#include "favourites_flows_test.moc"
