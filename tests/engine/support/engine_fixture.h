// Shared test ground: every test gets its own temporary folder (TEMP points there)
// and a fresh engine state.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/engine_state.h"

// What a program started through the shell printed and how it ended.
struct CommandOutcome {
  int exit_code = -1;  // -1 when it did not end by itself
  std::string out, err;
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Absolute path of a name inside the test's folder.
  std::string path(const std::string &name) const;
  // Writes a file (creating its folders); returns its path.
  std::string write(const std::string &name, const std::string &content);
  std::string read(const std::string &name) const;
  std::string mkdir(const std::string &name);
  // Makes a real picture with ImageMagick, e.g. picture("a.jpg", 120, 80).
  std::string picture(const std::string &name, int width, int height, const std::string &extra = "");

  // Steps the gathering until it says "完了" or "エラー"; its last status.
  static std::string gather();
  // Runs a shell command, its standard error caught in a file of the test's folder.
  CommandOutcome run_command(const std::string &command);
  // A settings folder `name` as the program folder holds it: quillo.ini and the templates.
  std::string program_settings(const std::string &name);

  std::string dir_;
};

// How often `what` occurs in `text` (overlaps included).
int count_of(const std::string &text, const std::string &what);
// Clears the engine state (releasing both file lists) as if the library were freshly loaded.
void reset_engine();
// The program folder of the build (libzuno.so, librexp32.so, quillo.ini, html/, button/).
std::string program_dir();
std::string source_dir();
