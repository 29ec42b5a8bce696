// The error recorder, progress report and abort poll that every long routine uses.
#pragma once

#include <string>

// Records an engine message with code -1; returns -1 so callers can `return record_error(...)`.
int record_error(const std::string &text);
// Records a system error number with its standard text; returns -1.
int record_errno(int err);
