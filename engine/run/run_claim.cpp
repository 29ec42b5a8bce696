#include "run/run_claim.h"

#include <cerrno>

#include "core/error_log.h"
#include "core/paths.h"
#include "core/text.h"
#include "platform/platform.h"
#include "zuno.h"

void claim_begin(EngineState &e) {
  claim_release(e);
  e.claim = RunClaim{};
}

bool claim_output_folder(EngineState &e, const std::string &folder, bool made) {
  RunClaim &c = e.claim;
  if (made) copy_field(c.output, folder, "run output folder");
  int err = plat::lock_folder(folder, &c.lock_fd);
  if (err == EBUSY) {
    record_error("出力先フォルダは別の処理が使用中です: " + folder);
    return false;
  }
  if (err) {
    record_error("出力先フォルダを使えません: " + folder + ": " + plat::error_text(err));
    return false;
  }
  c.locked = true;
  return true;
}

void claim_catalog_folder(EngineState &e, const std::string &folder, bool made) {
  copy_field(e.claim.catalog, folder, "catalog folder");
  e.claim.catalog_made = made;
}

bool claim_usable(const EngineState &e) {
  return e.claim.prepared && !e.claim.abandoned;
}

void claim_abandon(EngineState &e) {
  RunClaim &c = e.claim;
  if (c.abandoned) return;
  c.abandoned = true;
  if (c.catalog_made) {
    plat::remove_tree(c.catalog);
  } else if (c.prepared && c.catalog[0]) {
    // A reused catalog folder was emptied of pages by preparation: the pages in it now are this run's.
    deletefile(c.catalog, "*.html");
  }
  if (c.output[0]) plat::remove_tree(c.output);
  c.catalog[0] = c.output[0] = '\0';
  claim_release(e);
}

void claim_release(EngineState &e) {
  RunClaim &c = e.claim;
  if (c.locked) plat::unlock_folder(&c.lock_fd);
  c.locked = false;
}
