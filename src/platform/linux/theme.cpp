#include "platform/linux/theme.h"

#include <QStyle>

#include "app/app_texts.h"

namespace vm {

static_assert(std::u16string_view(ThemeDisplayName) == std::u16string_view(texts::ThemeName));

QString ThemeStyleSheet() {
  // Only the program's windows by their object names, and menus: boxes and hints stay plain.
  // The grid's unselected rows keep the base colour with black text; its selection takes the
  // theme's highlight through the palette.
  return QStringLiteral(R"(
#TVellomarchFrm, #TSettingsFrm {
  background-color: #f6f1fb;
  color: #000000;
}
#TVellomarchFrm QLineEdit, #TSettingsFrm QLineEdit, #TSettingsFrm QKeySequenceEdit QLineEdit {
  background-color: #ffffff;
  color: #000000;
  border: 1px solid #a98bd0;
  border-radius: 3px;
  padding: 0px 3px;
  selection-background-color: #7d4fb5;
  selection-color: #ffffff;
}
#TVellomarchFrm QLineEdit:focus, #TSettingsFrm QLineEdit:focus {
  border: 1px solid #6a3c9e;
}
#ClipHistoryGrid {
  background-color: #ffffff;
  selection-background-color: #7d4fb5;
  selection-color: #ffffff;
}
#TSettingsFrm QGroupBox {
  border: 1px solid #c3addf;
  border-radius: 4px;
  margin-top: 6px;
}
#TSettingsFrm QGroupBox::title {
  subcontrol-origin: margin;
  subcontrol-position: top left;
  left: 8px;
  padding: 0px 2px;
  color: #4f2585;
}
#TSettingsFrm QPushButton {
  background-color: #ece3f7;
  color: #2b1247;
  border: 1px solid #8d67bf;
  border-radius: 4px;
  padding: 2px 10px;
}
#TSettingsFrm QPushButton:hover { background-color: #dfd0f2; }
#TSettingsFrm QPushButton:pressed { background-color: #c9b2e8; }
#TSettingsFrm QPushButton:default { border: 2px solid #6a3c9e; }
#TSettingsFrm QTableWidget {
  background-color: #ffffff;
  color: #000000;
  gridline-color: #d9cbed;
  border: 1px solid #a98bd0;
  selection-background-color: #7d4fb5;
  selection-color: #ffffff;
}
#TSettingsFrm QHeaderView::section {
  background-color: #e6dbf4;
  color: #2b1247;
  border: 0px;
  border-right: 1px solid #c3addf;
  border-bottom: 1px solid #c3addf;
  padding: 2px 4px;
}
QMenu {
  background-color: #faf7fd;
  color: #1d0c33;
  border: 1px solid #8d67bf;
  padding: 3px 0px;
}
QMenu::item {
  padding: 4px 18px 4px 14px;
  background-color: transparent;
}
QMenu::item:selected {
  background-color: #7d4fb5;
  color: #ffffff;
}
QMenu::item:disabled {
  color: #a79cb5;
}
QMenu::separator {
  height: 1px;
  background-color: #d9cbed;
  margin: 3px 8px;
}
)");
}

bool ApplyTheme(QApplication& AApp) {
  if (!AApp.style()) return false;
  const QString Previous = AApp.styleSheet();
  AApp.setStyleSheet(ThemeStyleSheet());
  // A sheet Qt took over puts its own style in front of the application's.
  if (!AApp.style() || !AApp.style()->inherits("QStyleSheetStyle")) {
    AApp.setStyleSheet(Previous);
    return false;
  }
  return true;
}

} // namespace vm
