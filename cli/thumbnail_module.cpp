#include "thumbnail_module.h"

#include <dlfcn.h>

namespace {

// dlerror() often starts with the path already named by our own message.
std::string reason(const char *error, const std::string &path) {
  std::string why = error ? error : "unknown error";
  if (why.rfind(path + ": ", 0) == 0) why.erase(0, path.size() + 2);
  return why;
}

}  // namespace

ThumbnailModule load_thumbnail_module(const std::string &folder, const std::string &file_name) {
  ThumbnailModule module;
  const std::string path = folder + "/" + file_name;
  // Every symbol bound now: a module that cannot run is refused here, not halfway through the pictures.
  void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    module.error = "cannot load the thumbnail module " + path + ": " + reason(dlerror(), path);
    return module;
  }
  module.make = reinterpret_cast<ThumbnailEntry *>(dlsym(handle, QUILLO_THUMBNAIL_ENTRY_NAME));
  if (!module.make) {
    module.error =
        "the thumbnail module " + path + " is not this quillo's: it has no " + QUILLO_THUMBNAIL_ENTRY_NAME;
    dlclose(handle);
  }
  return module;
}
