#pragma once
// The pop-up menus (the item menu and the tray icon's menu) as Qt menus.
#include <QMenu>

#include <memory>
#include <vector>

#include "platform/menus.h"

namespace vm {

class TQtMenuPresenter final : public IMenuPresenter {
public:
  // The menu for AMenu: one action per item in order ("-" a separator), hidden and disabled
  // items as such, the text after the tab as the shortcut reminder and no access keys. AActions
  // receives, per item of AMenu, its action (separators included).
  static std::unique_ptr<QMenu> BuildMenu(const TPopupMenu& AMenu, std::vector<QAction*>& AActions);
  // A caption as a QAction's text: '&' doubled, so that Qt shows it and makes no access key.
  static QString ActionText(const std::u16string& ACaption);

  int TrackPopupMenu(const TPopupMenu& AMenu, TPoint AAt) override;
};

} // namespace vm
