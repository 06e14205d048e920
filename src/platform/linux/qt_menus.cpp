#include "platform/linux/qt_menus.h"

#include <algorithm>

#include "platform/linux/qt_ui_support.h"

namespace vm {

QString TQtMenuPresenter::ActionText(const std::u16string& ACaption) {
  QString Text = ui::Qs(ACaption);
  Text.replace(QLatin1Char('&'), QLatin1String("&&"));
  return Text;
}

std::unique_ptr<QMenu> TQtMenuPresenter::BuildMenu(const TPopupMenu& AMenu, std::vector<QAction*>& AActions) {
  auto Menu = std::make_unique<QMenu>();
  Menu->setObjectName(QStringLiteral("VellomarchMenu"));
  AActions.clear();
  for (const auto& Item : AMenu.Items) {
    // QMenu shows the text after a tab right-aligned, as a shortcut; it binds no key for it.
    QAction* Action = Item->IsSeparator() ? Menu->addSeparator() : Menu->addAction(ActionText(Item->Caption));
    Action->setEnabled(Item->Enabled);
    Action->setVisible(Item->Visible);
    AActions.push_back(Action);
  }
  return Menu;
}

int TQtMenuPresenter::TrackPopupMenu(const TPopupMenu& AMenu, TPoint AAt) {
  std::vector<QAction*> Actions;
  const std::unique_ptr<QMenu> Menu = BuildMenu(AMenu, Actions);
  QAction* Chosen = Menu->exec(ui::ToQPoint(AAt));
  if (!Chosen || Chosen->isSeparator()) return -1;
  const auto It = std::find(Actions.begin(), Actions.end(), Chosen);
  return It == Actions.end() ? -1 : static_cast<int>(It - Actions.begin());
}

} // namespace vm
