// Thumbnails of WebP (Qt's image plugin) and AVIF (libavif) pictures: read at their own size and turned as
// the file says, shrunk on the way for a thumbnail, refused when damaged; and a folder of them run through
// the real engine gets every thumbnail at the size the engine asks for, as a folder of JPEGs does.
#include <dlfcn.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QtTest>

#include "avif_picture.h"
#include "picture_io.h"
#include "test_pictures.h"
#include "thumbnail_loop.h"
#include "zuno.h"

using namespace thumbnails;

namespace {

bool run(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// ImageMagick's convert with a plasma picture of the size, written in the format of the name's extension.
QString convert(const PictureFolder &folder, const QString &name, QSize size, const QStringList &extra = {}) {
  const QString path = folder.path(name);
  QDir().mkpath(QFileInfo(path).path());
  QStringList args{QStringLiteral("-seed"), QStringLiteral("3"), QStringLiteral("-size"),
                   QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                   QStringLiteral("plasma:red-blue")};
  if (!run(QStringLiteral("/usr/bin/convert"), args + extra + QStringList{path})) return {};
  return path;
}

// The libavif test maker: stored W x H, red left half, blue right half, green top-left quarter.
QString make_avif(const PictureFolder &folder, const QString &name, QSize stored,
                  const QStringList &extra = {}) {
  const QString path = folder.path(name);
  QDir().mkpath(QFileInfo(path).path());
  if (!run(QStringLiteral(MAKE_AVIF),
           QStringList{path, QString::number(stored.width()), QString::number(stored.height())} + extra))
    return {};
  return path;
}

QByteArray contents(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Library {
  void *handle = nullptr;
  decltype(&ZunoInit) init = nullptr;
  decltype(&ZunoPut) put = nullptr;
  decltype(&ZunoPutStr) put_str = nullptr;
  decltype(&ZunoNewMain) new_main = nullptr;
  decltype(&ZunoGetFiles) get_files = nullptr;
  decltype(&ZunoLastCount) last_count = nullptr;
  decltype(&ZunoGetThumbInfo) get_thumb_info = nullptr;

  bool load() {
    handle = dlopen(QUILLO_PROGRAM_DIR "/libzuno.so", RTLD_NOW | RTLD_LOCAL);
    if (!handle) return false;
    bind(init, "ZunoInit");
    bind(put, "ZunoPut");
    bind(put_str, "ZunoPutStr");
    bind(new_main, "ZunoNewMain");
    bind(get_files, "ZunoGetFiles");
    bind(last_count, "ZunoLastCount");
    bind(get_thumb_info, "ZunoGetThumbInfo");
    return init && put && put_str && new_main && get_files && last_count && get_thumb_info;
  }
  template <typename F>
  void bind(F &fn, const char *name) {
    fn = reinterpret_cast<F>(dlsym(handle, name));
  }
};

}  // namespace

class WebpAvifThumbnailsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void webpOfEveryEncodingIsReadAtItsSize() {
    PictureFolder folder;
    const QString lossy = convert(folder, QStringLiteral("lossy.webp"), QSize(123, 45), {"-quality", "60"});
    const QString lossless =
        convert(folder, QStringLiteral("lossless.webp"), QSize(45, 123), {"-define", "webp:lossless=true"});
    QVERIFY(!lossy.isEmpty() && !lossless.isEmpty());
    QCOMPARE(read_picture(lossy.toUtf8()).size(), QSize(123, 45));
    QCOMPARE(read_picture(lossless.toUtf8()).size(), QSize(45, 123));
    const QString anim = folder.path(QStringLiteral("anim.webp"));
    QVERIFY(run(QStringLiteral("/usr/bin/convert"),
                {"-delay", "10", "-size", "60x40", "xc:red", "xc:blue", "-loop", "0", anim}));
    const QImage first = read_picture(anim.toUtf8());
    QCOMPARE(first.size(), QSize(60, 40));
    QVERIFY2(near(first.pixelColor(30, 20), Qt::red), "an animation's thumbnail is its first frame");
    // Named like a JPEG, read as what it is.
    QVERIFY(QFile::copy(lossy, folder.path(QStringLiteral("misnamed.jpg"))));
    QCOMPARE(read_picture(folder.bytes(QStringLiteral("misnamed.jpg"))).size(), QSize(123, 45));
  }

  void avifIsReadAtItsSizeAndTurnedAsTheFileSays() {
    PictureFolder folder;
    const QString plain = convert(folder, QStringLiteral("plain.avif"), QSize(90, 40));
    QVERIFY(!plain.isEmpty());
    QVERIFY(looks_like_avif(contents(plain).left(64)));
    QCOMPARE(read_picture(plain.toUtf8()).size(), QSize(90, 40));

    const QImage upright =
        read_picture(make_avif(folder, QStringLiteral("upright.avif"), QSize(80, 60)).toUtf8());
    QCOMPARE(upright.size(), QSize(80, 60));
    QVERIFY(near(upright.pixelColor(5, 5), Qt::green, 30));
    QVERIFY(near(upright.pixelColor(5, 55), Qt::red, 30));
    QVERIFY(near(upright.pixelColor(75, 30), Qt::blue, 30));
    // A quarter turn anticlockwise: the blue right half comes to the top, the green quarter to the bottom
    // left.
    const QImage turned = read_picture(
        make_avif(folder, QStringLiteral("turned.avif"), QSize(80, 60), {"--angle", "1"}).toUtf8());
    QCOMPARE(turned.size(), QSize(60, 80));
    QVERIFY(near(turned.pixelColor(30, 5), Qt::blue, 30));
    QVERIFY(near(turned.pixelColor(5, 75), Qt::green, 30));
    QVERIFY(near(turned.pixelColor(55, 75), Qt::red, 30));
    // A sequence shows its first frame (the later ones are darker blue).
    const QImage first = read_picture(
        make_avif(folder, QStringLiteral("seq.avif"), QSize(40, 30), {"--frames", "3"}).toUtf8());
    QCOMPARE(first.size(), QSize(40, 30));
    QVERIFY(near(first.pixelColor(35, 15), Qt::blue, 30));
    // Mirrored left to right: blue on the left.
    const QImage mirrored = read_picture(
        make_avif(folder, QStringLiteral("mirror.avif"), QSize(80, 60), {"--mirror", "1"}).toUtf8());
    QVERIFY(near(mirrored.pixelColor(5, 30), Qt::blue, 30));
    QVERIFY(near(mirrored.pixelColor(75, 5), Qt::green, 30));
  }

  void avifShrinksOnTheWayButNeverBelowTheAskedSize() {
    PictureFolder folder;
    const QByteArray big = make_avif(folder, QStringLiteral("big.avif"), QSize(1200, 900)).toUtf8();
    const QImage small = read_picture(big, QSize(80, 60));
    QVERIFY2(small.width() >= 80 && small.height() >= 60,
             qPrintable(QStringLiteral("%1x%2").arg(small.width()).arg(small.height())));
    QVERIFY2(small.width() < 160, "shrunk inside the reader");
    QVERIFY(near(small.pixelColor(2, 2), Qt::green, 30));
    QVERIFY(near(small.pixelColor(small.width() - 2, small.height() / 2), Qt::blue, 30));
    // Turned: the asked size is the turned picture's, and the result keeps that orientation.
    const QByteArray tall =
        make_avif(folder, QStringLiteral("tall.avif"), QSize(1200, 900), {"--angle", "3"}).toUtf8();
    const QImage t = read_picture(tall, QSize(60, 80));
    QVERIFY(t.width() >= 60 && t.height() >= 80 && t.height() > t.width());
    const QImage fitted = fit_picture(t, QSize(60, 80));
    QCOMPARE(fitted.size(), QSize(60, 80));
  }

  void avifWithTransparencyLiesOverWhite() {
    PictureFolder folder;
    // ImageMagick drops an AVIF's transparency; libavif keeps it.
    const QString clear = make_avif(folder, QStringLiteral("clear.avif"), QSize(40, 30), {"--alpha", "0"});
    QVERIFY(!clear.isEmpty());
    const QImage image = read_picture(clear.toUtf8());
    QVERIFY(image.hasAlphaChannel());
    QVERIFY(near(fit_picture(image, QSize(20, 15)).pixelColor(10, 7), Qt::white));
    // The transparency is shrunk with the colours.
    const QString big =
        make_avif(folder, QStringLiteral("big-clear.avif"), QSize(400, 300), {"--alpha", "0"});
    const QImage reduced = read_picture(big.toUtf8(), QSize(40, 30));
    QVERIFY(reduced.width() < 80 && reduced.hasAlphaChannel());
    QVERIFY(near(fit_picture(reduced, QSize(40, 30)).pixelColor(20, 15), Qt::white));
  }

  void damagedOrForeignAvifGivesNoPicture() {
    PictureFolder folder;
    const QByteArray whole = contents(make_avif(folder, QStringLiteral("whole.avif"), QSize(64, 48)));
    QVERIFY(whole.size() > 200);
    folder.write_text(QStringLiteral("cut.avif"), whole.left(whole.size() * 2 / 3));
    QVERIFY(read_picture(folder.bytes(QStringLiteral("cut.avif"))).isNull());
    QByteArray scrambled = whole;
    for (qsizetype i = whole.size() - 60; i < whole.size(); ++i) scrambled[i] = char(0xFF);
    folder.write_text(QStringLiteral("scrambled.avif"), scrambled);
    read_picture(folder.bytes(QStringLiteral("scrambled.avif")));  // any answer but a crash
    QByteArray heic = whole;
    heic.replace(8, 4, "heic");
    heic.replace(16, 4, "heic");
    QVERIFY(!looks_like_avif(heic.left(64)));
    folder.write_text(QStringLiteral("only-ftyp.avif"), whole.left(32));
    QVERIFY(read_picture(folder.bytes(QStringLiteral("only-ftyp.avif"))).isNull());
    QVERIFY(decode_avif(QByteArray()).isNull());
    // A PNG that calls itself AVIF is still a PNG.
    folder.write_picture(QStringLiteral("png.avif"), QSize(30, 20), "png");
    QCOMPARE(read_picture(folder.bytes(QStringLiteral("png.avif"))).size(), QSize(30, 20));
  }

  void aFolderOfWebpAndAvifGetsEveryThumbnailLikeJpegs() {
    Library lib;
    QVERIFY2(lib.load(), dlerror());
    PictureFolder folder;
    const QString prog = folder.path(QStringLiteral("prog"));
    QDir().mkpath(prog);
    QVERIFY(
        QFile::copy(QStringLiteral(QUILLO_PROGRAM_DIR "/quillo.ini"), prog + QStringLiteral("/quillo.ini")));
    for (const char *sub : {"html", "button"})
      QVERIFY(QFile::link(QStringLiteral(QUILLO_PROGRAM_DIR "/") + QLatin1String(sub),
                          prog + QLatin1Char('/') + QLatin1String(sub)));
    QVERIFY(!convert(folder, QStringLiteral("pics/photo.jpg"), QSize(400, 300)).isEmpty());
    QVERIFY(
        !convert(folder, QStringLiteral("pics/lossy.webp"), QSize(300, 200), {"-quality", "50"}).isEmpty());
    QVERIFY(!convert(folder, QStringLiteral("pics/sub/lossless.webp"), QSize(200, 300),
                     {"-define", "webp:lossless=true"})
                 .isEmpty());
    QVERIFY(!convert(folder, QStringLiteral("pics/still.avif"), QSize(320, 240)).isEmpty());
    QVERIFY(
        !make_avif(folder, QStringLiteral("pics/turned.avif"), QSize(300, 120), {"--angle", "1"}).isEmpty());

    const QByteArray pics = folder.bytes(QStringLiteral("pics")), out = folder.bytes(QStringLiteral("out"));
    QDir().mkpath(folder.path(QStringLiteral("out")));
    QCOMPARE(lib.init(prog.toUtf8().constData()), 0);
    lib.put_str(ZUNO_OutputPath, out.constData());
    lib.put(ZUNO_CpuPriority, 100);
    lib.put(ZUNO_MakeThumbnail, 1);
    QCOMPARE(lib.new_main(prog.toUtf8().constData(), pics.constData(), out.constData()), 0);
    char area[ZUNO_BUFSIZE] = {};
    char *address = area;
    for (int step = 0; step < 50 && QString::fromUtf8(area) != QStringLiteral("完了"); ++step) {
      lib.get_files(&address);
      QVERIFY2(QString::fromUtf8(area) != QStringLiteral("エラー"), "gathering failed");
    }
    QVERIFY(lib.new_main(prog.toUtf8().constData(), pics.constData(), out.constData()) >= 0);

    QStringList sources, thumbs;
    QList<QSize> sizes;
    EngineCalls calls{lib.last_count, [&](char **source, char **thumb, int *dw, int *dh, int *w, int *h) {
                        const int r = lib.get_thumb_info(source, thumb, dw, dh, w, h);
                        if (r >= 0) {
                          sources << QFileInfo(QString::fromUtf8(*source)).fileName();
                          thumbs << QString::fromUtf8(*thumb);
                          sizes << QSize(*dw, *dh);
                        }
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
    lib.last_count(0, nullptr, nullptr, nullptr, nullptr);
    QVERIFY2(trouble.isEmpty(), qPrintable(trouble.join(u'\n')));
    sources.sort();
    QCOMPARE(sources, (QStringList{"lossless.webp", "lossy.webp", "photo.jpg", "still.avif", "turned.avif"}));
    QCOMPARE(outcome.written, 5);
    for (qsizetype i = 0; i < thumbs.size(); ++i) {
      const Decoded d = decode(thumbs[i]);
      QVERIFY2(d.format == "jpeg", qPrintable(thumbs[i]));
      QCOMPARE(d.size, sizes[i]);
      // The default thumbnails are a fixed width; the turned AVIF is taller than wide, as shown.
      if (thumbs[i].contains(QStringLiteral("turned"))) QVERIFY(d.size.height() > d.size.width());
    }
  }
};

QTEST_MAIN(WebpAvifThumbnailsTest)
#include "webp_avif_thumbnails_test.moc"
