// Feeds every input as quillo.ini to ZunoInit, saves it with ZunoFlash and reads the
// saved file again: what the engine took from a file must survive its own save, and
// the save of a save changes nothing. Settings files are edited by hand and copied
// between machines, so any bytes may be in them.
#include <dlfcn.h>
#include <stdlib.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/engine_state.h"
#include "platform/platform.h"
#include "settings/settings_table.h"
#include "zuno.h"

namespace {

// A private settings folder, made once; the user's own folders point into it too, so
// nothing of the real user's is ever read or written.
const std::string &settings_folder() {
  static std::string folder = [] {
    char tmpl[] = "/tmp/settings-file-fuzz-XXXXXX";
    std::string base = mkdtemp(tmpl) ? tmpl : "";
    if (base.empty()) abort();
    setenv("HOME", (base + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/home/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (base + "/home/.cache").c_str(), 1);
    static std::string made = base;
    atexit([] { plat::remove_tree(made); });
    return base;
  }();
  return folder;
}

// A fresh record for each input (the page buffer is made once and kept, as in the
// library); no search-word module is needed to read settings, so the program's own
// symbols stand for it.
void fresh_engine() {
  EngineState &e = engine();
  char *buffer = e.rec.PageBuffer;
  int size = e.rec.PageBufferSize;
  e.rec = ZunoRecord{};
  e.rec.PageBuffer = buffer;
  e.rec.PageBufferSize = size;
  e.initialised = 0;
  if (!e.pattern_module) e.pattern_module = dlopen(nullptr, RTLD_NOW);
}

bool same_ratio(float a, float b) {
  // Written with six decimals: a read of the saved text may differ in the seventh.
  return std::fabs(a - b) <= 1e-6f * std::fmax(1.0f, std::fabs(a));
}

// Says which setting changed through a save, then stops the run.
[[noreturn]] void differs(const char *key) {
  fprintf(stderr, "settings_file_fuzz: %s reads back differently after a save\n", key);
  abort();
}

// Aborts when a setting the file holds reads back differently.
void expect_same(const ZunoRecord &a, const ZunoRecord &b, bool exact_ratio) {
  for (const SettingInfo &s : all_settings()) {
    if (!(s.access & kFile) || !s.key) continue;
    const SettingField &f = s.field;
    switch (s.kind) {
      case SettingKind::Int:
      case SettingKind::AgeChoice:
      case SettingKind::TypeMask:
        if (a.*(f.int_member) != b.*(f.int_member)) differs(s.key);
        break;
      case SettingKind::Text:
      case SettingKind::OutputPath:
        if (strcmp(a.*(f.text_member), b.*(f.text_member)) != 0) differs(s.key);
        break;
      case SettingKind::Color:
        if (strcmp(a.*(f.color_member), b.*(f.color_member)) != 0) differs(s.key);
        if (a.ColorValue[f.color_slot] != b.ColorValue[f.color_slot]) differs(s.key);
        break;
      case SettingKind::Ratio:
        if (exact_ratio ? a.*(f.real_member) != b.*(f.real_member)
                        : !same_ratio(a.*(f.real_member), b.*(f.real_member)))
          differs(s.key);
        break;
      case SettingKind::Time:
        if (a.*(f.time_member) != b.*(f.time_member)) differs(s.key);
        break;
      case SettingKind::CatalogName:
        break;
    }
  }
  if (a.ColorMask != b.ColorMask) differs("the colour mask");
}

// Reads the folder's file; false when the engine refused it.
bool read_settings(ZunoRecord *out) {
  if (ZunoInit(settings_folder().c_str()) != 0) {
    ZunoFlash();  // uninitialises; the file was refused and is not saved over
    return false;
  }
  *out = engine().rec;
  return true;
}

// Whether the save went through; a refused save leaves the file as it was.
bool saved(const std::string &before) {
  if (ZunoFlash() == 0) return true;
  std::string now;
  if (!plat::read_file(settings_folder() + "/quillo.ini", &now) || now != before) {
    fprintf(stderr, "settings_file_fuzz: a failed save changed the file: %s\n", engine().last_error);
    abort();
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string ini = settings_folder() + "/quillo.ini";
  const std::string bytes(reinterpret_cast<const char *>(data), size);
  plat::remove_file(settings_folder() + "/quillo.ibk");
  if (plat::write_file_replace(ini, bytes) != 0) abort();
  fresh_engine();
  ZunoRecord first, second, third;
  if (!read_settings(&first)) return 0;
  // A file may name another settings folder (IniPath), where a save would go: never here.
  if (strcmp(first.IniPath, settings_folder().c_str()) != 0) {
    engine().initialised = 0;
    return 0;
  }
  if (!saved(bytes)) return 0;
  if (!read_settings(&second)) abort();  // what the engine wrote, it reads
  expect_same(first, second, false);
  std::string once;
  if (!plat::read_file(ini, &once) || !saved(once)) abort();
  if (!read_settings(&third)) abort();
  expect_same(second, third, true);
  ZunoFlash();
  return 0;
}
