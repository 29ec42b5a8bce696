// Run preparation's catalog folder choice, shared with the get_htmlout export.
#pragma once

#include "core/engine_state.h"

// Chooses the catalog folder for the record's output kind inside OutputPath, makes
// it when missing and puts its name into HtmlOut. 0, or -1 with the failure
// recorded (HtmlOut then unchanged). *made tells whether this call made the folder.
int choose_catalog_folder(ZunoRecord *rec, bool *made);
// When the run's cache folder is a Chromium or Firefox cache: copies what is new
// in it into the run output's "Images" backup and its analysed index. 0 copied,
// -1 failed (recorded), 1 when the cache is of the old kind (nothing done).
int backup_modern_cache(EngineState &e);
