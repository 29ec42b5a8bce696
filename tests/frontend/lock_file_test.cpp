// The external run's lock file: ZunoP looks for quillo's lock in the same private temporary folder quillo
// makes (TEMP/quillo-<uid>), and neither looks through nor deletes through a link planted there. The tests
// run as root, so another user's folder cannot be made; the refusals are driven through links and modes.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include "external_run.h"
#include "sandbox.h"

namespace {

QString private_folder(const Sandbox &box) {
  return box.temp_folder() + QStringLiteral("/quillo-") + QString::number(::geteuid());
}

void write_file(const QString &file, const QByteArray &content) {
  QDir().mkpath(QFileInfo(file).absolutePath());
  QFile f(file);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(content);
}

void make_private_folder(const Sandbox &box, mode_t mode) {
  QVERIFY(QDir().mkpath(private_folder(box)));
  QCOMPARE(::chmod(QFile::encodeName(private_folder(box)).constData(), mode), 0);
}

}  // namespace

class LockFileTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void lock_lies_in_the_private_folder_even_before_it_exists() {
    Sandbox box;
    QCOMPARE(external_run::lock_file_path(), private_folder(box) + "/quillo.lok");
    QVERIFY(!QFileInfo::exists(private_folder(box)));  // looking makes nothing
  }

  void free_lock_is_deleted_and_held_lock_is_kept() {
    Sandbox box;
    make_private_folder(box, 0700);
    const QString lock = external_run::lock_file_path();
    write_file(lock, "");
    QVERIFY(external_run::delete_lock_file(lock));
    QVERIFY(!QFileInfo::exists(lock));

    write_file(lock, "");
    const int holder = ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CLOEXEC);
    QVERIFY(holder >= 0);
    QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);
    QVERIFY(!external_run::delete_lock_file(lock));
    QVERIFY(QFileInfo::exists(lock));
    ::close(holder);
  }

  void planted_folder_link_gives_no_path_and_its_target_is_untouched() {
    Sandbox box;
    const QString victim = box.path("victim");
    write_file(victim + "/quillo.lok", "theirs");
    QVERIFY(QFile::link(victim, private_folder(box)));
    QCOMPARE(external_run::lock_file_path(), QString());
    QVERIFY(!external_run::delete_lock_file(external_run::lock_file_path()));
    QVERIFY(QFileInfo::exists(victim + "/quillo.lok"));
  }

  void folder_others_can_write_gives_no_path() {
    Sandbox box;
    make_private_folder(box, 0777);
    write_file(private_folder(box) + "/quillo.lok", "");
    QCOMPARE(external_run::lock_file_path(), QString());
    QVERIFY(!external_run::delete_lock_file(external_run::lock_file_path()));
    QVERIFY(QFileInfo::exists(private_folder(box) + "/quillo.lok"));
  }

  void planted_lock_link_is_not_followed() {
    Sandbox box;
    make_private_folder(box, 0700);
    const QString victim = box.path("victim.lok");
    write_file(victim, "theirs");
    QVERIFY(QFile::link(victim, external_run::lock_file_path()));
    QVERIFY(!external_run::delete_lock_file(external_run::lock_file_path()));
    QVERIFY(QFileInfo(external_run::lock_file_path()).isSymLink());
    QFile target(victim);
    QVERIFY(target.open(QIODevice::ReadOnly));
    QCOMPARE(target.readAll(), QByteArray("theirs"));
  }

  // The real quillo and ZunoP must agree on the place, or the watch ends the moment the run starts.
  void quillo_locks_where_zunop_looks() {
    Sandbox box;
    const QString folder = box.path("pictures/cats");
    box.make_picture(folder + "/tabby.jpg", 320, 240);
    QProcess quillo;
    quillo.start(QStringLiteral(QUILLO_PROGRAM_DIR) + "/quillo", {"-o", box.path("out"), folder});
    QVERIFY(quillo.waitForFinished(60000));
    QVERIFY2(quillo.exitCode() == 0, quillo.readAllStandardError().constData());
    QVERIFY(QFileInfo(external_run::lock_file_path()).isFile());
    QVERIFY(external_run::delete_lock_file(external_run::lock_file_path()));
  }
};

QUILLO_FRONTEND_TEST_MAIN(LockFileTest)
#include "lock_file_test.moc"
