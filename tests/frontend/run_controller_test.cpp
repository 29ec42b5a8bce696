// The run controller on its own, with no window at all: what it reports by its signals, and the bound number
// box that replaced the settings dialog's hand-written box and bar pairs.
#include "run_controller.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "bound_number.h"
#include "engine_binding.h"
#include "program_state.h"
#include "sandbox.h"
#include "settings_mirror.h"

namespace {

// Starts the engine on the sandbox's settings as start-up would, without any window.
void start_engine(const Sandbox &box, RunController &run) {
  program_state().settings_folder = box.program_folder();
  program_state().output_folder = box.program_folder() + "/OUTPUT";
  QDir().mkpath(program_state().output_folder);
  QCOMPARE(engine::init(box.program_folder()), 0);
  load_mirror(settings_mirror());
  run.register_progress_callbacks();
}

QStringList texts_of(const QSignalSpy &spy) {
  QStringList texts;
  for (const QList<QVariant> &arguments : spy) texts << arguments.at(0).toString();
  return texts;
}

}  // namespace

class RunControllerTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void go_reports_the_whole_run_by_signals_and_ignores_a_second_go() {
    Sandbox box;
    const QString folder = box.path("pictures/birds");
    box.make_picture(folder + "/robin.jpg", 320, 240);
    box.make_picture(folder + "/wren.png", 200, 150);
    RunController run;
    start_engine(box, run);
    QStringList events;
    connect(&run, &RunController::run_shown, this,
            [&](bool running) { events << (running ? "STOP shown" : "GO shown"); });
    connect(&run, &RunController::busy_changed, this, [&](bool busy) {
      events << (busy ? "busy" : "idle");
      // A GO that arrives while the run holds the engine (a queued click) must start nothing.
      if (busy) run.go(RunMode::Normal, folder, false);
    });
    QSignalSpy lines(&run, &RunController::line_added);
    QSignalSpy pictures(&run, &RunController::state_picture_changed);
    run.go(RunMode::Normal, folder, false);
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QCOMPARE(events, QStringList({"STOP shown", "busy", "idle", "GO shown"}));
    const QStringList summary = texts_of(lines);
    QCOMPARE(summary.size(), 7);
    QCOMPARE(summary.first(), "**" + folder + "**");
    QCOMPARE(summary.at(3), QStringLiteral("Pic   2"));
    QCOMPARE(pictures.first().at(0).value<StatePicture>(), StatePicture::Working);
    QCOMPARE(pictures.last().at(0).value<StatePicture>(), StatePicture::Done);
    QTRY_COMPARE(box.opened_pages().size(), 1);
    QVERIFY(QFileInfo(box.opened_pages().first()).isFile());
    // The idle pictures come back by themselves.
    QTRY_COMPARE_WITH_TIMEOUT(pictures.last().at(0).value<StatePicture>(), StatePicture::Idle, 4000);
  }

  void folder_information_is_reported_as_result_lines() {
    Sandbox box;
    const QString folder = box.path("pictures/fish");
    box.make_picture(folder + "/carp.jpg", 64, 48);
    RunController run;
    start_engine(box, run);
    QSignalSpy lines(&run, &RunController::line_added);
    QSignalSpy selected(&run, &RunController::last_line_selected);
    run.show_folder_information(folder);
    const QStringList shown = texts_of(lines);
    QCOMPARE(shown.size(), 6);
    QCOMPARE(shown.at(3), QStringLiteral("Pic   1"));
    QCOMPARE(shown.last(), QString());
    QCOMPARE(selected.size(), 1);
  }

  void stop_before_the_run_does_not_abort_it() {
    Sandbox box;
    const QString folder = box.path("pictures/owls");
    box.make_picture(folder + "/barn.jpg", 320, 240);
    RunController run;
    start_engine(box, run);
    run.stop();  // a STOP left over from before the run
    QSignalSpy lines(&run, &RunController::line_added);
    run.go(RunMode::Normal, folder, false);
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QCOMPARE(lines.size(), 7);
  }

  void dropped_link_opens_the_drop_menu_once_after_a_short_wait() {
    Sandbox box;
    RunController run;
    QSignalSpy due(&run, &RunController::drop_menu_due);
    run.schedule_drop_menu();
    QCOMPARE(due.size(), 0);
    QTRY_COMPARE(due.size(), 1);
    QTest::qWait(250);
    QCOMPARE(due.size(), 1);
  }

  // --- the bound number box ---

  void number_committed_on_leaving_is_kept_within_the_bar() {
    settings_mirror() = SettingsMirror{};
    QWidget parent;
    BoundNumber number("Text5", "HScroll5", Qt::Horizontal, 0, 2000, &SettingsMirror::min_width,
                       BoundNumber::Commit::OnLeave, &parent);
    QCOMPARE(number.box()->objectName(), QStringLiteral("Text5"));
    QCOMPARE(number.bar()->objectName(), QStringLiteral("HScroll5"));
    number.box()->setText("5000");
    QCOMPARE(settings_mirror().min_width, 0);  // not yet committed
    Q_EMIT number.box()->editingFinished();
    QCOMPARE(number.value(), 2000);
    QCOMPARE(number.box()->text(), QStringLiteral("2000"));
    QCOMPARE(settings_mirror().min_width, 2000);
    number.bar()->setValue(640);
    QCOMPARE(number.box()->text(), QStringLiteral("640"));
    QCOMPARE(settings_mirror().min_width, 640);
  }

  void number_typed_digit_by_digit_keeps_the_box_text() {
    settings_mirror() = SettingsMirror{};
    QWidget parent;
    BoundNumber number("Text4", "HScroll4", Qt::Horizontal, 100, 4000, &SettingsMirror::design_width,
                       BoundNumber::Commit::AsTyped, &parent);
    number.box()->setText("15");
    QCOMPARE(number.box()->text(), QStringLiteral("15"));
    QCOMPARE(settings_mirror().design_width, 100);
    number.box()->setText("1500");
    QCOMPARE(number.value(), 1500);
    QCOMPARE(settings_mirror().design_width, 1500);
  }

  void loaded_value_reaches_box_and_setting_even_when_the_bar_stays() {
    settings_mirror() = SettingsMirror{};
    QWidget parent;
    BoundNumber number("Text2", "HScroll2", Qt::Horizontal, 1, 64, &SettingsMirror::page_size_mb,
                       BoundNumber::Commit::OnEnter, &parent);
    number.bar()->setValue(1);
    number.box()->setText("typed");
    settings_mirror().page_size_mb = 0;
    number.set_value(1);
    QCOMPARE(number.box()->text(), QStringLiteral("1"));
    QCOMPARE(settings_mirror().page_size_mb, 1);
  }
};

QUILLO_FRONTEND_TEST_MAIN(RunControllerTest)
#include "run_controller_test.moc"
