// Test ground for the favourites page, the cache clean-up and the deletions: a
// program folder with the shipped settings, an output folder, a Windows profile
// with its browser cache (or none), and a home of its own for the desktop trash.
#pragma once

#include <string>
#include <vector>

#include "engine_fixture.h"

class MaintenanceTest : public EngineTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Sets the profile variables so the cache and favourites lie below "profile/".
  void use_windows_profile();
  // Clears them: favourites then live below "xdg/quillo/Favorites".
  void use_desktop_folders();

  // A catalog page written by the catalog's own writer, with one thumbnail link per
  // picture (its link path as given, relative or absolute); returns the page path.
  std::string catalog_page(const std::string &name, const std::vector<std::string> &links,
                           const std::string &thumb = "");
  // The files now in the home trash ("xdg/Trash/files").
  std::vector<std::string> trashed() const;

  std::string settings_, out_, cache_, backup_;

 private:
  std::string saved_home_;
};
