#include "qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool install_qt_translations() {
  static QTranslator *installed = nullptr;
  if (installed) return true;
  auto *translator = new QTranslator(QCoreApplication::instance());
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  // qt_ja pulls in the catalogs of every Qt module it covers; qtbase_ja alone still covers the dialogs.
  if (!translator->load(QStringLiteral("qt_ja"), folder) &&
      !translator->load(QStringLiteral("qtbase_ja"), folder)) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  installed = translator;
  return true;
}
