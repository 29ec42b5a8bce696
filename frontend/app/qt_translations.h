// Qt's own dialogs and menus (file and colour dialogs, the context menus of text boxes) in Japanese, like the
// rest of the program. Without Qt's translations on the machine they stay in English.
#pragma once

// Installs Qt's Japanese translations into the application once; true when they are installed.
bool install_qt_translations();
