// Start-up, first run and the values saved at exit.
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "engine_binding.h"
#include "first_run_dialog.h"
#include "output_window.h"
#include "program_state.h"
#include "sandbox.h"
#include "settings_mirror.h"
#include "startup_store.h"

namespace {

// Answers the next FirstRunDialog with a text once it is shown.
void answer_first_run_dialog(const QString &text) {
  QTimer::singleShot(0, [text] {
    auto *dialog = qobject_cast<FirstRunDialog *>(QApplication::activeModalWidget());
    if (!dialog) {
      QTimer::singleShot(20, [text] { answer_first_run_dialog(text); });
      return;
    }
    dialog->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(text);
    dialog->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
  });
}

// True when the text holds kana or kanji.
bool is_japanese(const QString &text) {
  return std::any_of(text.begin(), text.end(),
                     [](QChar c) { return c.unicode() >= 0x3040 && c.unicode() <= 0x9fff; });
}

QByteArray bytes_of(const QString &file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write_bytes(const QString &file, const QByteArray &bytes) {
  QFile f(file);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// A program folder whose quillo.ini was damaged after a save left a good quillo.ibk (CurrentWidth 123).
struct DamagedSettings {
  explicit DamagedSettings(Sandbox &box, const QByteArray &damaged = QByteArray("\0\0\0\n[Size\n", 10))
      : ini(box.program_folder() + "/quillo.ini"),
        backup(box.program_folder() + "/quillo.ibk"),
        garbage(damaged) {
    box.set_ini(box.program_folder(), "CurrentWidth", "123");
    QFile::copy(ini, backup);
    good = bytes_of(backup);
    write_bytes(ini, garbage);
  }
  QString ini, backup;
  QByteArray garbage, good;
};

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void first_start_beside_the_settings_goes_straight_through() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    const ProgramState &state = program_state();
    QCOMPARE(state.settings_folder, box.program_folder());
    QCOMPARE(state.output_folder, box.program_folder() + "/OUTPUT");
    QVERIFY(QFileInfo(state.output_folder).isDir());
    QCOMPARE(box.started.output->box_text(), state.output_folder);
    QCOMPARE(engine_setting(ZUNO_Priority), box.ini_value(box.program_folder(), "Priority").toInt());
    QCOMPARE(main->findChild<QComboBox *>("Combo1")->currentText(), QStringLiteral("通常モード"));
    // Stored positions of -1 centre the window.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(main->x(), screen.width() / 2 - main->width() / 2);
    QCOMPARE(main->y(), screen.height() / 2 - main->height() / 2);
  }

  void splash_shows_the_version_and_hands_over_after_a_second() {
    Sandbox box;
    StartedProgram program = start_program();
    QVERIFY(program.main && program.title);
    QPointer<QWidget> title = program.title;
    QCOMPARE(program.title->findChild<QLabel *>("Label1")->text(), QStringLiteral("クイロ～ Ver 0.67a"));
    QVERIFY(program.title->isVisible());
    QVERIFY(!program.main->isVisible());
    QTest::qWait(600);
    QVERIFY(!program.main->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(program.main->isVisible(), 3000);
    QTRY_VERIFY(!title);
    delete program.main;
  }

  void stored_settings_folder_skips_the_first_run() {
    Sandbox box;
    const QString settings = box.path("elsewhere");
    box.install_settings(settings);
    QFile::remove(box.program_folder() + "/quillo.ini");
    store::write("ini", settings);
    store::write("CurrentOutPutDir", box.path("catalogs"));
    store::write("RatioAve", "12.6");
    QVERIFY(box.start());
    QVERIFY(box.prompts.isEmpty());
    QCOMPARE(program_state().settings_folder, settings);
    QCOMPARE(program_state().output_folder, box.path("catalogs"));
    QVERIFY(QFileInfo(box.path("catalogs")).isDir());
    QCOMPARE(program_state().ratio_average, 12.6);  // kept to the microsecond, not rounded to 13
  }

  void first_run_asks_until_a_settings_file_is_chosen() {
    Sandbox box;
    const QString settings = box.path("settings");
    box.install_settings(settings);
    QFile::remove(box.program_folder() + "/quillo.ini");
    // A folder without the settings file is refused and asked again; then the settings file itself is chosen.
    QDir().mkpath(box.path("empty"));
    answer_first_run_dialog(box.path("empty"));
    QTimer::singleShot(300, [settings] { answer_first_run_dialog(settings + "/quillo.ini"); });
    MainWindow *main = box.start();
    QVERIFY(main);
    const QString missing = box.program_folder() + QStringLiteral("/quillo.iniがありません");
    QCOMPARE(box.prompts, QStringList({missing, missing}));
    QCOMPARE(program_state().settings_folder, settings);
    QCOMPARE(engine_setting(ZUNO_CurrentWidth), box.ini_value(settings, "CurrentWidth").toInt());
  }

  void first_run_takes_a_folder_that_holds_quillo_ini() {
    Sandbox box;
    const QString settings = box.path("settings");
    box.install_settings(settings);
    box.set_ini(settings, "CurrentWidth", "77");
    QFile::remove(box.program_folder() + "/quillo.ini");
    answer_first_run_dialog(settings + "/");
    MainWindow *main = box.start();
    QVERIFY(main);
    QCOMPARE(box.prompts, QStringList{box.program_folder() + QStringLiteral("/quillo.iniがありません")});
    QCOMPARE(program_state().settings_folder, settings);
    QCOMPARE(engine_setting(ZUNO_CurrentWidth), 77);
  }

  void first_run_dialog_names_quillo_ini_and_tells_which_texts_lead_to_settings() {
    Sandbox box;
    const QString settings = box.path("settings");
    box.install_settings(settings);
    QFile other(box.path("settings/other.ini"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    QDir().mkpath(box.path("empty"));
    FirstRunDialog dialog(box.program_folder());
    QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("Label1"))
                ->text()
                .startsWith(QStringLiteral("quillo.ini")));
    auto folder_for = [&dialog](const QString &text) {
      dialog.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(text);
      return dialog.settings_folder();
    };
    QCOMPARE(folder_for(settings), settings);
    QCOMPARE(folder_for(settings + "/quillo.ini"), settings);
    QCOMPARE(folder_for(settings + "/quillo.ini  "), settings);
    QCOMPARE(folder_for(box.path("settings/other.ini")), QString());
    QCOMPARE(folder_for(box.path("empty")), QString());
    QCOMPARE(folder_for(box.path("nowhere/quillo.ini")), QString());
    QCOMPARE(folder_for(QString()), QString());
  }

  void qt_s_own_dialogs_speak_japanese_after_start_up() {
    Sandbox box;
    QVERIFY(box.start());
    const QString colours = QCoreApplication::translate("QColorDialog", "&Basic colors");
    QVERIFY2(is_japanese(colours), qPrintable(colours));
    const QString look_in = QCoreApplication::translate("QFileDialog", "Look in:");
    QVERIFY2(is_japanese(look_in), qPrintable(look_in));
    QColorDialog dialog;
    const QList<QLabel *> labels = dialog.findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [&](QLabel *l) { return l->text() == colours; }));
  }

  void first_run_cancelled_ends_the_program() {
    Sandbox box;
    QFile::remove(box.program_folder() + "/quillo.ini");
    box.answers << prompt::Answer::Cancel;
    QVERIFY(!box.start());
    QCOMPARE(box.prompts.size(), 1);
    QCOMPARE(store::read("ini"), QStringLiteral("nodata"));
  }

  void missing_engine_is_reported_and_ends_the_program() {
    Sandbox box;
    engine::unload_library();
    engine::set_library_folder(box.path("nowhere"));
    QVERIFY(!box.start());
    QCOMPARE(box.prompts.size(), 1);
    QVERIFY2(box.prompts.first().contains(QStringLiteral("libzuno.so を読み込めません")),
             qPrintable(box.prompts.first()));
    engine::unload_library();
    engine::set_library_folder(QStringLiteral(QUILLO_PROGRAM_DIR));
  }

  void unreadable_settings_file_is_reported_and_ends_the_program() {
    Sandbox box;
    const QString ini = box.program_folder() + "/quillo.ini";
    QFile::remove(ini);
    QDir().mkpath(ini);  // there, but no file that can be read
    QVERIFY(!box.start());
    QCOMPARE(box.prompts.size(), 1);
    QVERIFY2(box.prompts.first().startsWith(QStringLiteral("設定ファイル ") + ini +
                                            QStringLiteral(" を読み込めません")),
             qPrintable(box.prompts.first()));
  }

  void damaged_settings_file_is_replaced_by_its_good_backup_when_the_user_agrees() {
    Sandbox box;
    DamagedSettings files(box);
    box.answers << prompt::Answer::Ok;
    MainWindow *main = box.start();
    QVERIFY(main);
    QCOMPARE(box.prompts.size(), 1);
    QVERIFY2(box.prompts.first().contains(files.ini) && box.prompts.first().contains(files.backup) &&
                 box.prompts.first().contains(QStringLiteral("書き戻して起動しますか")),
             qPrintable(box.prompts.first()));
    QCOMPARE(bytes_of(files.ini), files.good);
    QCOMPARE(bytes_of(files.backup), files.good);
    QCOMPARE(engine_setting(ZUNO_CurrentWidth), 123);
  }

  void damaged_settings_file_stays_as_it_is_when_the_user_declines() {
    Sandbox box;
    DamagedSettings files(box);
    box.answers << prompt::Answer::Cancel;
    QVERIFY(!box.start());
    QCOMPARE(box.prompts.size(), 1);
    QCOMPARE(bytes_of(files.ini), files.garbage);
    QCOMPARE(bytes_of(files.backup), files.good);
  }

  void backup_that_cannot_be_written_back_is_reported_and_kept() {
    Sandbox box;
    DamagedSettings files(box);
    QFile::remove(files.ini);
    QDir().mkpath(files.ini);  // a folder in the way: nothing can be renamed over it
    box.answers << prompt::Answer::Ok;
    QVERIFY(!box.start());
    QCOMPARE(box.prompts.size(), 2);
    QVERIFY2(box.prompts.last().startsWith(QStringLiteral("控え ") + files.backup),
             qPrintable(box.prompts.last()));
    QVERIFY(QFileInfo(files.ini).isDir());
    QCOMPARE(bytes_of(files.backup), files.good);
  }

  void empty_settings_file_without_backup_is_refused_and_left_alone() {
    Sandbox box;
    const QString ini = box.program_folder() + "/quillo.ini";
    write_bytes(ini, QByteArray());
    QVERIFY(!box.start());
    QCOMPARE(box.prompts.size(), 1);
    QVERIFY2(box.prompts.first().startsWith(QStringLiteral("設定ファイル ") + ini +
                                            QStringLiteral(" を読み込めません")) &&
                 box.prompts.first().contains(QStringLiteral("設定が一つもありません")),
             qPrintable(box.prompts.first()));
    QCOMPARE(bytes_of(ini), QByteArray());
    QVERIFY(!QFileInfo::exists(box.program_folder() + "/quillo.ibk"));
  }

  void exit_saves_the_start_up_values_and_the_settings_file() {
    Sandbox box;
    const QString pictures = box.path("pictures");
    store::write("LastSetDir", pictures);
    store::write("LastTop", "40");
    store::write("LastLeft", "30");
    MainWindow *main = box.start();
    QVERIFY(main);
    QCOMPARE(main->selected_folder(), pictures);
    QCOMPARE(main->pos(), QPoint(30, 40));
    box.started.output->set_box_text(box.path("out2"));
    program_state().ratio_average = 250;
    settings_mirror().min_width = 321;
    main->move(-20, 55);
    main->close();
    QCOMPARE(store::read("ini"), box.program_folder());
    QCOMPARE(store::read("LastSetDrv"), QString());
    QCOMPARE(store::read("LastSetDir"), pictures);
    QCOMPARE(store::read("CurrentOutPutDir"), box.path("out2"));
    QCOMPARE(store::read("TempFilePath"), QString());
    QCOMPARE(store::read("RatioAve"), QStringLiteral("250"));
    QCOMPARE(store::read("LastTop"), QStringLiteral("55"));
    QCOMPARE(store::read("LastLeft"), QStringLiteral("30"));  // a negative position keeps the stored one
    QCOMPARE(box.ini_value(box.program_folder(), "MaxX"), QStringLiteral("321"));
    QVERIFY(QFileInfo::exists(box.program_folder() + "/quillo.ibk"));
  }
};

QUILLO_FRONTEND_TEST_MAIN(StartupTest)
#include "startup_test.moc"
