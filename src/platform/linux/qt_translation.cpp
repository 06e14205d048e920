#include "platform/linux/qt_translation.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace vm {

QTranslator* InstallQtJapaneseTranslation(QCoreApplication& AApp) {
  // Loaded by name, not through QLocale: the program's texts are Japanese in every locale.
  auto* Translator = new QTranslator(&AApp);
  if (!Translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete Translator;
    return nullptr;
  }
  QCoreApplication::installTranslator(Translator);
  return Translator;
}

} // namespace vm
