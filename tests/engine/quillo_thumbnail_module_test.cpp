// quillo's thumbnail step lives in a module beside the program that only a thumbnail run loads: a run without
// thumbnails, --help and --version never map Qt or the AV1 codecs, and a thumbnail run whose module is
// missing or broken keeps its catalog, names the file and why, and exits with 4. Runs use a copy of the
// program folder so the module can be taken away.
#include <filesystem>
#include <string>

#include "engine_fixture.h"

namespace fs = std::filesystem;

namespace {

const std::string kModule = "libquillo_thumbnails.so";

// The libraries a program or a loaded module brings in, as the dynamic loader names them.
bool maps_qt_or_codecs(const std::string &loader_text) {
  for (const char *name : {"libQt6Gui", "libQt6Core", "libavif", kModule.c_str()})
    if (loader_text.find(name) != std::string::npos) return true;
  return false;
}

class QuilloThumbnailModule : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    program_settings("settings");
    fs::copy(program_dir() + "/button", path("settings/button"), fs::copy_options::recursive);
    picture("pics/a.jpg", 400, 300);
    picture("pics/sub/b.png", 300, 200);
    mkdir("prog");
    for (const char *file : {"quillo", "librexp32.so"}) copy_program_file(file);
  }

  void copy_program_file(const std::string &file, const std::string &as = "") {
    fs::copy_file(program_dir() + "/" + file, path("prog/" + (as.empty() ? file : as)),
                  fs::copy_options::overwrite_existing);
  }
  std::string module() const { return path("prog/" + kModule); }

  // Without a display, as from a terminal; env: VAR=VALUE words for the run.
  CommandOutcome quillo(const std::string &options = "", const std::string &env = "",
                        const std::string &program = "") {
    return run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + env + " '" +
                       (program.empty() ? path("prog/quillo") : program) + "' -q --settings '" +
                       path("settings") + "' --output '" + path("out") + "' " + options + " '" +
                       path("pics") + "'");
  }

  std::string catalog() const { return path("out/pics/html_1"); }
  int thumbnail_files() const {
    int n = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(catalog() + "/Thumbs", ec);
         it != fs::recursive_directory_iterator(); ++it)
      n += it->is_regular_file();
    return n;
  }

  // A thumbnail run that could not load the module: the pages stay, the reason is given, the exit is 4.
  void expect_catalog_without_thumbnails(const CommandOutcome &o, const std::string &why) {
    EXPECT_EQ(o.exit_code, 4) << o.err;
    EXPECT_EQ(o.out, catalog() + "/index.html\n");
    EXPECT_TRUE(fs::is_regular_file(catalog() + "/index.html"));
    EXPECT_NE(o.err.find(module()), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(why), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("the catalog is written, but it has no thumbnail files"), std::string::npos)
        << o.err;
    EXPECT_EQ(thumbnail_files(), 0);
  }
};

// --- finding and loading the module ---

TEST_F(QuilloThumbnailModule, TheModuleBesideTheProgramMakesTheThumbnails) {
  copy_program_file(kModule);
  CommandOutcome o = quillo();
  EXPECT_EQ(o.exit_code, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(thumbnail_files(), 2);
}

TEST_F(QuilloThumbnailModule, ALinkToTheProgramFindsTheModuleBesideTheRealFile) {
  copy_program_file(kModule);
  mkdir("bin");
  fs::create_symlink(path("prog/quillo"), path("bin/quillo"));
  CommandOutcome o = quillo("", "", path("bin/quillo"));
  EXPECT_EQ(o.exit_code, 0) << o.err;
  EXPECT_EQ(thumbnail_files(), 2);
}

TEST_F(QuilloThumbnailModule, AMissingModuleKeepsTheCatalogAndExitsWith4) {
  expect_catalog_without_thumbnails(quillo(), "No such file or directory");
}

TEST_F(QuilloThumbnailModule, AModuleOnTheSearchPathIsNotTakenInstead) {
  expect_catalog_without_thumbnails(quillo("", "LD_LIBRARY_PATH='" + program_dir() + "'"),
                                    "No such file or directory");
}

TEST_F(QuilloThumbnailModule, AFileThatIsNoLibraryIsRefusedAndLeftAlone) {
  write("prog/" + kModule, "not a library");
  CommandOutcome o = quillo();
  expect_catalog_without_thumbnails(o, "cannot load the thumbnail module " + module() + ": ");
  EXPECT_EQ(read(module()), "not a library");
}

TEST_F(QuilloThumbnailModule, ALibraryWithoutTheStepIsRefusedByName) {
  copy_program_file("librexp32.so", kModule);
  expect_catalog_without_thumbnails(quillo(), "has no quillo_thumbnails_v1");
}

TEST_F(QuilloThumbnailModule, ARunWithoutThumbnailsNeedsNoModule) {
  CommandOutcome o = quillo("--no-thumbnails");
  EXPECT_EQ(o.exit_code, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_TRUE(fs::is_regular_file(catalog() + "/index.html"));
}

// --- what each run maps ---

TEST_F(QuilloThumbnailModule, OnlyAThumbnailRunLoadsQtAndTheCodecs) {
  copy_program_file(kModule);
  CommandOutcome o = quillo("--no-thumbnails", "LD_DEBUG=files");
  ASSERT_EQ(o.exit_code, 0) << o.err;
  ASSERT_NE(o.err.find("librexp32.so"), std::string::npos) << "the loader reported nothing: " << o.err;
  EXPECT_FALSE(maps_qt_or_codecs(o.err)) << o.err;
  for (const char *option : {"--help", "--version"}) {
    o = run_command("LD_DEBUG=files '" + path("prog/quillo") + "' " + option + " >/dev/null");
    EXPECT_EQ(o.exit_code, 0) << option;
    EXPECT_FALSE(maps_qt_or_codecs(o.err)) << option << o.err;
  }
  // The same watch sees the module, Qt and libavif come in once thumbnails are made.
  o = quillo("", "LD_DEBUG=files");
  ASSERT_EQ(o.exit_code, 0) << o.err;
  for (const char *name : {"libQt6Gui", "libavif", kModule.c_str()})
    EXPECT_NE(o.err.find(name), std::string::npos) << name;
}

TEST_F(QuilloThumbnailModule, TheProgramLinksNoQtAndTheModuleNoEngine) {
  CommandOutcome o = run_command("ldd '" + program_dir() + "/quillo'");
  ASSERT_EQ(o.exit_code, 0);
  EXPECT_FALSE(maps_qt_or_codecs(o.out)) << o.out;
  // The module brings Qt and libavif itself, so a package's dependencies are found from it.
  o = run_command("ldd '" + program_dir() + "/" + kModule + "'");
  EXPECT_NE(o.out.find("libQt6Gui"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("libavif"), std::string::npos) << o.out;
  // Its own symbols, hidden ones too: no engine routine is linked in, none is asked of quillo by name.
  o = run_command("nm '" + program_dir() + "/" + kModule + "'");
  ASSERT_EQ(o.exit_code, 0) << o.err;
  EXPECT_NE(o.out.find(" T quillo_thumbnails_v1"), std::string::npos) << o.out;
  for (const char *engine : {"Zuno", "read_picture_header", "engine_state"})
    EXPECT_EQ(o.out.find(engine), std::string::npos) << engine;
}

}  // namespace
