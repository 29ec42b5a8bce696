// The thumbnail loop against a fake engine: files, sizes and progress, the crash marker, the status texts,
// unreadable pictures with Retry and Cancel, and files that cannot be written.
#include "thumbnail_loop.h"

#include <QDir>
#include <QSettings>
#include <QtTest>
#include <cstring>

#include "crash_marker.h"
#include "test_pictures.h"
#include "zuno.h"

using namespace thumbnails;

namespace {

// Hands out pictures the way ZunoGetThumbInfo does: 1 per picture, then the end answer.
struct FakeEngine {
  struct Entry {
    QString source;
    QString thumb;
    QSize size;
  };
  QList<Entry> entries;
  int count = 0;
  int end_answer = -1;
  int next = 0;
  QList<int> keeps;

  EngineCalls calls() {
    return {[this](int keep, int *folders, int *files, int *outputs, int *bytes) {
              keeps << keep;
              *folders = 1, *files = count, *outputs = count, *bytes = 0;
              return count;
            },
            [this](char **source, char **thumb, int *dw, int *dh, int *w, int *h) {
              if (next >= entries.size()) return end_answer;
              const Entry &e = entries[next++];
              std::strncpy(*source, e.source.toUtf8().constData(), ZUNO_BUFSIZE - 1);
              std::strncpy(*thumb, e.thumb.toUtf8().constData(), ZUNO_BUFSIZE - 1);
              *dw = e.size.width(), *dh = e.size.height(), *w = 999, *h = 999;
              return 1;
            }};
  }
};

// Records what the loop shows; Retry/Cancel answers come from a queue (Cancel when it runs dry).
struct Recorder {
  QStringList statuses, lines, messages, questions, failures;
  QList<int> values;
  int maximum = -1;
  QList<bool> answers;
  std::function<void()> on_question;

  Screen screen() {
    return {[this](const QString &t) { statuses << t; },
            [this](int m) { maximum = m; },
            [this](int v) { values << v; },
            [this](const QString &l) { lines << l; },
            [this](const QString &t) { messages << t; },
            [this](const QString &t) {
              questions << t;
              if (on_question) on_question();
              return answers.isEmpty() ? false : answers.takeFirst();
            },
            [] { return false; },
            [this](const QByteArray &thumb, int result) {
              failures << QString::fromUtf8(thumb) + QLatin1Char(' ') + QString::number(result);
            }};
  }
};

const QString kCreating = QStringLiteral("サムネイルを作成しています");
const QString kCrashText = QStringLiteral("前回下記のファイル処理中に異常終了しました");

}  // namespace

class ThumbnailLoopTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    folder_.reset(new PictureFolder);
    QVERIFY(folder_->valid());
    store_.reset(new QSettings(folder_->path(QStringLiteral("store.ini")), QSettings::IniFormat));
    engine_ = FakeEngine{};
    screen_ = Recorder{};
  }
  void cleanup() {
    store_.reset();
    folder_.reset();
  }

  void everyPictureGetsItsThumbnailAtTheGivenSizeAndPath() {
    add(folder_->write_picture(QStringLiteral("pics/photo.jpg"), QSize(400, 300)),
        QStringLiteral("Thumbs/photo.jpg"), QSize(80, 60));
    // Fitted to the thumbnail size, not left at the picture's own.
    add(folder_->write_picture(QStringLiteral("pics/shot.PNG"), QSize(300, 200)),
        QStringLiteral("Thumbs/shot.jpg"), QSize(80, 53));
    // Animated: its first frame, red.
    add(folder_->write_gif(QStringLiteral("pics/sub/anim.gif"), QSize(200, 100),
                           {QStringLiteral("red"), QStringLiteral("blue")}),
        QStringLiteral("Thumbs/sub/anim.jpg"), QSize(80, 40));
    add(folder_->write_picture(QStringLiteral("pics/sub/tall.bmp"), QSize(60, 90)),
        QStringLiteral("Thumbs/sub/tall.jpg"), QSize(53, 80));
    // Smaller than its thumbnail: enlarged to the size the page expects.
    add(folder_->write_picture(QStringLiteral("pics/tiny.jpeg"), QSize(20, 10)),
        QStringLiteral("Thumbs/tiny.jpg"), QSize(80, 40));
    QDir().mkpath(folder_->path(QStringLiteral("Thumbs/sub")));
    engine_.count = engine_.entries.size();

    const Outcome outcome = run();
    QCOMPARE(outcome.written, 5);
    QCOMPARE(outcome.handled, 5);
    QVERIFY(!outcome.cancelled);
    for (const FakeEngine::Entry &e : engine_.entries) {
      const Decoded d = decode(e.thumb);
      QCOMPARE(d.format, QByteArray("jpeg"));
      QCOMPARE(d.size, e.size);
    }
    QVERIFY(near(decode(folder_->path(QStringLiteral("Thumbs/sub/anim.jpg"))).centre, Qt::red));
    QCOMPARE(engine_.keeps, QList<int>{1});
    QCOMPARE(screen_.maximum, 5);
    QCOMPARE(screen_.values, (QList<int>{1, 2, 3, 4, 5}));
    QCOMPARE(screen_.statuses.first(), kCreating);
    QVERIFY(screen_.messages.isEmpty() && screen_.questions.isEmpty() && screen_.lines.isEmpty());
    QCOMPARE(marker(), QString());
  }

  void crashMarkerIsReportedOnceUnlessEmptyOrNodata_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("never stored") << QVariant() << QStringList();
    QTest::newRow("empty") << QVariant(QString()) << QStringList();
    QTest::newRow("nodata") << QVariant(QStringLiteral("nodata")) << QStringList();
    QTest::newRow("a picture") << QVariant(QStringLiteral("/pics/写真.jpg"))
                               << QStringList{kCrashText + QStringLiteral("/pics/写真.jpg")};
  }
  void crashMarkerIsReportedOnceUnlessEmptyOrNodata() {
    QFETCH(QVariant, stored);
    QFETCH(QStringList, messages);
    if (stored.isValid()) store_->setValue(QLatin1String(kCrashMarkerKey), stored);
    run();
    QCOMPARE(screen_.messages, messages);
    if (!messages.isEmpty()) QCOMPARE(marker(), QString());
    screen_ = Recorder{};
    run();
    QVERIFY(screen_.messages.isEmpty());
  }

  void markerNamesThePictureWhileItIsDecodedWithoutWaitingForTheDisk() {
    const QString bad = folder_->write_text(QStringLiteral("broken.jpg"), "garbage");
    add(bad, folder_->path(QStringLiteral("broken-thumb.jpg")), QSize(8, 8));
    add(folder_->write_picture(QStringLiteral("fine.jpg"), QSize(8, 8)), QStringLiteral("fine-thumb.jpg"),
        QSize(8, 8));
    const QString journal = CrashMarker::journal_path(*store_);
    QString seen;
    screen_.on_question = [&] { seen = read_file(journal); };
    screen_.answers = {true};
    run();
    // What a crash at that moment would have left for the next start: the picture asked about, and any other
    // a worker was decoding just then.
    QVERIFY2(seen.split(QLatin1Char('\n')).contains(bad), qPrintable(seen));
    QVERIFY(!QFile::exists(journal));
    QCOMPARE(marker(), QString());
  }

  void markerLeftByACrashIsReportedOnce() {
    const QString crashed = QStringLiteral("/pics/壊れた.png");
    QVERIFY(!folder_->write_text(QFileInfo(CrashMarker::journal_path(*store_)).fileName(), crashed.toUtf8())
                 .isEmpty());
    run();
    QCOMPARE(screen_.messages, QStringList{kCrashText + crashed});
    screen_ = Recorder{};
    run();
    QVERIFY(screen_.messages.isEmpty());
  }

  void withoutAJournalTheMarkerIsWrittenThroughTheStore() {
    QDir().mkpath(CrashMarker::journal_path(*store_));  // a folder where the journal should go
    const QString bad = folder_->write_text(QStringLiteral("broken.jpg"), "garbage");
    add(bad, folder_->path(QStringLiteral("broken-thumb.jpg")), QSize(8, 8));
    QString seen;
    screen_.on_question = [&] {
      QSettings other(folder_->path(QStringLiteral("store.ini")), QSettings::IniFormat);
      seen = other.value(QLatin1String(kCrashMarkerKey)).toString();
    };
    run();
    QCOMPARE(seen, bad);
    QCOMPARE(marker(), QString());
  }

  void statusShowsShortPathsWholeAndCutsLongOnes() {
    const QString of28 = QStringLiteral("/写真/") + QString(20, QChar(0x3042)) + QStringLiteral(".jpg");
    QCOMPARE(of28.size(), 28);
    QCOMPARE(shortened_status(of28), of28);
    const QString of29 = QStringLiteral("/写真/あいうえおかきくけこさしすせそたちつてとな.jpg");
    QCOMPARE(of29.size(), 29);
    QCOMPARE(shortened_status(of29), QStringLiteral("/写真/あいうえおかきく～こさしすせそたちつてとな.jpg"));
    // A character beyond the BMP is one character, and is never split.
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    const QString wide = emoji.repeated(29);
    QCOMPARE(shortened_status(wide), emoji.repeated(12) + QStringLiteral("～") + emoji.repeated(16));
    QCOMPARE(shortened_status(emoji.repeated(28)), emoji.repeated(28));

    const QString path =
        folder_->write_picture(QStringLiteral("a-rather-long-folder/picture.jpg"), QSize(10, 10));
    add(path, folder_->path(QStringLiteral("t.jpg")), QSize(5, 5));
    run();
    QCOMPARE(screen_.statuses, (QStringList{kCreating, shortened_status(path)}));
  }

  void stopEndsTheLoopAfterTheCurrentPicture() {
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
      add(folder_->write_picture(QString::fromLatin1(name), QSize(40, 40)),
          folder_->path(QStringLiteral("t-") + QString::fromLatin1(name)), QSize(8, 8));
    Screen screen = screen_.screen();
    int asked = 0;
    screen.stop_requested = [&asked] { return ++asked == 2; };  // STOP pressed during the second picture
    const Outcome outcome = ThumbnailLoop(engine_.calls(), screen, *store_).run();
    QVERIFY(outcome.cancelled);
    QCOMPARE(outcome.handled, 2);
    QVERIFY(QFile::exists(folder_->path(QStringLiteral("t-b.jpg"))));
    QVERIFY(!QFile::exists(folder_->path(QStringLiteral("t-c.jpg"))));
    QCOMPARE(marker(), QString());  // a stop is no crash
  }

  void unreadablePictureAsksAndCancelEndsAtOnce() {
    const QString bad = folder_->write_text(QStringLiteral("bad.jpg"), "not a picture");
    add(bad, folder_->path(QStringLiteral("bad-thumb.jpg")), QSize(8, 8));
    add(folder_->write_picture(QStringLiteral("good.jpg"), QSize(40, 40)),
        folder_->path(QStringLiteral("good-thumb.jpg")), QSize(8, 8));
    screen_.answers = {false};
    const Outcome outcome = run();
    QVERIFY(outcome.cancelled);
    QCOMPARE(screen_.lines, QStringList{bad + QStringLiteral("読込み失敗 ")});
    QCOMPARE(screen_.questions, QStringList{QStringLiteral("ファイルの読み込みに失敗しました")});
    // The engine may have named the pictures being made ahead of it, but none of them got a file.
    QVERIFY(engine_.next <= 2);
    QVERIFY(screen_.values.isEmpty());
    QVERIFY(!QFile::exists(folder_->path(QStringLiteral("bad-thumb.jpg"))));
    QVERIFY(!QFile::exists(folder_->path(QStringLiteral("good-thumb.jpg"))));
    // Stopping by choice is not a crash to report next time.
    QCOMPARE(marker(), QString());
  }

  void unreadablePictureWithRetryGetsABlankThumbnailAndTheLoopGoesOn() {
    add(folder_->write_text(QStringLiteral("bad.gif"), QByteArray()),
        folder_->path(QStringLiteral("bad.jpg")), QSize(30, 20));
    add(folder_->write_picture(QStringLiteral("good.png"), QSize(40, 40)),
        folder_->path(QStringLiteral("good.jpg")), QSize(8, 8));
    screen_.answers = {true};
    const Outcome outcome = run();
    QCOMPARE(outcome.unreadable, 1);
    QCOMPARE(outcome.written, 2);
    QCOMPARE(screen_.values, (QList<int>{1, 2}));
    const Decoded blank = decode(folder_->path(QStringLiteral("bad.jpg")));
    QCOMPARE(blank.size, QSize(30, 20));
    QVERIFY(near(blank.centre, Qt::white, 4));
  }

  void unwritableThumbnailShowsTheCodeAndTheLoopGoesOn() {
    const QString source = folder_->write_picture(QStringLiteral("p.jpg"), QSize(40, 40));
    folder_->write_text(QStringLiteral("plainfile"), "x");
    add(source, folder_->path(QStringLiteral("no/such/folder/p.jpg")), QSize(8, 8));
    add(source, folder_->path(QStringLiteral("plainfile/p.jpg")), QSize(8, 8));
    add(source, folder_->path(QStringLiteral("zero.jpg")), QSize(0, 8));
    add(source, folder_->path(QStringLiteral("ok.jpg")), QSize(8, 8));
    const Outcome outcome = run();
    QCOMPARE(outcome.written, 1);
    QCOMPARE(screen_.statuses.filter(QStringLiteral("書き込み失敗 ")),
             (QStringList{QStringLiteral("書き込み失敗 3"), QStringLiteral("書き込み失敗 3"),
                          QStringLiteral("書き込み失敗 1")}));
    QCOMPARE(screen_.values, (QList<int>{1, 2, 3, 4}));
    QCOMPARE(outcome.unwritten, 3);
    // Each failure names the file, for a caller that reports more than a status.
    QCOMPARE(screen_.failures, (QStringList{folder_->path(QStringLiteral("no/such/folder/p.jpg 3")),
                                            folder_->path(QStringLiteral("plainfile/p.jpg 3")),
                                            folder_->path(QStringLiteral("zero.jpg 1"))}));
    QVERIFY(QFile::exists(folder_->path(QStringLiteral("ok.jpg"))));
    QVERIFY(!QFile::exists(folder_->path(QStringLiteral("zero.jpg"))));
  }

 private:
  void add(const QString &source, const QString &thumb, QSize size) {
    QVERIFY(!source.isEmpty());
    engine_.entries << FakeEngine::Entry{
        source, thumb.startsWith(QLatin1Char('/')) ? thumb : folder_->path(thumb), size};
  }
  Outcome run() { return ThumbnailLoop(engine_.calls(), screen_.screen(), *store_).run(); }
  QString marker() const { return store_->value(QLatin1String(kCrashMarkerKey)).toString(); }
  static QString read_file(const QString &path) {
    QFile file(path);
    // The journal's list ends at its first NUL.
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll().split('\0').first())
                                          : QStringLiteral("(none)");
  }

  std::unique_ptr<PictureFolder> folder_;
  std::unique_ptr<QSettings> store_;
  FakeEngine engine_;
  Recorder screen_;
};

QTEST_MAIN(ThumbnailLoopTest)
#include "thumbnail_loop_test.moc"
