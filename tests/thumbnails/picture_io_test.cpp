// The image library: decoding by content with reduction in the decoder, fitting, and JPEG files written
// whole or not at all.
#include "picture_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QtTest>

#include "test_pictures.h"

using namespace thumbnails;

class PictureIoTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    folder_.reset(new PictureFolder);
    QVERIFY(folder_->valid());
  }
  void cleanup() { folder_.reset(); }

  void formatsAreReadByContent_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("jpeg") << "a.jpg" << QByteArray("jpeg");
    QTest::newRow("png") << "a.png" << QByteArray("png");
    QTest::newRow("bmp") << "a.bmp" << QByteArray("bmp");
    QTest::newRow("tiff") << "a.tif" << QByteArray("tiff");
    QTest::newRow("png named jpg") << "misnamed.jpg" << QByteArray("png");
    QTest::newRow("jpeg named PNG") << "misnamed.PNG" << QByteArray("jpeg");
  }
  void formatsAreReadByContent() {
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    if (!QImageReader::supportedImageFormats().contains(format)) QSKIP("no Qt image plugin for this format");
    const QString path = folder_->write_picture(name, QSize(120, 90), format.constData());
    QVERIFY(!path.isEmpty());
    const QImage image = read_picture(path.toUtf8());
    QCOMPARE(image.size(), QSize(120, 90));
  }

  void largeJpegIsReducedInTheDecoderButNeverBelowTheSize() {
    const QString path = folder_->write_picture(QStringLiteral("big.jpg"), QSize(1600, 1200));
    const QImage reduced = read_picture(path.toUtf8(), QSize(80, 60));
    QVERIFY(reduced.width() >= 80 && reduced.height() >= 60);
    QVERIFY(reduced.width() < 400);
    for (const char *name : {"big.png", "big.bmp"}) {
      const QString other = folder_->write_picture(QLatin1String(name), QSize(800, 600));
      const QImage image = read_picture(other.toUtf8(), QSize(80, 60));
      QVERIFY2(image.width() >= 80 && image.height() >= 60, name);
    }
  }

  // A one-bit palette PNG of one colour (as ImageMagick writes a plain picture) keeps its colour when shrunk.
  void pictureOfFewColoursKeepsThemWhenShrunk() {
    const QString path = folder_->path(QStringLiteral("orange.png"));
    QProcess convert;
    convert.start(QStringLiteral("/usr/bin/convert"),
                  {QStringLiteral("-size"), QStringLiteral("200x300"), QStringLiteral("xc:orange"), path});
    QVERIFY(convert.waitForFinished() && convert.exitCode() == 0);
    const QImage image = read_picture(path.toUtf8(), QSize(80, 120));
    QVERIFY(near(image.pixelColor(100, 150), QColor(255, 165, 0)));
    QVERIFY(near(fit_picture(image, QSize(80, 120)).pixelColor(40, 60), QColor(255, 165, 0)));
    QImage indexed(40, 40, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 255), qRgb(255, 255, 0)});
    indexed.fill(1);
    QVERIFY(near(fit_picture(indexed, QSize(10, 10)).pixelColor(5, 5), Qt::yellow));
  }

  void gifGivesItsFirstFrame() {
    const QString path = folder_->write_gif(QStringLiteral("anim.gif"), QSize(60, 40),
                                            {QStringLiteral("red"), QStringLiteral("blue")});
    QVERIFY(!path.isEmpty());
    const QImage image = read_picture(path.toUtf8(), QSize(30, 20));
    QCOMPARE(image.size(), QSize(60, 40));
    QVERIFY(near(image.pixelColor(30, 20), Qt::red));
  }

  void unreadableFilesGiveNoPicture() {
    folder_->write_text(QStringLiteral("empty.jpg"), QByteArray());
    folder_->write_text(QStringLiteral("text.jpg"), "not a picture at all");
    QDir().mkpath(folder_->path(QStringLiteral("folder.jpg")));
    QVERIFY(::mkfifo(folder_->bytes(QStringLiteral("fifo.jpg")).constData(), 0600) == 0);
    for (const char *name : {"missing.jpg", "empty.jpg", "text.jpg", "folder.jpg", "fifo.jpg"})
      QVERIFY2(read_picture(folder_->bytes(QLatin1String(name)), QSize(10, 10)).isNull(), name);
    QVERIFY(read_picture(QByteArray()).isNull());
  }

  void namesThatAreNotUtf8AreReadAndWritten() {
    const QString plain = folder_->write_picture(QStringLiteral("plain.jpg"), QSize(40, 30));
    const QByteArray odd = folder_->path(QString()).toUtf8() + "/\xff\xfe-odd.jpg";
    QVERIFY(::rename(plain.toUtf8().constData(), odd.constData()) == 0);
    const QImage image = read_picture(odd, QSize(20, 15));
    QVERIFY(!image.isNull());
    const QByteArray target = folder_->path(QString()).toUtf8() + "/\xfe\xff-thumb.jpg";
    QCOMPARE(save_jpeg(fit_picture(image, QSize(20, 15)), target, 50), int(kSaved));
    QVERIFY(::access(target.constData(), F_OK) == 0);
    // QTemporaryDir cannot remove names it cannot decode.
    ::unlink(odd.constData());
    ::unlink(target.constData());
  }

  void fittingGivesExactlyTheSizeWithTransparencyOverWhite() {
    QImage clear(QSize(300, 100), QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const QImage fitted = fit_picture(clear, QSize(80, 60));
    QCOMPARE(fitted.size(), QSize(80, 60));
    QVERIFY(!fitted.hasAlphaChannel());
    QCOMPARE(fitted.pixelColor(40, 30), QColor(Qt::white));
    QVERIFY(fit_picture(clear, QSize(0, 60)).isNull());
  }

  void savedThumbnailIsAJpegAtTheQualityAsked() {
    const QImage picture =
        fit_picture(read_picture(folder_->write_picture(QStringLiteral("p.png"), QSize(200, 100)).toUtf8()),
                    QSize(80, 40));
    const QString target = folder_->path(QStringLiteral("p.jpg"));
    QCOMPARE(save_jpeg(picture, target.toUtf8(), 50), int(kSaved));
    const Decoded d = decode(target);
    QCOMPARE(d.format, QByteArray("jpeg"));
    QCOMPARE(d.size, QSize(80, 40));
    QCOMPARE(first_quant_value(target), 16);
    QCOMPARE(QFileInfo(target).permissions() & QFileDevice::ReadOther, QFileDevice::ReadOther);
  }

  void existingThumbnailIsReplacedWholeWithNothingLeftBeside() {
    const QString target = folder_->write_text(QStringLiteral("t/old.jpg"), "an old thumbnail");
    QImage picture(QSize(16, 16), QImage::Format_RGB32);
    picture.fill(Qt::green);
    QCOMPARE(save_jpeg(picture, target.toUtf8(), 50), int(kSaved));
    QCOMPARE(decode(target).size, QSize(16, 16));
    QCOMPARE(QDir(folder_->path(QStringLiteral("t")))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("old.jpg")});
  }

  void failedSavesSayWhereAndLeaveNothingBehind() {
    QImage picture(QSize(16, 16), QImage::Format_RGB32);
    picture.fill(Qt::green);
    folder_->write_text(QStringLiteral("file"), "x");
    QDir().mkpath(folder_->path(QStringLiteral("taken.jpg")));
    QCOMPARE(save_jpeg(QImage(), folder_->bytes(QStringLiteral("a.jpg")), 50), int(kNothingToSave));
    QCOMPARE(save_jpeg(picture, QByteArray(), 50), int(kNothingToSave));
    QCOMPARE(save_jpeg(picture, folder_->bytes(QStringLiteral("no/such/folder/a.jpg")), 50),
             int(kCannotCreate));
    QCOMPARE(save_jpeg(picture, folder_->bytes(QStringLiteral("file/a.jpg")), 50), int(kCannotCreate));
    QCOMPARE(save_jpeg(picture, folder_->bytes(QStringLiteral("taken.jpg")), 50), int(kCannotReplace));
    const QStringList left =
        QDir(folder_->path(QString())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(left, (QStringList{QStringLiteral("file"), QStringLiteral("taken.jpg")}));
  }

 private:
  std::unique_ptr<PictureFolder> folder_;
};

QTEST_MAIN(PictureIoTest)
#include "picture_io_test.moc"
