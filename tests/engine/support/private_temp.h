// Where the engine keeps its fixed names inside a test's TEMP: the private folder
// quillo-<uid> that the platform layer makes there.
#pragma once

#include <unistd.h>

#include <string>

// "quillo-<uid>", or "quillo-<uid>/name": a name relative to the test's folder.
inline std::string private_temp(const std::string &name = "") {
  std::string folder = "quillo-" + std::to_string(geteuid());
  return name.empty() ? folder : folder + "/" + name;
}
