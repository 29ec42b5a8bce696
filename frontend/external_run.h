// The "exe" run mode: the command line for the command-line harvester quillo, and its lock file, which the
// harvester holds (advisory lock) while it runs.
#pragma once

#include <QString>

namespace external_run {

struct Options {
  bool subfolder_search = false;
  int depth = 0;  // 1000 stands for no limit
  bool fit_height = false;
  int thumb_size = 0;
  int paging_style = 0;  // 0 by size, 1 by count; others give no page option
  int page_size_mb = 0;
  int page_count = 0;
  QString output;  // the output folder
  QString folder;  // the picture folder
};

// program + " " + S + " " + T + P + " " + O + " " + folder, the paths in double quotes.
QString command_line(const QString &program, const Options &options);

// quillo.lok in the temporary folder (TEMP, else TMPDIR, else /tmp).
QString lock_file_path();
// Deletes the lock file when no process holds it. False when it is held or absent.
bool delete_lock_file(const QString &path);

}  // namespace external_run
