#pragma once
// Qt's own texts that the user meets (a line edit's context menu, standard dialog buttons) in
// Japanese, like every text of the program, whatever the locale the session runs in.
#include <QCoreApplication>
#include <QTranslator>

namespace vm {

// Installs Qt's Japanese translation (qtbase_ja from Qt's translations folder, Debian's
// qt6-translations-l10n) into AApp, which owns it. nullptr when it is not installed: Qt's texts
// then stay English.
QTranslator* InstallQtJapaneseTranslation(QCoreApplication& AApp);

} // namespace vm
