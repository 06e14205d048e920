#include "platform/windows/win_menus.h"

#include "platform/windows/win_theme.h"

namespace vm {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

TNativeMenu::TNativeMenu(const TPopupMenu& AMenu) : FMenu(CreatePopupMenu()) {
  if (!FMenu) return;
  for (std::size_t I = 0; I < AMenu.Items.size(); ++I) {
    const TMenuItem& Item = *AMenu.Items[I];
    if (!Item.Visible) continue;
    if (Item.IsSeparator()) {
      AppendMenuW(FMenu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    FIndexMap.push_back(static_cast<int>(I));
    const UINT Command = static_cast<UINT>(FIndexMap.size());
    const std::wstring Text = MenuText(Item.Caption);
    AppendMenuW(FMenu, MF_STRING | (Item.Enabled ? MF_ENABLED : MF_GRAYED), Command, Text.c_str());
  }
  ThemeMenu(FMenu);
}

TNativeMenu::~TNativeMenu() {
  if (FMenu) DestroyMenu(FMenu);
}

int TNativeMenu::IndexOfCommand(UINT ACommand) const {
  if (ACommand == 0 || ACommand > FIndexMap.size()) return -1;
  return FIndexMap[ACommand - 1];
}

std::wstring TNativeMenu::MenuText(const std::u16string& ACaption) {
  std::wstring Text;
  Text.reserve(ACaption.size());
  for (const char16_t Char : ACaption) {
    if (Char == u'&') Text += L'&';
    Text += static_cast<wchar_t>(Char);
  }
  return Text;
}

int TWinMenuPresenter::TrackPopupMenu(const TPopupMenu& AMenu, TPoint AAt) {
  if (!FOwner) return -1;
  const TNativeMenu Menu(AMenu);
  if (!Menu.Handle()) return -1;
  const UINT Command = static_cast<UINT>(::TrackPopupMenu(
      Menu.Handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, AAt.X, AAt.Y,
      0, FOwner, nullptr));
  // A menu of a window that is not in the foreground would otherwise not close on the next click
  // elsewhere (the known rule for notification-icon menus).
  PostMessageW(FOwner, WM_NULL, 0, 0);
  return Menu.IndexOfCommand(Command);
}

} // namespace vm
