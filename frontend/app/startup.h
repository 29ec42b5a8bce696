// Start-up and exit of the program: the settings folder (asked for on the first start), the engine, the saved
// start-up values, the splash window and the main window.
#pragma once

#include <QString>

class AboutWindow;
class DetailWindow;
class DialogWindow;
class FlyOut;
class MainWindow;
class OutputWindow;
class PropertyDialog;
class RunController;
class TitleWindow;

// The windows of the program and the run controller, wired together by their signals. Everything but the
// title belongs to the main window and ends with it.
struct StartedProgram {
  TitleWindow *title = nullptr;  // shown; it shows the main window after one second and closes itself
  MainWindow *main = nullptr;
  OutputWindow *output = nullptr;
  PropertyDialog *property = nullptr;
  DetailWindow *detail = nullptr;
  DialogWindow *dialog = nullptr;
  AboutWindow *about = nullptr;
  FlyOut *output_flyout = nullptr;
  FlyOut *property_flyout = nullptr;
  RunController *run = nullptr;
};

// Runs the start-up sequence. program_state().program_folder must be set. Returns empty windows when the
// program has to end (the user cancelled, or the engine could not start: the reason was shown).
StartedProgram start_program();

// The exit steps: pushes the settings and writes the settings file, then saves the start-up values.
void save_startup_values(MainWindow &main);

// Finds the settings folder when the store does not know it. False when the user gave up.
bool find_settings_folder(QString &settings_folder);
