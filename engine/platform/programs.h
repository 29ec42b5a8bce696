// Other programs the engine may call on: found on PATH, run without a shell and waited for.
#pragma once

#include <string>
#include <vector>

namespace plat {

// The full path of the program `name` on PATH; "" when there is none.
std::string find_program(const char *name);

// Runs argv[0] (a full path) with these arguments and standard input and output on /dev/null, and waits
// for it at most timeout_ms before killing it. Its exit status; -1 when it could not be started, was ended
// by a signal, or ran out of time.
int run_program(const std::vector<std::string> &argv, int timeout_ms);

}  // namespace plat
