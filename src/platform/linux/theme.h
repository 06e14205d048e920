#pragma once
// The visual theme "Amethyst Kamri": amethyst purple accents on a pale lilac ground, as a Qt
// style sheet for the program's own windows (the popup, the settings dialog, the preview) and
// its menus. Message boxes and the hint keep the desktop's look.
#include <QApplication>
#include <QString>

namespace vm {

inline constexpr char16_t ThemeDisplayName[] = u"Amethyst Kamri";

QString ThemeStyleSheet();
// Applies the theme to the application; false, with nothing changed, when it cannot be.
bool ApplyTheme(QApplication& AApp);

} // namespace vm
