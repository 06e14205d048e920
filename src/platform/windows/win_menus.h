#pragma once
// The core's pop-up menus (TPopupMenu) shown as native Win32 menus.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/menus.h"

namespace vm {

// A native pop-up menu made from a TPopupMenu, destroyed with the object. Hidden items are left
// out, so the menu's positions differ from the items' indices: IndexOfCommand maps back.
class TNativeMenu {
public:
  explicit TNativeMenu(const TPopupMenu& AMenu);
  ~TNativeMenu();
  TNativeMenu(const TNativeMenu&) = delete;
  TNativeMenu& operator=(const TNativeMenu&) = delete;

  HMENU Handle() const { return FMenu; }
  // The index in TPopupMenu::Items of a command id TrackPopupMenu returned; -1 for none.
  int IndexOfCommand(UINT ACommand) const;
  // Command ids are the position in this list plus one (0 is TrackPopupMenu's "nothing").
  const std::vector<int>& IndexMap() const { return FIndexMap; }

  // The text a menu shows for a caption: '&' doubled, so it appears as itself rather than
  // underlining the next letter (the program's menus have no access keys).
  static std::wstring MenuText(const std::u16string& ACaption);

private:
  HMENU FMenu;
  std::vector<int> FIndexMap;
};

class TWinMenuPresenter : public IMenuPresenter {
public:
  // The owner is the main window, which may be handed over later with SetOwner.
  explicit TWinMenuPresenter(HWND AOwner = nullptr) : FOwner(AOwner) {}
  void SetOwner(HWND AOwner) { FOwner = AOwner; }

  // Tracks the menu modally with the right button allowed and returns the chosen item's index
  // in AMenu.Items, or -1 when the menu was dismissed (or there is no owner to track it with).
  int TrackPopupMenu(const TPopupMenu& AMenu, TPoint AAt) override;

private:
  HWND FOwner;
};

} // namespace vm
