// Qt's own texts (the standard dialogs' "Look in", "File name", "Cancel")
// in Japanese, as the rest of the program speaks.
#pragma once

class QCoreApplication;

namespace chizro {

// Loads Qt's Japanese translations from Qt's translations folder and
// installs them in `app`, whatever the machine's locale. False when they
// are not installed there (Debian package qt6-translations-l10n): Qt then
// speaks English.
bool InstallQtJapanese(QCoreApplication& app);

}  // namespace chizro
