// What a run made and holds. A run may delete or overwrite only inside the folders
// its own preparation chose; these services record those folders and, when the run
// fails, take back exactly what it made.
#pragma once

#include <string>

#include "core/engine_state.h"

// Forgets the previous run's claim (releasing its lock) before a new run prepares.
void claim_begin(EngineState &e);
// Locks the run output folder for this run and notes whether the run made it.
// false (error recorded) when another run holds it or it cannot be locked.
bool claim_output_folder(EngineState &e, const std::string &folder, bool made);
// Notes the catalog folder preparation chose, and whether this run made it.
void claim_catalog_folder(EngineState &e, const std::string &folder, bool made);
// True while the run may go on writing: prepared and nothing failed since.
bool claim_usable(const EngineState &e);
// A failed run: removes the folders this run made (with what it wrote there) and
// the pages it wrote into a reused catalog folder, then releases the lock.
// Safe to call more than once.
void claim_abandon(EngineState &e);
// A finished run keeps what it wrote: releases the lock.
void claim_release(EngineState &e);
