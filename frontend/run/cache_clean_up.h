// The clean-up of the cache backup ("実行" on the detail window's Cache tab): the engine checks the backup
// against the clean-up rules already put, and Dialog asks before anything is deleted.
#pragma once

class DialogWindow;
class QWidget;

// Runs the check with every picture type and asks through dialog; parent carries the failure message.
void clean_up_cache(DialogWindow &dialog, QWidget *parent);
