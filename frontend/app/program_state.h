// What the front end keeps for the whole life of the program, besides its windows.
#pragma once

#include <QString>

struct ProgramState {
  QString program_folder;    // where ZunoP lies; the first candidate for the settings folder
  QString settings_folder;   // holds quillo.ini
  QString last_drive;        // always empty here: paths have no drive part
  QString last_folder;       // picture folder selected last
  QString output_folder;     // base folder under which catalogs are written
  double ratio_average = 0;  // milliseconds per picture, to the microsecond, for the time estimate
  QString last_proc_pic_name;
  QString start_folder;  // current directory at start-up, restored at the end
};

// The one instance.
ProgramState &program_state();
