// The main window outside a run: drops, the drop menu, the fly-out windows, the mode table, the pictures.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "detail_window.h"
#include "flyout.h"
#include "output_window.h"
#include "program_state.h"
#include "property_dialog.h"
#include "sandbox.h"
#include "settings_mirror.h"
#include "showcg_link.h"

namespace {

QMimeData *files(const QStringList &paths) {
  auto *data = new QMimeData;
  QList<QUrl> urls;
  for (const QString &p : paths) urls << QUrl::fromLocalFile(p);
  data->setUrls(urls);
  return data;
}

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

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void folder_drops_select_the_folder_and_other_files_change_nothing() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    const QString first = box.path("pictures/a");
    const QString second = box.path("pictures/b");
    box.make_picture(first + "/one.jpg", 30, 30);
    box.make_picture(second + "/two.jpg", 30, 30);
    std::unique_ptr<QMimeData> folder_drop(files({first, second}));
    main->on_Main_OLEDragDrop(folder_drop.get());
    QCOMPARE(main->selected_folder(), first);
    std::unique_ptr<QMimeData> file_drop(files({second + "/two.jpg"}));
    main->on_Dir1_OLEDragDrop(file_drop.get());
    main->on_Main_OLEDragDrop(file_drop.get());
    QCOMPARE(main->selected_folder(), first);
    std::unique_ptr<QMimeData> tree_drop(files({second}));
    main->on_Dir1_OLEDragDrop(tree_drop.get());
    QCOMPARE(main->selected_folder(), second);
    QVERIFY(box.prompts.isEmpty());
  }

  void dropped_picture_is_shown_in_a_small_catalog() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    const QString picture = box.path("pictures/view/sunset.jpg");
    box.make_picture(picture, 300, 200);
    std::unique_ptr<QMimeData> drop(files({picture}));
    drop->setImageData(QImage(picture));
    const QString before = main->selected_folder();
    main->on_Dir1_OLEDragDrop(drop.get());
    QCOMPARE(main->selected_folder(), before);
    QCOMPARE(box.started.run->pic_view().count(), 1);
    QTRY_COMPARE(box.opened_pages().size(), 1);
    QVERIFY2(box.opened_pages().first().endsWith("/temp_html/index.html"),
             qPrintable(box.opened_pages().first()));
    QVERIFY(QFileInfo::exists(box.opened_pages().first()));
  }

  void dropped_thumbnail_link_opens_the_drop_menu() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    auto *menu = main->findChild<QMenu *>("mDropItem");
    std::unique_ptr<QMimeData> plain(text("just some words"));
    main->on_Dir1_OLEDragDrop(plain.get());
    QVERIFY(!main->findChild<QTimer *>("Timer3")->isActive());
    std::unique_ptr<QMimeData> link(text(link_to("/srv/cache/Content.IE5/X1/cat[1].jpg")));
    main->on_Dir1_OLEDragDrop(link.get());
    QVERIFY(main->findChild<QTimer *>("Timer3")->isActive());
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
    // Nothing is known about this picture's address: every detection says so.
    main->on_mGetURL_Click();
    main->on_mGetURLtoCB_Click();
    main->on_mGetLink_Click(2);
    const QString failed = QStringLiteral("検出に失敗しました");
    QCOMPARE(box.prompts, QStringList({failed, failed, failed}));
  }

  void deleting_by_drop_asks_first_and_beeps_on_failure() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    const QString picture = box.path("catalog/Images/猫 の写真.jpg");
    box.make_picture(picture, 20, 20);
    // Only a picture that a catalog of the output folder links can be deleted by a drop.
    QString output;
    engine::get_str(ZUNO_OutputPath, output);
    QDir().mkpath(output + "/catalog/html_1");
    QFile page(output + "/catalog/html_1/index000000.html");
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<a href=\"JavaScript:showcg('" + picture.toUtf8() + "',20,20)\" target=\"_self\">\n</a>\n");
    page.close();

    std::unique_ptr<QMimeData> foreign(text("http://example.com/cat.jpg"));
    main->on_Label1_OLEDragDrop(foreign.get());
    QCOMPARE(box.prompts.takeFirst(), QStringLiteral("このプログラムで作成したファイルでは有りません"));

    std::unique_ptr<QMimeData> link(text(link_to(picture)));
    box.answers << prompt::Answer::Cancel;
    main->on_Label1_OLEDragDrop(link.get());
    QCOMPARE(box.prompts.takeFirst(), picture + QStringLiteral("を削除します。よろしいですか？"));
    QVERIFY(QFileInfo::exists(picture));

    main->on_Label1_OLEDragDrop(link.get());
    QCOMPARE(box.prompts.takeFirst(), picture + QStringLiteral("を削除します。よろしいですか？"));
    QVERIFY(!QFileInfo::exists(picture));
    QVERIFY(box.prompts.isEmpty());

    main->on_Label1_OLEDragDrop(link.get());  // already gone
    QCOMPARE(box.prompts,
             QStringList({picture + QStringLiteral("を削除します。よろしいですか？"), QString()}));
    box.prompts.clear();

    std::unique_ptr<QMimeData> file_list(files({box.path("pictures")}));
    main->on_Label1_OLEDragDrop(file_list.get());
    QCOMPARE(box.beeps(), 1);
    QVERIFY(QFileInfo::exists(box.path("pictures")));
  }

  void thumbnail_links_decode_to_the_file_name() {
    QVERIFY(showcg::is_link("JavaScript:showcg('/a.jpg',1,1)"));
    QVERIFY(!showcg::is_link("javascript:other('/a.jpg')"));
    QCOMPARE(showcg::picture_path("JavaScript:showcg('/pics/a b.jpg',10,20)"),
             QStringLiteral("/pics/a b.jpg"));
    QCOMPARE(showcg::picture_path("javascript:showcg('/pics/%E7%8C%AB%20100%25.jpg',10,20)"),
             QStringLiteral("/pics/猫 100%.jpg"));
    QCOMPARE(showcg::picture_path(R"(javascript:showcg('/pics/it\'s \\ here.jpg',1,1))"),
             QStringLiteral("/pics/it's \\ here.jpg"));
    QCOMPARE(showcg::picture_path("javascript:showcg('/unterminated"), QString());
    // A stray byte of a name that is not UTF-8 cannot be given back: no picture, not a lossy one.
    QCOMPARE(showcg::picture_path(R"(javascript:showcg('/pics/caf\uDCE9.jpg',1,1))"), QString());
    QCOMPARE(showcg::picture_path(R"(javascript:showcg('/pics/\uD83D\uDC80.jpg',1,1))"),
             QStringLiteral("/pics/\U0001F480.jpg"));
  }

  void output_window_flies_out_and_keeps_the_typed_folder() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    OutputWindow *output = box.started.output;
    FlyOut *flyout = box.started.output_flyout;
    main->findChild<QPushButton *>("Command2")->click();
    QVERIFY(output->isVisible());
    QCOMPARE(flyout->flag(), int(FlyOut::kOpened));
    // Beside the main window, as far as its screen allows.
    const QRect area = main->screen()->availableGeometry();
    QCOMPARE(output->x(), std::min(main->x() + main->frameGeometry().width(),
                                   area.right() + 1 - output->frameGeometry().width()));
    QCOMPARE(output->y(), main->y());

    const QString browsed = box.path("pictures");
    const QString typed = box.path("typed");
    QDir().mkpath(typed);
    output->browse_to(browsed);
    QCOMPARE(output->box_text(), browsed);
    output->set_box_text(typed);
    QCOMPARE(program_state().output_folder, typed);
    main->on_Main_MouseMove();  // not visited yet: it stays
    QVERIFY(output->isVisible());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(output, &enter);
    QCOMPARE(flyout->flag(), int(FlyOut::kVisited));
    main->on_Main_MouseMove();
    QVERIFY(!output->isVisible());
    // What was typed last stays, and joins the list of folders used.
    QCOMPARE(output->box_text(), typed);
    QCOMPARE(program_state().output_folder, typed);
    QVERIFY(output->findChild<QComboBox *>("Combo1")->findText(typed) >= 0);

    QApplication::sendEvent(main->findChild<QPushButton *>("Command2"), &enter);
    QVERIFY(output->isVisible());
    QCOMPARE(flyout->flag(), int(FlyOut::kOpened));
    QContextMenuEvent right_click(QContextMenuEvent::Mouse, QPoint(5, 5), output->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(output, &right_click);
    QVERIFY(!output->isVisible());
    QCOMPARE(flyout->flag(), int(FlyOut::kClosed));

    main->findChild<QPushButton *>("Command3")->click();
    PropertyDialog *property = box.started.property;
    QVERIFY(property->isVisible());
    QCOMPARE(property->x(), std::max(main->x() - property->frameGeometry().width(), area.left()));
    main->findChild<QPushButton *>("Command3")->click();
    QVERIFY(!property->isVisible());
  }

  void click_after_resting_on_a_fly_out_button_leaves_the_window_shown() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    const std::pair<const char *, QWidget *> fly_outs[] = {{"Command2", box.started.output},
                                                           {"Command3", box.started.property}};
    for (auto [name, window] : fly_outs) {
      auto *opener = main->findChild<QPushButton *>(name);
      QEvent enter(QEvent::Enter);
      QEvent leave(QEvent::Leave);
      opener->click();
      QVERIFY2(window->isVisible(), name);
      QApplication::sendEvent(window, &enter);
      main->on_Main_MouseMove();
      QVERIFY2(!window->isVisible(), name);
      // The pointer on its way to the click rests on the button, which shows the window again.
      QApplication::sendEvent(opener, &enter);
      QVERIFY2(window->isVisible(), name);
      opener->click();
      QVERIFY2(window->isVisible(), name);
      opener->click();  // a second click hides it
      QVERIFY2(!window->isVisible(), name);

      // Shown by resting, then the pointer left the button and came back: the user saw it shown.
      opener->click();
      QApplication::sendEvent(window, &enter);
      main->on_Main_MouseMove();
      QApplication::sendEvent(opener, &enter);
      QApplication::sendEvent(opener, &leave);
      QApplication::sendEvent(opener, &enter);
      QVERIFY2(window->isVisible(), name);
      opener->click();
      QVERIFY2(!window->isVisible(), name);
    }
  }

  void modes_enable_the_copy_and_thumbnail_boxes_only_in_normal_mode() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    auto *modes = main->findChild<QComboBox *>("Combo1");
    QCOMPARE(modes->count(), 4);
    for (int mode : {1, 2, 3, 0}) {
      modes->setCurrentIndex(mode);
      QCOMPARE(main->findChild<QCheckBox *>("FileCopy")->isEnabled(), mode == 0);
      QCOMPARE(main->findChild<QCheckBox *>("MakeThumb")->isEnabled(), mode == 0);
    }
    main->findChild<QCheckBox *>("FileCopy")->click();
    QCOMPARE(settings_mirror().file_copy, main->findChild<QCheckBox *>("FileCopy")->isChecked() ? 1 : 0);
    // The detail window's overwrite rules follow the box after start-up too.
    auto *rules = box.started.detail->findChild<QGroupBox *>("Frame4");
    QCOMPARE(rules->isEnabled(), main->findChild<QCheckBox *>("FileCopy")->isChecked());
    main->findChild<QCheckBox *>("FileCopy")->click();
    QCOMPARE(rules->isEnabled(), main->findChild<QCheckBox *>("FileCopy")->isChecked());
  }

  void state_pictures_follow_the_display_style() {
    Sandbox box;
    MainWindow *main = box.start();
    QVERIFY(main);
    auto visible = [main](const char *name) { return main->findChild<QLabel *>(name)->isVisible(); };
    QVERIFY(visible("Picture7"));
    for (int tick = 0; tick < 19; ++tick) main->set_state_picture(StatePicture::NextFrame);
    QCOMPARE(main->spinner_frame(), 20);
    main->set_state_picture(StatePicture::NextFrame);
    QCOMPARE(main->spinner_frame(), 1);

    settings_mirror().display_style = 1;
    main->apply_display_style();
    QVERIFY(!visible("Picture7"));
    QVERIFY(visible("Picture1") && !visible("Picture2") && visible("Picture3"));
    main->set_state_picture(StatePicture::Working);
    QVERIFY(visible("Picture1") && !visible("Picture2") && !visible("Picture3"));
    main->set_state_picture(StatePicture::Done);
    QVERIFY(!visible("Picture1") && visible("Picture2") && !visible("Picture3"));
    main->set_state_picture(StatePicture::NextFrame);
    QCOMPARE(main->spinner_frame(), 1);
  }
};

QUILLO_FRONTEND_TEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
