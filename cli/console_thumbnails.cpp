#include "console_thumbnails.h"

#include <sys/stat.h>

#include <QSettings>
#include <QtGlobal>
#include <cstdio>

#include "picture_io.h"
#include "thumbnail_loop.h"
#include "thumbnail_module.h"
#include "zuno.h"

namespace {

bool is_folder(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Qt's decoders explain each refusal on standard error in their own words; quillo's message says it once.
void drop_qt_message(QtMsgType type, const QMessageLogContext &, const QString &message) {
  if (type == QtFatalMsg) fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

std::string text(const QString &s) {
  return s.toStdString();
}

const char *why_unwritten(int result) {
  switch (result) {
    case thumbnails::kNothingToSave:
      return "the picture has no size";
    case thumbnails::kCannotEncode:
      return "the JPEG encoder refused it";
    case thumbnails::kCannotCreate:
      return "no file can be made in its folder";
    case thumbnails::kCannotWrite:
      return "writing it failed (disk full?)";
    default:
      return "it cannot take its name";
  }
}

thumbnails::Screen console_screen(const ConsoleThumbnails &console) {
  thumbnails::Screen screen;
  screen.show_status = [&console](const QString &t) {
    if (console.status) console.status(text(t));
  };
  screen.set_progress_maximum = [&console](int m) {
    if (console.total) console.total(m);
  };
  screen.set_progress_value = [&console](int v) {
    if (console.value) console.value(v);
  };
  screen.add_result_line = [&console](const QString &line) {
    // The loop's line is the path followed by its Japanese verdict, which the message says in words.
    static const QString verdict = QStringLiteral("読込み失敗 ");
    const QString path = line.endsWith(verdict) ? line.chopped(verdict.size()) : line;
    console.message("cannot decode " + text(path) + ": its thumbnail is left blank");
  };
  screen.show_message = [&console](const QString &t) { console.message(text(t)); };
  // Nobody to ask: the picture is passed over with a blank thumbnail (so its page has no hole) rather than
  // ending the step, and it is counted.
  screen.ask_retry = [](const QString &) { return true; };
  screen.stop_requested = [&console] { return console.interrupted && *console.interrupted; };
  screen.write_failed = [&console](const QByteArray &thumb, int code) {
    console.message("cannot write the thumbnail " + thumb.toStdString() + ": " + why_unwritten(code));
  };
  return screen;
}

}  // namespace

ConsoleThumbnailResult make_console_thumbnails(const ConsoleThumbnails &console, const std::string &thumbs) {
  ConsoleThumbnailResult result;
  thumbnails::EngineCalls calls;
  calls.last_count = console.engine.last_count;
  calls.get_thumb_info = console.engine.get_thumb_info;
  // Beside quillo's lock: runs that could share this store never run at once.
  QSettings store(QString::fromStdString(console.marker_folder + "/thumbnails.ini"), QSettings::IniFormat);
  const QtMessageHandler previous = qInstallMessageHandler(drop_qt_message);
  const thumbnails::Outcome outcome = thumbnails::ThumbnailLoop(calls, console_screen(console), store).run();
  qInstallMessageHandler(previous);
  result.written = outcome.written;
  result.unreadable = outcome.unreadable;
  result.unwritten = outcome.unwritten;
  result.interrupted = outcome.cancelled;
  // The engine names no picture at all when it cannot make the folder; its reason is the last error.
  if (!is_folder(thumbs)) {
    char area[ZUNO_BUFSIZE] = "";
    char *p = area;
    console.engine.get_last_err(&p);
    result.folder_missing = true;
    console.message("cannot make the thumbnail folder " + thumbs + (area[0] ? std::string(": ") + area : ""));
  }
  return result;
}

extern "C" __attribute__((visibility("default"))) void QUILLO_THUMBNAIL_ENTRY(
    const ConsoleThumbnails *console, const char *thumbs, ConsoleThumbnailResult *result) {
  *result = make_console_thumbnails(*console, thumbs);
}
