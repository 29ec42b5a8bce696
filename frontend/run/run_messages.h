// The Japanese words for a run that went wrong: the engine's recorded error and the reasons quillo gives on
// its standard error are English (or terse) texts meant for the log; a user reads them through these
// functions.
#pragma once

#include <QString>

namespace run_messages {

// The engine's or quillo's reason in Japanese where it is a known text, otherwise the text itself (trimmed).
QString reason_in_japanese(const QString &engine_text);

// "処理に失敗しました。" followed by the reason on its own line; the result code stands in when the engine
// recorded no text.
QString run_failed(const QString &engine_text, int result);
// The preparation found the engine holding another collection.
QString engine_busy();
// The engine reported a catalog, but its entry page is not on disk.
QString catalog_missing(const QString &page);

// The reason quillo gave: its last "quillo: " line of standard error without that prefix, else its last
// non-empty line; empty when it said nothing.
QString quillo_reason(const QString &standard_error);
// An external run that ended with a non-zero exit code (or was killed, crashed = true).
QString external_failed(int exit_code, bool crashed, const QString &standard_error);

}  // namespace run_messages
