// Reads in flight for a reader that takes files one by one in order.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/platform.h"

namespace plat {

// A cold disk serves a queue of reads much faster than one read at a time: 16 reads
// in flight read a cold tree's headers about three times as fast as one.
int read_ahead_readers = 17;

struct ReadAhead::Shared {
  const std::vector<const char *> &paths;
  size_t ahead, window;
  size_t wake_stride;             // files the reader passes between wake-ups of the waiting threads
  std::atomic<size_t> next{0};    // the next path a thread takes
  std::atomic<size_t> reader{0};  // where the reader is
  std::atomic<bool> stop{false};
  std::atomic<int> waiting{0};  // threads held back because they are far enough ahead
  std::mutex lock;              // only for waiting: taking a path needs no lock
  std::condition_variable room;
  std::vector<std::thread> threads;
  Ops calls = ops;  // the table as it was when the work began, read without a race

  Shared(const std::vector<const char *> &p, size_t a, size_t w)
      : paths(p), ahead(a), window(w), wake_stride(std::max<size_t>(1, a / 8)) {}

  // Waits until the reader is near enough to path i; false when the work is over.
  bool wait_for_room(size_t i) {
    if (i < reader.load() + ahead) return true;
    std::unique_lock<std::mutex> held(lock);
    ++waiting;
    room.wait(held, [&] { return stop.load() || i < reader.load() + ahead; });
    --waiting;
    return !stop.load();
  }
  void work() {
    for (;;) {
      size_t i = next.fetch_add(1);
      if (i >= paths.size() || stop.load() || !wait_for_room(i)) return;
      calls.warm_file(paths[i], window);
    }
  }
};

ReadAhead::ReadAhead(const std::vector<const char *> &paths, int threads, size_t ahead, size_t window)
    : shared_(new Shared(paths, ahead, window)) {
  if (paths.size() < 2) threads = 0;
  for (int i = 0; i < threads; ++i) {
    try {
      shared_->threads.emplace_back([s = shared_] { s->work(); });
    } catch (const std::system_error &) {
      break;  // fewer threads only means fewer reads in flight
    }
  }
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> held(shared_->lock);
    shared_->stop = true;
  }
  shared_->room.notify_all();
  for (std::thread &t : shared_->threads) t.join();
  delete shared_;
}

void ReadAhead::reached(size_t index) {
  if (shared_->threads.empty() || index <= shared_->reader.load()) return;
  shared_->reader.store(index);
  // Waking every waiting thread at every file cost more than the reads it allowed (a warm tree ran at
  // a third of its speed, the cores busy with wake-ups), so the threads are let go a stretch at a time.
  if (index % shared_->wake_stride != 0 || shared_->waiting.load() == 0) return;
  // The lock orders the store before a waiting thread's check, so no wake-up is lost.
  std::lock_guard<std::mutex> held(shared_->lock);
  shared_->room.notify_all();
}

}  // namespace plat
