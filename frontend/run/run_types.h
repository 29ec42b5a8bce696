// Names the windows and the run controller share: the modes of the main window's mode list and the codes of
// its state pictures.
#pragma once

// The entries of the main window's mode list, in their order.
enum class RunMode { Normal = 0, SiteLauncher = 1, CacheBackup = 2, BackupView = 3 };

// What the state pictures show. With display style 1 the first three choose the pictures; with style 0 only
// NextFrame does something: it advances the spinner.
enum class StatePicture { Idle = 0, Working = 1, Done = 2, NextFrame = 4 };
