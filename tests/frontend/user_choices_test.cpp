// What the user chose stays chosen: the picture and output folders (also when they vanish from the disk),
// a typed output folder, the numbers of the settings boxes, the run method, and the size of the main window.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>
#include <cmath>

#include "detail_window.h"
#include "flyout.h"
#include "output_window.h"
#include "program_state.h"
#include "property_dialog.h"
#include "sandbox.h"
#include "settings_mirror.h"

namespace {

QPushButton *button(QWidget *window, const char *name) {
  return window->findChild<QPushButton *>(name);
}

// Folders created below the sandbox, each with a picture.
QString picture_folder(const Sandbox &box, const QString &name) {
  const QString folder = box.path("pictures/" + name);
  box.make_picture(folder + "/one.jpg", 120, 90);
  return folder;
}

// Waits until the folder tree of the window has dropped the row of a removed folder.
bool tree_forgot(QWidget *window, const QString &parent, int rows_before) {
  auto *tree = window->findChild<QTreeView *>("Dir1");
  auto *model = qobject_cast<QFileSystemModel *>(tree->model());
  return QTest::qWaitFor([&] { return model->rowCount(model->index(parent)) < rows_before; }, 5000);
}

int rows_below(QWidget *window, const QString &parent) {
  auto *tree = window->findChild<QTreeView *>("Dir1");
  auto *model = qobject_cast<QFileSystemModel *>(tree->model());
  model->fetchMore(model->index(parent));
  if (!QTest::qWaitFor([&] { return model->rowCount(model->index(parent)) > 0; }, 5000)) return 0;
  return model->rowCount(model->index(parent));
}

template <typename T>
T *child(QWidget *window, const char *name) {
  T *found = window->findChild<T *>(name);
  if (!found) qFatal("no control %s", name);
  return found;
}

// The user types into a number box and then presses Enter or leaves it.
void type_and_leave(QLineEdit *box, const QString &text) {
  box->setText(text);
  Q_EMIT box->textEdited(text);
  Q_EMIT box->editingFinished();
}

// Catalog folders written below an output folder (one per picture folder).
QStringList catalogs_in(const QString &output) {
  return QDir(output).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

// Every catalog page below a folder, one after another.
QString text_of_pages(const QString &folder) {
  QString text;
  QDirIterator pages(folder, {"*.html"}, QDir::Files, QDirIterator::Subdirectories);
  while (pages.hasNext()) {
    QFile page(pages.next());
    if (page.open(QIODevice::ReadOnly)) text += QString::fromUtf8(page.readAll());
  }
  return text;
}

// The lines of the main window's result list.
QStringList lines_of(MainWindow *main) {
  QStringList lines;
  auto *list = main->findChild<QListWidget *>("List1");
  for (int i = 0; list && i < list->count(); ++i) lines << list->item(i)->text();
  return lines;
}

// The pointer visits the fly-out and goes back over the main window.
void visit_and_leave(QWidget *window, MainWindow *main) {
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(window, &enter);
  main->on_Main_MouseMove();
}

}  // namespace

class UserChoicesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void vanished_picture_folder_is_reported_and_never_swapped_for_its_neighbour() {
    Sandbox box;
    const QString chosen = picture_folder(box, "b_chosen");
    const QString neighbour = picture_folder(box, "c_neighbour");
    picture_folder(box, "a_before");
    MainWindow *main = box.start();
    QVERIFY(main);
    const int rows = rows_below(main, box.path("pictures"));
    QVERIFY(main->select_folder(chosen));
    QVERIFY(QDir(chosen).removeRecursively());
    QVERIFY(tree_forgot(main, box.path("pictures"), rows));
    QCOMPARE(main->selected_folder(), chosen);
    // Nor does the tree show a neighbour as chosen.
    QVERIFY(!main->findChild<QTreeView *>("Dir1")->currentIndex().isValid());

    const QString output = program_state().output_folder;
    const QStringList before = catalogs_in(output);
    button(main, "OK")->click();
    QCOMPARE(box.prompts.size(), 1);
    QVERIFY2(box.prompts.first().contains(QStringLiteral("フォルダが見つかりません")),
             qPrintable(box.prompts.first()));
    QVERIFY2(box.prompts.first().contains(chosen), qPrintable(box.prompts.first()));
    QCOMPARE(catalogs_in(output), before);
    QTest::qWait(100);
    QVERIFY(box.opened_pages().isEmpty());

    // Choosing the neighbour is the user's to do; then GO builds its catalog.
    box.prompts.clear();
    QVERIFY(main->select_folder(neighbour));
    button(main, "OK")->click();
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QVERIFY(catalogs_in(output).contains("c_neighbour"));
  }

  void vanished_output_folder_stays_in_the_box_and_is_offered_to_be_made() {
    Sandbox box;
    const QString pictures = picture_folder(box, "cats");
    const QString chosen_output = box.path("outputs/b_chosen");
    const QString sibling = box.path("outputs/c_sibling");
    QDir().mkpath(box.path("outputs/a_first"));
    QDir().mkpath(chosen_output);
    QDir().mkpath(sibling);
    MainWindow *main = box.start();
    QVERIFY(main);
    OutputWindow *output = box.started.output;
    const int rows = rows_below(output, box.path("outputs"));
    output->browse_to(chosen_output);
    QCOMPARE(output->box_text(), chosen_output);
    QVERIFY(QDir().rmdir(chosen_output));
    QVERIFY(tree_forgot(output, box.path("outputs"), rows));
    QCOMPARE(output->box_text(), chosen_output);
    QCOMPARE(program_state().output_folder, chosen_output);

    QVERIFY(main->select_folder(pictures));
    box.answers << prompt::Answer::Cancel;
    button(main, "OK")->click();
    QCOMPARE(
        box.prompts,
        QStringList{QStringLiteral("出力先フォルダ %1 がありません。作成しますか？").arg(chosen_output)});
    QVERIFY(!QFileInfo::exists(chosen_output));
    QVERIFY(catalogs_in(sibling).isEmpty());

    box.prompts.clear();
    button(main, "OK")->click();  // this time the answer is OK
    QCOMPARE(box.prompts.size(), 1);
    QVERIFY(catalogs_in(chosen_output).contains("cats"));
    QVERIFY(catalogs_in(sibling).isEmpty());
  }

  void typed_output_folder_survives_the_pointer_going_back_to_the_main_window() {
    Sandbox box;
    const QString pictures = picture_folder(box, "dogs");
    MainWindow *main = box.start();
    QVERIFY(main);
    OutputWindow *output = box.started.output;
    button(main, "Command2")->click();
    QVERIFY(output->isVisible());
    const QString browsed = box.path("browsed");
    QDir().mkpath(browsed);
    output->browse_to(browsed);
    QCOMPARE(output->box_text(), browsed);
    const QString typed = box.path("typed/out");
    QDir().mkpath(typed);
    output->findChild<QComboBox *>("Combo1")->lineEdit()->setText(typed);
    visit_and_leave(output, main);
    QVERIFY(!output->isVisible());
    QCOMPARE(output->box_text(), typed);
    QCOMPARE(program_state().output_folder, typed);

    QVERIFY(main->select_folder(pictures));
    button(main, "OK")->click();  // clicked with the mouse
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QVERIFY(catalogs_in(typed).contains("dogs"));
    QVERIFY(catalogs_in(browsed).isEmpty());
    QCOMPARE(output->box_text(), typed);
  }

  void typed_output_folder_that_does_not_exist_is_made_only_when_the_user_agrees() {
    Sandbox box;
    const QString pictures = picture_folder(box, "birds");
    MainWindow *main = box.start();
    QVERIFY(main);
    const QString typed = box.path("new/place");
    box.started.output->findChild<QComboBox *>("Combo1")->lineEdit()->setText(typed);
    QVERIFY(main->select_folder(pictures));
    box.answers << prompt::Answer::Cancel;
    button(main, "OK")->click();
    QCOMPARE(box.prompts.size(), 1);
    QVERIFY(!QFileInfo::exists(box.path("new")));

    QFile in_the_way(box.path("plain"));
    QVERIFY(in_the_way.open(QIODevice::WriteOnly));
    in_the_way.close();
    box.started.output->set_box_text(box.path("plain"));
    box.prompts.clear();
    button(main, "OK")->click();
    QCOMPARE(box.prompts,
             QStringList{QStringLiteral("出力先 %1 はフォルダではありません。").arg(box.path("plain"))});

    box.started.output->set_box_text(typed);
    box.prompts.clear();
    button(main, "OK")->click();
    QCOMPARE(box.prompts.size(), 1);  // the offer, answered OK
    QVERIFY(catalogs_in(typed).contains("birds"));
  }

  void old_main_writes_the_folder_catalog_and_opens_its_entry_page() {
    Sandbox box;
    const QString pictures = picture_folder(box, "fish");
    box.make_picture(pictures + "/two.png", 64, 48);
    MainWindow *main = box.start();
    QVERIFY(main);
    QVERIFY(main->select_folder(pictures));
    box.started.detail->findChild<QRadioButton *>("Option9")->click();
    QVERIFY(!settings_mirror().new_main);
    const QString catalog = program_state().output_folder + "/fish";
    QVERIFY(!QFileInfo::exists(catalog));
    button(main, "OK")->click();
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QVERIFY(QFileInfo(catalog + "/index.html").isFile());
    const QString pages = text_of_pages(catalog);
    QVERIFY2(pages.contains("one.jpg") && pages.contains("two.png"), qPrintable(pages));
    QTRY_COMPARE(box.opened_pages(), QStringList{catalog + "/index.html"});
    QVERIFY(button(main, "OK")->isVisible() && button(main, "OK")->isEnabled());
    const QStringList lines = lines_of(main);
    QVERIFY2(lines.contains("**" + pictures + "**"), qPrintable(lines.join('|')));

    // The same GO with "New Main" takes the two-phase run again, into a catalog folder of its own.
    box.started.detail->findChild<QRadioButton *>("Option8")->click();
    button(main, "OK")->click();
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QTRY_COMPARE(box.opened_pages().size(), 2);
    QVERIFY(box.opened_pages().last() != catalog + "/index.html");
    QVERIFY(box.opened_pages().last().startsWith(catalog + "/"));
    QVERIFY(QFileInfo(box.opened_pages().last()).isFile());
  }

  void old_main_that_cannot_write_its_catalog_says_so_and_opens_nothing() {
    Sandbox box;
    const QString pictures = picture_folder(box, "fish");
    MainWindow *main = box.start();
    QVERIFY(main);
    QVERIFY(main->select_folder(pictures));
    box.started.detail->findChild<QRadioButton *>("Option9")->click();
    // A plain file where the catalog folder would go.
    const QString in_the_way = program_state().output_folder + "/fish";
    QVERIFY(QDir().mkpath(program_state().output_folder));
    QFile file(in_the_way);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("kept");
    file.close();
    button(main, "OK")->click();
    QCOMPARE(box.prompts.size(), 1);
    QVERIFY2(box.prompts.first().startsWith(QStringLiteral("「Old Main」でカタログを作れませんでした。")),
             qPrintable(box.prompts.first()));
    QVERIFY(box.prompts.first().contains(pictures));
    QVERIFY(QFileInfo(in_the_way).isFile());
    QCOMPARE(QFileInfo(in_the_way).size(), 4);
    QVERIFY(button(main, "OK")->isVisible() && button(main, "OK")->isEnabled());
    QTest::qWait(200);
    QVERIFY(box.opened_pages().isEmpty());
  }

  void fixed_ratio_box_shows_the_loaded_divisor_and_each_fit_keeps_its_own_size() {
    Sandbox box;
    box.set_ini(box.program_folder(), "Priority", "2");
    box.set_ini(box.program_folder(), "CurrentScale", "3");
    box.set_ini(box.program_folder(), "CurrentWidth", "110");
    box.set_ini(box.program_folder(), "CurrentHight", "70");
    MainWindow *main = box.start();
    QVERIFY(main);
    PropertyDialog *p = box.started.property;
    auto *size = child<QLineEdit>(p, "Text1");
    QVERIFY(child<QRadioButton>(p, "Option3")->isChecked());
    QCOMPARE(size->text(), QStringLiteral("3"));
    QCOMPARE(child<QScrollBar>(p, "HScroll1")->value(), 3);
    QCOMPARE(child<QScrollBar>(p, "HScroll1")->minimum(), PropertyDialog::kScaleMin);
    QCOMPARE(child<QScrollBar>(p, "HScroll1")->maximum(), PropertyDialog::kScaleMax);

    child<QRadioButton>(p, "Option2")->click();
    QCOMPARE(size->text(), QStringLiteral("110"));
    QCOMPARE(child<QScrollBar>(p, "HScroll1")->maximum(), PropertyDialog::kThumbMax);
    type_and_leave(size, "120");
    child<QRadioButton>(p, "Option1")->click();
    QCOMPARE(size->text(), QStringLiteral("70"));
    child<QRadioButton>(p, "Option3")->click();
    QCOMPARE(size->text(), QStringLiteral("3"));
    type_and_leave(size, "99");  // beyond the divisors offered: the largest is used and shown
    QCOMPARE(size->text(), QString::number(PropertyDialog::kScaleMax));
    type_and_leave(size, "5");
    QCOMPARE(settings_mirror().thumb_size, 5);

    main->close();
    QCOMPARE(box.ini_value(box.program_folder(), "Priority"), QStringLiteral("2"));
    QCOMPARE(box.ini_value(box.program_folder(), "CurrentScale"), QStringLiteral("5"));
    QCOMPARE(box.ini_value(box.program_folder(), "CurrentWidth"), QStringLiteral("120"));
    QCOMPARE(box.ini_value(box.program_folder(), "CurrentHight"), QStringLiteral("70"));
  }

  void a_run_with_a_fixed_ratio_divides_the_pictures_by_the_chosen_divisor() {
    Sandbox box;
    const QString pictures = box.path("pictures/wide");
    box.make_picture(pictures + "/wide.png", 200, 100);
    MainWindow *main = box.start();
    QVERIFY(main);
    QVERIFY(main->select_folder(pictures));
    PropertyDialog *p = box.started.property;
    child<QRadioButton>(p, "Option3")->click();
    type_and_leave(child<QLineEdit>(p, "Text1"), "5");
    button(main, "OK")->click();
    QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
    QTRY_COMPARE(box.opened_pages().size(), 1);
    const QString pages = text_of_pages(program_state().output_folder);
    QVERIFY2(pages.contains(R"(width="40" height="20")"), qPrintable(pages));
  }

  void page_size_the_user_left_alone_is_written_back_unchanged() {
    for (const char *kilobytes : {"300", "1536", "200000", "0"}) {
      Sandbox box;
      box.set_ini(box.program_folder(), "OnePageMax", kilobytes);
      MainWindow *main = box.start();
      QVERIFY(main);
      PropertyDialog *p = box.started.property;
      const int megabytes = static_cast<int>(std::lround(QByteArray(kilobytes).toInt() / 1024.0));
      QCOMPARE(child<QLineEdit>(p, "Text2")->text(), QString::number(megabytes));
      QCOMPARE(child<QScrollBar>(p, "HScroll2")->value(), megabytes);
      main->close();
      QCOMPARE(box.ini_value(box.program_folder(), "OnePageMax"), QString::fromLatin1(kilobytes));
    }
  }

  void page_size_the_user_changed_is_written_in_kilobytes_over_the_setting_s_whole_range() {
    Sandbox box;
    box.set_ini(box.program_folder(), "OnePageMax", "1536");
    MainWindow *main = box.start();
    QVERIFY(main);
    PropertyDialog *p = box.started.property;
    // The setting holds up to INT_MAX / 1024 kilobytes: the bar reaches as far.
    QCOMPARE(child<QScrollBar>(p, "HScroll2")->maximum(), 2048);
    QCOMPARE(child<QScrollBar>(p, "HScroll2")->minimum(), 0);
    type_and_leave(child<QLineEdit>(p, "Text2"), "300");
    QCOMPARE(child<QScrollBar>(p, "HScroll2")->value(), 300);
    main->close();
    QCOMPARE(box.ini_value(box.program_folder(), "OnePageMax"), QStringLiteral("307200"));
  }

  void number_boxes_clamp_to_their_range_and_show_the_number_in_use() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    PropertyDialog *p = box.started.property;
    auto *thumb = child<QLineEdit>(p, "Text1");
    type_and_leave(thumb, "99999999999");
    QCOMPARE(thumb->text(), QString::number(PropertyDialog::kThumbMax));
    QCOMPARE(settings_mirror().thumb_size, PropertyDialog::kThumbMax);
    thumb->setText("-99999999999");
    Q_EMIT thumb->textEdited(thumb->text());  // the size follows the typing, within the range
    QCOMPARE(settings_mirror().thumb_size, PropertyDialog::kThumbMin);
    Q_EMIT thumb->editingFinished();
    QCOMPARE(thumb->text(), QString::number(PropertyDialog::kThumbMin));

    auto *width = child<QLineEdit>(p, "Text4");
    type_and_leave(width, "15");  // below the range: 100 is used, and shown once the box is left
    QCOMPARE(width->text(), QString::number(PropertyDialog::kDesignMin));
    QCOMPARE(settings_mirror().design_width, PropertyDialog::kDesignMin);

    auto *pages = child<QLineEdit>(p, "Text3");
    pages->setText("7");
    Q_EMIT pages->editingFinished();  // left without Enter: still taken
    QCOMPARE(settings_mirror().page_count, 7);

    DetailWindow *d = box.started.detail;
    for (int i = 0; i < DetailWindow::kCacheRules; ++i) {
      auto *number = child<QLineEdit>(d, qPrintable(QStringLiteral("Text%1").arg(4 + i)));
      for (const QString &typed : {QStringLiteral("abc"), QStringLiteral("-5")}) {
        type_and_leave(number, typed);
        QCOMPARE(number->text(), QStringLiteral("0"));
        QCOMPARE(settings_mirror().cache_rules[i], 0);
      }
      type_and_leave(number, "99999999999");
      QCOMPARE(number->text(), QString::number(DetailWindow::kCacheMax[i]));
      QCOMPARE(settings_mirror().cache_rules[i], DetailWindow::kCacheMax[i]);
    }
    auto *banner = child<QLineEdit>(d, "Text1");
    type_and_leave(banner, "0");
    type_and_leave(banner, "abc");
    QCOMPARE(banner->text(), QStringLiteral("0"));
    auto *ratio = child<QLineEdit>(d, "Text3");
    type_and_leave(ratio, "-3");
    QCOMPARE(ratio->text(), QStringLiteral("0"));
    QCOMPARE(settings_mirror().slender_ratio, 0);
  }

  void main_window_keeps_its_size_over_runs() {
    Sandbox box;
    const QString pictures = picture_folder(box, "owls");
    MainWindow *main = box.start();
    QVERIFY(main);
    QVERIFY(main->select_folder(pictures));
    QTest::qWait(50);
    const QSize before = main->size();
    for (int run = 0; run < 2; ++run) {
      button(main, "OK")->click();
      QApplication::processEvents();
      QVERIFY2(box.prompts.isEmpty(), qPrintable(box.prompts.join('|')));
      QCOMPARE(main->size(), before);
    }
    QVERIFY(button(main, "OK")->isVisible());
    QVERIFY(!button(main, "StopIt")->isVisible());
  }
};

QUILLO_FRONTEND_TEST_MAIN(UserChoicesTest)
#include "user_choices_test.moc"
