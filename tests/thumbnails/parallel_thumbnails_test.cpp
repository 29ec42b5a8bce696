// The thumbnail loop with several workers: results in the engine's order however long each picture takes, a
// crash marker naming every picture being decoded when the program is killed, and a stop that leaves only
// the whole files of the pictures it counted.
#include <signal.h>
#include <sys/wait.h>

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QtTest>
#include <cstring>
#include <thread>

#include "crash_marker.h"
#include "test_pictures.h"
#include "thumbnail_loop.h"
#include "zuno.h"

using namespace thumbnails;

namespace {

constexpr int kWorkers = 4;
const QString kCreating = QStringLiteral("サムネイルを作成しています");
const QString kCrashText = QStringLiteral("前回下記のファイル処理中に異常終了しました");
const QString kUnreadable = QStringLiteral("読込み失敗 ");

struct Job {
  QString source;
  QString thumb;
  QSize size;
  QColor colour;  // what its thumbnail shows; invalid for an unreadable picture
};

// Hands the jobs out as ZunoGetThumbInfo does, noting on which thread it was asked.
struct Engine {
  QList<Job> jobs;
  int next = 0;
  bool off_thread = false;
  std::thread::id home = std::this_thread::get_id();

  EngineCalls calls() {
    return {[this](int, int *folders, int *files, int *outputs, int *bytes) {
              *folders = 1, *files = *outputs = static_cast<int>(jobs.size()), *bytes = 0;
              return static_cast<int>(jobs.size());
            },
            [this](char **source, char **thumb, int *dw, int *dh, int *w, int *h) {
              off_thread |= std::this_thread::get_id() != home;
              if (next >= jobs.size()) return -1;
              const Job &job = jobs[next++];
              std::strncpy(*source, job.source.toUtf8().constData(), ZUNO_BUFSIZE - 1);
              std::strncpy(*thumb, job.thumb.toUtf8().constData(), ZUNO_BUFSIZE - 1);
              *dw = job.size.width(), *dh = job.size.height(), *w = 1, *h = 1;
              return 1;
            }};
  }
};

struct Seen {
  QStringList statuses, lines, messages;
  QList<int> values;
  int questions = 0;
  int stop_after = -1;  // STOP pressed once this many pictures are reported
  bool off_thread = false;
  std::thread::id home = std::this_thread::get_id();

  Screen screen() {
    auto note = [this] { off_thread |= std::this_thread::get_id() != home; };
    return {[this, note](const QString &t) { note(), statuses << t; },
            [](int) {},
            [this, note](int v) { note(), values << v; },
            [this, note](const QString &l) { note(), lines << l; },
            [this](const QString &t) { messages << t; },
            [this, note](const QString &) {
              note(), ++questions;
              return true;
            },
            [this] { return stop_after >= 0 && values.size() >= stop_after; },
            {}};
  }
};

QStringList files_in(const QString &folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The marker's journal holds the list up to its first NUL.
QStringList journal_lines(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray text = file.readAll().split('\0').first();
  return text.isEmpty() ? QStringList() : QString::fromUtf8(text).split(QLatin1Char('\n'));
}

// The child's side of the crash test: makes the thumbnails of the listed pictures until it is killed.
int crash_child(const QString &list, const QString &store_path) {
  QFile file(list);
  if (!file.open(QIODevice::ReadOnly)) return 2;
  Engine engine;
  for (const QByteArray &line : file.readAll().split('\n'))
    if (!line.isEmpty())
      engine.jobs << Job{QString::fromUtf8(line), QString::fromUtf8(line) + QStringLiteral(".thumb.jpg"),
                         QSize(40, 40), QColor()};
  QSettings store(store_path, QSettings::IniFormat);
  Seen seen;
  ThumbnailLoop(engine.calls(), seen.screen(), store, kWorkers).run();
  return 0;
}

}  // namespace

class ParallelThumbnailsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    folder_.reset(new PictureFolder);
    QVERIFY(folder_->valid());
    QVERIFY(QDir().mkpath(folder_->path(QStringLiteral("Thumbs"))));
    store_.reset(new QSettings(folder_->path(QStringLiteral("store.ini")), QSettings::IniFormat));
  }
  void cleanup() {
    store_.reset();
    folder_.reset();
  }

  // Large pictures among small ones finish late on their workers; what the user sees must not tell.
  void resultsFollowTheEnginesOrderWhateverEachPictureCosts() {
    Engine engine;
    engine.jobs = varied_jobs(36);
    Seen seen;
    const Outcome outcome = ThumbnailLoop(engine.calls(), seen.screen(), *store_, kWorkers).run();

    QStringList statuses{kCreating}, lines;
    QList<int> values;
    int unreadable = 0;
    for (const Job &job : engine.jobs) {
      statuses << shortened_status(job.source);
      if (!job.colour.isValid()) lines << job.source + kUnreadable, ++unreadable;
      values << static_cast<int>(values.size()) + 1;
    }
    QCOMPARE(seen.statuses, statuses);
    QCOMPARE(seen.lines, lines);
    QCOMPARE(seen.values, values);
    QCOMPARE(seen.questions, unreadable);
    QVERIFY(!seen.off_thread && !engine.off_thread);
    QCOMPARE(outcome.handled, engine.jobs.size());
    QCOMPARE(outcome.written, engine.jobs.size());
    QCOMPARE(outcome.unreadable, unreadable);
    QVERIFY(!outcome.cancelled);
    // Each file is its own picture's: the right size and colour (a blank one for the unreadable).
    for (const Job &job : engine.jobs) {
      const Decoded d = decode(job.thumb);
      QCOMPARE(d.size, job.size);
      QVERIFY2(near(d.centre, job.colour.isValid() ? job.colour : QColor(Qt::white)), qPrintable(job.thumb));
    }
    QCOMPARE(files_in(folder_->path(QStringLiteral("Thumbs"))).size(), engine.jobs.size());
    QCOMPARE(store_->value(QLatin1String(kCrashMarkerKey)).toString(), QString());
  }

  void stopLeavesOnlyTheWholeFilesOfThePicturesItCounted_data() {
    QTest::addColumn<int>("stop_after");
    QTest::newRow("after the first") << 1;
    QTest::newRow("mid-way") << 7;
    QTest::newRow("one before the end") << 35;
  }
  void stopLeavesOnlyTheWholeFilesOfThePicturesItCounted() {
    QFETCH(int, stop_after);
    Engine engine;
    engine.jobs = varied_jobs(36);
    Seen seen;
    seen.stop_after = stop_after;
    const Outcome outcome = ThumbnailLoop(engine.calls(), seen.screen(), *store_, kWorkers).run();
    QVERIFY(outcome.cancelled);
    QCOMPARE(outcome.handled, stop_after);
    QCOMPARE(outcome.written, stop_after);
    QCOMPARE(seen.values.size(), stop_after);
    // Work is handed out only a little ahead of what was reported.
    QVERIFY2(engine.next <= stop_after + 2 * kWorkers, qPrintable(QString::number(engine.next)));
    QStringList expected;
    for (int i = 0; i < stop_after; ++i) expected << QFileInfo(engine.jobs[i].thumb).fileName();
    expected.sort();
    // No temporary file, no file of a picture after the stop, and every file whole.
    QCOMPARE(files_in(folder_->path(QStringLiteral("Thumbs"))), expected);
    for (int i = 0; i < stop_after; ++i) QCOMPARE(decode(engine.jobs[i].thumb).size, engine.jobs[i].size);
    QCOMPARE(store_->value(QLatin1String(kCrashMarkerKey)).toString(), QString());
  }

  void cancelAfterAnUnreadablePictureDropsThePicturesMadeAhead() {
    Engine engine;
    for (int i = 0; i < 6; ++i) {
      const QString name = QStringLiteral("p%1.jpg").arg(i);
      engine.jobs << Job{folder_->write_picture(name, QSize(60, 40)), thumb_path(name), QSize(30, 20),
                         QColor()};
    }
    engine.jobs[2].source = folder_->write_text(QStringLiteral("broken.jpg"), "no picture");
    Seen seen;
    Screen screen = seen.screen();
    screen.ask_retry = [](const QString &) { return false; };
    const Outcome outcome = ThumbnailLoop(engine.calls(), screen, *store_, kWorkers).run();
    QVERIFY(outcome.cancelled);
    QCOMPARE(outcome.handled, 2);
    QCOMPARE(outcome.written, 2);
    QCOMPARE(outcome.unreadable, 1);
    QCOMPARE(seen.values, (QList<int>{1, 2}));
    QCOMPARE(files_in(folder_->path(QStringLiteral("Thumbs"))),
             (QStringList{QStringLiteral("p0.jpg"), QStringLiteral("p1.jpg")}));
  }

  // A real kill while the workers decode: the next start reports every picture that was being decoded, each
  // a picture of the run, once.
  void killedWhileDecodingTheNextStartNamesEveryPictureInFlight() {
    const QString big = folder_->write_plain(QStringLiteral("src/big.png"), QSize(2400, 2400), Qt::darkCyan);
    QVERIFY(!big.isEmpty());
    QStringList sources;
    for (int i = 0; i < 40; ++i) {
      const QString copy = folder_->path(QStringLiteral("src/写真 %1.png").arg(i));
      QVERIFY(QFile::copy(big, copy));
      sources << copy;
    }
    const QString list = folder_->write_text(QStringLiteral("list.txt"), sources.join(u'\n').toUtf8());
    const QString store_path = folder_->path(QStringLiteral("crash.ini"));
    const QString journal = CrashMarker::journal_path(QSettings(store_path, QSettings::IniFormat));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("THUMB_CRASH_LIST"), list);
    env.insert(QStringLiteral("THUMB_CRASH_STORE"), store_path);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QStringList in_flight;
    QElapsedTimer clock;
    clock.start();
    while (journal_lines(journal).size() < 2 && clock.elapsed() < 60000) QThread::usleep(200);
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    in_flight = journal_lines(journal);
    QVERIFY2(in_flight.size() >= 2, qPrintable(in_flight.join(u'|')));
    QVERIFY(in_flight.size() <= kWorkers);
    for (const QString &picture : in_flight) QVERIFY2(sources.contains(picture), qPrintable(picture));
    QCOMPARE(QSet<QString>(in_flight.begin(), in_flight.end()).size(), in_flight.size());

    QSettings store(store_path, QSettings::IniFormat);
    Engine engine;
    Seen seen;
    ThumbnailLoop(engine.calls(), seen.screen(), store, kWorkers).run();
    QCOMPARE(seen.messages, QStringList{kCrashText + in_flight.join(u'\n')});
    QVERIFY(!QFile::exists(journal));
    Seen again;
    ThumbnailLoop(engine.calls(), again.screen(), store, kWorkers).run();
    QVERIFY(again.messages.isEmpty());
  }

  // Without a journal the store itself holds the list, and is empty again when the loop ends.
  void withoutAJournalSeveralMarksGoThroughTheStore() {
    QVERIFY(QDir().mkpath(CrashMarker::journal_path(*store_)));
    CrashMarker marker(*store_);
    QCOMPARE(marker.take_previous(), QString());
    marker.add(QStringLiteral("/a.png"));
    marker.add(QStringLiteral("/b.png"));
    marker.add(QStringLiteral("/a.png"));
    marker.remove(QStringLiteral("/a.png"));
    QSettings other(folder_->path(QStringLiteral("store.ini")), QSettings::IniFormat);
    QCOMPARE(other.value(QLatin1String(kCrashMarkerKey)).toString(), QStringLiteral("/b.png\n/a.png"));
    marker.clear();
    other.sync();
    QCOMPARE(other.value(QLatin1String(kCrashMarkerKey)).toString(), QString());
  }

 private:
  QString thumb_path(const QString &name) const {
    return folder_->path(QStringLiteral("Thumbs/") + QFileInfo(name).completeBaseName() +
                         QStringLiteral(".jpg"));
  }

  // Every fourth picture a large PNG, every seventh unreadable, the rest small JPEGs; each of its own colour.
  QList<Job> varied_jobs(int count) const {
    QList<Job> jobs;
    for (int i = 0; i < count; ++i) {
      const QColor colour = QColor::fromHsv((i * 47) % 360, 200, 220);
      const bool large = i % 4 == 1;
      const QString name = QStringLiteral("src/%1.%2")
                               .arg(i, 3, 10, QLatin1Char('0'))
                               .arg(large ? QStringLiteral("png") : QStringLiteral("jpg"));
      if (i % 7 == 3) {
        jobs << Job{folder_->write_text(name, "not a picture"), thumb_path(name), QSize(24, 18), QColor()};
        continue;
      }
      const QSize size = large ? QSize(1600, 1200) : QSize(64, 48);
      jobs << Job{folder_->write_plain(name, size, colour), thumb_path(name), QSize(32, 24), colour};
    }
    return jobs;
  }

  std::unique_ptr<PictureFolder> folder_;
  std::unique_ptr<QSettings> store_;
};

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsSet("THUMB_CRASH_LIST"))
    return crash_child(qEnvironmentVariable("THUMB_CRASH_LIST"), qEnvironmentVariable("THUMB_CRASH_STORE"));
  QGuiApplication app(argc, argv);
  ParallelThumbnailsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "parallel_thumbnails_test.moc"
