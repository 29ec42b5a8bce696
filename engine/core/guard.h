// No exception may cross an export: exports run their work through `guarded`,
// which turns an escaped exception (in practice: memory exhaustion) into a recorded
// error and the export's failure value.
#pragma once

#include <exception>
#include <new>

#include "core/error_log.h"

template <typename R, typename F>
R guarded(R failure, F &&work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc &) {
    try {
      record_error("out of memory");
    } catch (...) {
    }
  } catch (const std::exception &e) {
    try {
      record_error(e.what());
    } catch (...) {
    }
  } catch (...) {
  }
  return failure;
}
