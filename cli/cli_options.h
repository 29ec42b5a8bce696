// Command line of `quillo`: the external-run options (/S: /T: /P: /O:) and readable
// long options, turned into settings to put before the run.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct CliOptions {
  std::string folder;    // the folder to harvest
  std::string settings;  // settings folder holding quillo.ini; empty: the program folder
  std::string output;    // output folder; empty: the settings' OutputPath
  std::vector<std::pair<std::string, std::string>> settings_to_put;  // key, value, in order
  std::string mode;          // "", or "backup", "view", "site": a browser-cache run instead of a folder
  std::string cache_folder;  // --cache-folder: the cache folder for this run ("" keeps the setting)
  std::string entry = "index.html";
  bool help = false;
  bool version = false;
  bool list_caches = false;  // --list-caches: print the browser caches found and stop
  bool quiet = false;
  bool open = false;
  bool timings = false;
};

// Parses the arguments after the program name. Returns "" or the text of a usage error.
std::string parse_cli_options(const std::vector<std::string> &args, CliOptions *out);

// The help text.
std::string cli_usage();

// How one setting reaches the engine.
struct SettingPut {
  int number = 0;
  bool text = false;  // ZunoPutStr with `text_value`, else ZunoPut with `value`
  int value = 0;
  std::string text_value;
};

// Turns KEY=VALUE (a settings-file key) into an engine call. "" or the error text.
std::string setting_put_for(const std::string &key, const std::string &value, SettingPut *out);
