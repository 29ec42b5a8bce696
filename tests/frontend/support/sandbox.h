// A private world for one front-end test: a program folder with the distributed settings, a per-user store, a
// temporary folder, a captured browser and recorded message boxes. The engine is the real libzuno.so.
#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>

#include "engine_binding.h"
#include "main_window.h"
#include "prompt.h"
#include "run_controller.h"
#include "startup.h"
#include "title_window.h"

class Sandbox {
 public:
  Sandbox();
  ~Sandbox();

  QString path(const QString &relative) const;
  // The folder the program believes it was started from; it holds quillo.ini unless told otherwise.
  QString program_folder() const { return path(QStringLiteral("program")); }
  QString temp_folder() const { return path(QStringLiteral("temp")); }

  // Copies the distributed quillo.ini into folder and links the template and button folders beside it.
  void install_settings(const QString &folder) const;
  // Rewrites one key of folder/quillo.ini.
  void set_ini(const QString &folder, const QString &key, const QString &value) const;
  QString ini_value(const QString &folder, const QString &key) const;

  // Writes a real picture (Qt's encoder picks the format from the suffix).
  void make_picture(const QString &file, int width, int height) const;
  // Pages handed to the browser so far.
  QStringList opened_pages() const;

  // Message boxes and beeps: texts in order (a beep is an empty text); answers are taken from the queue,
  // Ok when it is empty.
  QStringList prompts;
  QList<prompt::Answer> answers;
  int beeps() const { return static_cast<int>(prompts.count(QString())); }

  // Runs the start-up and waits until the main window is shown. The window is closed or deleted at the end.
  MainWindow *start();
  StartedProgram started;

 private:
  QTemporaryDir dir_;
  QPointer<MainWindow> main_;
  QPointer<QWidget> title_;
};

// Engine settings of the current engine state, for checks.
int engine_setting(ZunoSettingNumber number);

// Runs a QtTest class with the environment every suite needs set before the application exists.
#define QUILLO_FRONTEND_TEST_MAIN(TestClass) \
  int main(int argc, char **argv) {          \
    prepare_test_environment();              \
    QApplication app(argc, argv);            \
    TestClass test;                          \
    return QTest::qExec(&test, argc, argv);  \
  }

void prepare_test_environment();
