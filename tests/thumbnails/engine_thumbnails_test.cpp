// Thumbnails after a real run: the library of the program folder collects a folder of pictures and writes its
// catalog, then the loop makes a file at every path the engine names, and every thumbnail the pages show
// exists.
#include <dlfcn.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QUrl>
#include <QtTest>

#include "test_pictures.h"
#include "thumbnail_loop.h"
#include "zuno.h"

using namespace thumbnails;

namespace {

// The exports this suite uses, bound from libzuno.so as the front end binds them.
struct Library {
  void *handle = nullptr;
  decltype(&ZunoInit) init = nullptr;
  decltype(&ZunoPut) put = nullptr;
  decltype(&ZunoPutStr) put_str = nullptr;
  decltype(&ZunoGetStr) get_str = nullptr;
  decltype(&ZunoNewMain) new_main = nullptr;
  decltype(&ZunoGetFiles) get_files = nullptr;
  decltype(&ZunoLastCount) last_count = nullptr;
  decltype(&ZunoLastOutPut) last_output = nullptr;
  decltype(&ZunoGetThumbInfo) get_thumb_info = nullptr;

  bool load() {
    handle = dlopen(QUILLO_PROGRAM_DIR "/libzuno.so", RTLD_NOW | RTLD_LOCAL);
    if (!handle) return false;
    bind(init, "ZunoInit");
    bind(put, "ZunoPut");
    bind(put_str, "ZunoPutStr");
    bind(get_str, "ZunoGetStr");
    bind(new_main, "ZunoNewMain");
    bind(get_files, "ZunoGetFiles");
    bind(last_count, "ZunoLastCount");
    bind(last_output, "ZunoLastOutPut");
    bind(get_thumb_info, "ZunoGetThumbInfo");
    return init && put && put_str && get_str && new_main && get_files && last_count && last_output &&
           get_thumb_info;
  }
  template <typename F>
  void bind(F &fn, const char *name) {
    fn = reinterpret_cast<F>(dlsym(handle, name));
  }
  QString text(decltype(&ZunoLastOutPut) fn) const {
    char area[ZUNO_BUFSIZE] = {};
    char *address = area;
    fn(&address);
    return QString::fromUtf8(area);
  }
  QString str(int number) const {
    char area[ZUNO_BUFSIZE] = {};
    char *address = area;
    get_str(number, &address);
    return QString::fromUtf8(area);
  }
};

Library &library() {
  static Library lib;
  return lib;
}

}  // namespace

class EngineThumbnailsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QVERIFY2(library().load(), dlerror()); }

  void everyPlacedPictureGetsTheThumbnailItsPageShows_data() {
    QTest::addColumn<int>("copy");
    QTest::newRow("pictures left in place") << 0;
    QTest::newRow("pictures copied") << 1;
  }
  void everyPlacedPictureGetsTheThumbnailItsPageShows() {
    QFETCH(int, copy);
    PictureFolder folder;
    QVERIFY(folder.valid());
    install_settings(folder);
    folder.write_picture(QStringLiteral("pics/photo.jpg"), QSize(400, 300));
    folder.write_plain(QStringLiteral("pics/clear.png"), QSize(300, 200), QColor(0, 0, 255, 60));
    folder.write_gif(QStringLiteral("pics/sub/anim.gif"), QSize(200, 100),
                     {QStringLiteral("red"), QStringLiteral("blue")});
    folder.write_picture(QStringLiteral("pics/sub/deeper/scan.bmp"), QSize(120, 160));
    folder.write_picture(QStringLiteral("pics/写真 1.JPG"), QSize(640, 480));
    folder.write_text(QStringLiteral("pics/notes.txt"), "no picture");

    const Library &lib = library();
    const QByteArray prog = folder.bytes(QStringLiteral("prog"));
    const QByteArray pics = folder.bytes(QStringLiteral("pics"));
    const QByteArray out = folder.bytes(QStringLiteral("out"));
    QDir().mkpath(folder.path(QStringLiteral("out")));
    QCOMPARE(lib.init(prog.constData()), 0);
    lib.put_str(ZUNO_OutputPath, out.constData());
    lib.put(ZUNO_FileCopy, copy);
    lib.put(ZUNO_CpuPriority, 100);
    lib.put(ZUNO_MakeThumbnail, 1);
    QCOMPARE(lib.new_main(prog.constData(), pics.constData(), out.constData()), 0);
    gather();
    const int run_time = lib.new_main(prog.constData(), pics.constData(), out.constData());
    QVERIFY2(run_time >= 0, "the run failed");

    QStringList thumbs;
    QList<QSize> sizes;
    EngineCalls calls{lib.last_count, [&](char **source, char **thumb, int *dw, int *dh, int *w, int *h) {
                        const int r = lib.get_thumb_info(source, thumb, dw, dh, w, h);
                        if (r >= 0) thumbs << QString::fromUtf8(*thumb), sizes << QSize(*dw, *dh);
                        return r;
                      }};
    QStringList trouble;
    Screen screen{[](const QString &) {},
                  [](int) {},
                  [](int) {},
                  [&](const QString &l) { trouble << l; },
                  [&](const QString &t) { trouble << t; },
                  [&](const QString &t) {
                    trouble << t;
                    return false;
                  },
                  [] { return false; },
                  {}};
    QSettings store(folder.path(QStringLiteral("store.ini")), QSettings::IniFormat);
    const Outcome outcome = ThumbnailLoop(calls, screen, store).run();
    const QString catalog = QDir(lib.text(lib.last_output)).filePath(lib.str(37));
    lib.last_count(0, nullptr, nullptr, nullptr, nullptr);
    // A catalog writer that placed no picture would leave the loop nothing to make: that is a failure too.
    QVERIFY2(!thumbs.isEmpty(), "the catalog writer named no picture for thumbnails");

    QVERIFY2(trouble.isEmpty(), qPrintable(trouble.join(u'\n')));
    QCOMPARE(thumbs.size(), 5);
    QCOMPARE(outcome.written, 5);
    for (qsizetype i = 0; i < thumbs.size(); ++i) {
      const Decoded d = decode(thumbs[i]);
      QVERIFY2(d.format == "jpeg", qPrintable(thumbs[i]));
      QCOMPARE(d.size, sizes[i]);
    }
    const QStringList shown = thumbnails_on_pages(catalog);
    QCOMPARE(shown.size(), 5);
    for (const QString &relative : shown)
      QVERIFY2(QFile::exists(QDir(catalog).filePath(relative)), qPrintable(relative));
  }

 private:
  static void install_settings(const PictureFolder &folder) {
    const QString prog = folder.path(QStringLiteral("prog"));
    QDir().mkpath(prog);
    QVERIFY(
        QFile::copy(QStringLiteral(QUILLO_PROGRAM_DIR "/quillo.ini"), prog + QStringLiteral("/quillo.ini")));
    for (const char *sub : {"html", "button"})
      QVERIFY(QFile::link(QStringLiteral(QUILLO_PROGRAM_DIR "/") + QLatin1String(sub),
                          prog + QLatin1Char('/') + QLatin1String(sub)));
  }

  static void gather() {
    char area[ZUNO_BUFSIZE] = {};
    char *address = area;
    for (int step = 0; step < 50; ++step) {
      area[0] = '\0';
      library().get_files(&address);
      const QString status = QString::fromUtf8(area);
      if (status == QStringLiteral("完了")) return;
      QVERIFY2(status != QStringLiteral("エラー") && !status.isEmpty(), "gathering failed");
    }
    QFAIL("gathering did not finish");
  }

  // Thumbnail addresses of the catalog's pages as file names relative to the catalog folder.
  static QStringList thumbnails_on_pages(const QString &catalog) {
    static const QRegularExpression thumb(QStringLiteral("[\"'](\\./Thumbs/[^\"']+\\.jpg)[\"']"));
    QStringList found;
    QDirIterator pages(catalog, {QStringLiteral("*.html")}, QDir::Files);
    while (pages.hasNext()) {
      QFile page(pages.next());
      if (!page.open(QIODevice::ReadOnly)) continue;
      const QString html = QString::fromUtf8(page.readAll());
      for (const QRegularExpressionMatch &m : thumb.globalMatch(html))
        found << QUrl::fromPercentEncoding(m.captured(1).toUtf8());
    }
    found.removeDuplicates();
    return found;
  }
};

QTEST_MAIN(EngineThumbnailsTest)
#include "engine_thumbnails_test.moc"
