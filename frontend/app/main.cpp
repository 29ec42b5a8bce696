// ZunoP: the desktop front end of Quillo. It takes no arguments.
#include <QApplication>

#include "program_state.h"
#include "startup.h"

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("クイロ～"));
  program_state().program_folder = QCoreApplication::applicationDirPath();
  const StartedProgram program = start_program();
  if (!program.main) return 0;
  return app.exec();
}
