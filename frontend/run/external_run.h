// The "exe" run mode: the command line for the command-line harvester quillo, and its lock file, which the
// harvester holds (advisory lock) while it runs.
#pragma once

#include <QString>
#include <QStringList>

namespace external_run {

struct Options {
  bool subfolder_search = false;
  int depth = 0;  // 1000 stands for no limit
  bool fit_height = false;
  int thumb_size = 0;
  int paging_style = 0;  // 0 by size, 1 by count; others give no page option
  int page_size_mb = 0;
  int page_count = 0;
  bool thumbnails = true;  // quillo makes thumbnail files unless told otherwise
  QString output;          // the output folder
  QString folder;          // the picture folder
};

// The arguments handed to the harvester as they are, one path per argument whatever it contains:
// S, T, P (each left out when empty), "/O:" + output, folder.
QStringList arguments(const Options &options);
// The command line shown to the user: program + " " + S + " " + T + P + " " + O + " " + folder, the paths in
// double quotes. Only for reading; never split it again into arguments.
QString command_line(const QString &program, const Options &options);

// quillo.lok in quillo's private temporary folder, quillo-<uid> in TEMP, else TMPDIR, else /tmp; empty when
// that folder is a symbolic link, not a folder, another user's or writable by others.
QString lock_file_path();
// Deletes the lock file when no process holds it. False when it is held or absent.
bool delete_lock_file(const QString &path);

}  // namespace external_run
