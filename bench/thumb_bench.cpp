// Thumbnail benchmark driver: runs the front end's thumbnail loop over the pictures named on the command line
// (or NUL-separated on stdin with -0), each to OUTDIR/<name>.jpg at WIDTH pixels wide, with a fake engine
// that hands them out as ZunoGetThumbInfo would. The sizes the engine would know from its scan are read
// before the clock starts. Prints one line: files, written, unreadable, seconds, files per second.
// -j sets the loop's worker threads (default: one per core), so that the same code can also be timed as
// several one-worker processes.
//   thumb_bench [-w WIDTH] [-j WORKERS] [-0] -o OUTDIR [FILE...]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QSettings>
#include <QString>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "collect/file_types.h"
#include "collect/picture_header.h"
#include "thumbnail_loop.h"
#include "zuno.h"

namespace {

struct Job {
  QByteArray source;
  QByteArray thumb;
  int width = 0;
  int height = 0;
};

struct Options {
  int width = 80;
  int workers = 0;
  bool from_stdin = false;
  QByteArray outdir;
  std::vector<QByteArray> files;
};

bool parse(int argc, char **argv, Options &o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-w" && i + 1 < argc)
      o.width = std::atoi(argv[++i]);
    else if (a == "-j" && i + 1 < argc)
      o.workers = std::atoi(argv[++i]);
    else if (a == "-o" && i + 1 < argc)
      o.outdir = argv[++i];
    else if (a == "-0")
      o.from_stdin = true;
    else
      o.files.emplace_back(argv[i]);
  }
  if (o.from_stdin) {
    const std::string all{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    for (size_t start = 0; start < all.size();) {
      const size_t end = all.find('\0', start);
      const size_t stop = end == std::string::npos ? all.size() : end;
      if (stop > start) o.files.emplace_back(all.data() + start, static_cast<qsizetype>(stop - start));
      start = stop + 1;
    }
  }
  return o.width > 0 && o.workers >= 0 && !o.outdir.isEmpty();
}

// As the engine's scan knows it: Qt's readers where they can tell, the engine's header reader for the
// formats Qt has no plugin for (AVIF).
QSize picture_size(const QByteArray &file) {
  const QSize size = QImageReader(QString::fromUtf8(file)).size();
  if (size.isValid()) return size;
  int16_t w = 0, h = 0;
  if (read_picture_header(nullptr, file.constData(), file_type(file.constData()), nullptr, nullptr, &w, &h,
                          nullptr) < 0)
    return {};
  return QSize(w, h);
}

// Width fixed, height keeping the picture's proportions, as the engine's default thumbnail size does.
std::vector<Job> plan(const Options &o) {
  std::vector<Job> jobs;
  for (const QByteArray &file : o.files) {
    Job job;
    job.source = file;
    job.thumb = o.outdir + '/' + QFileInfo(QString::fromUtf8(file)).completeBaseName().toUtf8() + ".jpg";
    const QSize size = picture_size(file);
    job.width = o.width;
    job.height =
        size.isValid() && size.width() > 0
            ? std::max(1, static_cast<int>((static_cast<qint64>(size.height()) * o.width + size.width() / 2) /
                                           size.width()))
            : o.width;
    jobs.push_back(job);
  }
  return jobs;
}

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  Options options;
  if (!parse(argc, argv, options)) {
    std::fprintf(stderr, "usage: thumb_bench [-w WIDTH] [-j WORKERS] [-0] -o OUTDIR [FILE...]\n");
    return 2;
  }
  const std::vector<Job> jobs = plan(options);
  size_t next = 0;
  thumbnails::EngineCalls engine{
      [&](int, int *, int *, int *, int *) { return static_cast<int>(jobs.size()); },
      [&](char **source, char **thumb, int *dw, int *dh, int *, int *) {
        if (next >= jobs.size()) return -1;
        const Job &job = jobs[next++];
        std::snprintf(*source, ZUNO_BUFSIZE, "%s", job.source.constData());
        std::snprintf(*thumb, ZUNO_BUFSIZE, "%s", job.thumb.constData());
        *dw = job.width;
        *dh = job.height;
        return 1;
      }};
  thumbnails::Screen screen{[](const QString &) {},
                            [](int) {},
                            [](int) {},
                            [](const QString &) {},
                            [](const QString &) {},
                            [](const QString &) { return true; },
                            [] { return false; },
                            {}};
  QSettings store(QString::fromUtf8(options.outdir) + QStringLiteral("/../thumb_bench-") +
                      QString::number(QCoreApplication::applicationPid()) + QStringLiteral(".ini"),
                  QSettings::IniFormat);

  QElapsedTimer clock;
  clock.start();
  const thumbnails::Outcome outcome = thumbnails::ThumbnailLoop(engine, screen, store, options.workers).run();
  const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  std::fprintf(stderr, "files %zu written %d unreadable %d seconds %.3f files/s %.1f\n", jobs.size(),
               outcome.written, outcome.unreadable, seconds, static_cast<double>(jobs.size()) / seconds);
  return 0;
}
