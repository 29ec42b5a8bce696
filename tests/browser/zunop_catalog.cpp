// Makes a catalog the way a user of ZunoP does: the main window with the thumbnail box ticked, a picture
// folder chosen and GO pressed, on the offscreen platform against the real engine. The catalog lands in the
// output folder given, with the thumbnails ZunoP made in its Thumbs folder; the entry page it handed to the
// browser is printed on standard output.
//
//   zunop_catalog PICTURE_FOLDER OUTPUT_FOLDER
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "sandbox.h"
#include "startup_store.h"

namespace {

int fail(const QString &why) {
  std::fprintf(stderr, "zunop_catalog: %s\n", qPrintable(why));
  return 1;
}

int make_catalog(const QString &pictures, const QString &output) {
  Sandbox box;
  QDir().mkpath(output);
  // The output folder a user chose at an earlier start.
  store::write(QStringLiteral("CurrentOutPutDir"), output);
  MainWindow *main = box.start();
  if (!main) return fail(QStringLiteral("the main window did not open"));
  if (!main->select_folder(pictures)) return fail(QStringLiteral("cannot choose ") + pictures);
  auto *make_thumb = main->findChild<QCheckBox *>(QStringLiteral("MakeThumb"));
  if (!make_thumb) return fail(QStringLiteral("no thumbnail box"));
  // Clicked as a user does, so that the box's own handler puts the choice into the settings.
  if (!make_thumb->isChecked())
    QTest::mouseClick(make_thumb, Qt::LeftButton, {}, make_thumb->rect().center());
  if (!make_thumb->isChecked()) return fail(QStringLiteral("the thumbnail box stays unticked"));
  main->findChild<QPushButton *>(QStringLiteral("OK"))->click();
  if (!QTest::qWaitFor([&box] { return !box.opened_pages().isEmpty(); }, 120000))
    return fail(QStringLiteral("no catalog was opened; messages: ") + box.prompts.join(QLatin1Char('|')));
  if (!box.prompts.isEmpty())
    return fail(QStringLiteral("messages shown: ") + box.prompts.join(QLatin1Char('|')));
  std::printf("%s\n", qPrintable(box.opened_pages().first()));
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  prepare_test_environment();
  QApplication app(argc, argv);
  if (argc != 3) return fail(QStringLiteral("usage: zunop_catalog PICTURE_FOLDER OUTPUT_FOLDER"));
  return make_catalog(QDir(QString::fromLocal8Bit(argv[1])).absolutePath(),
                      QDir(QString::fromLocal8Bit(argv[2])).absolutePath());
}
