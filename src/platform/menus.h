#pragma once
// Pop-up menus as data: the core builds and adapts them, the platform shows them.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace vm {

struct TMenuItem {
  std::u16string Caption; // "-" is a separator; text after a tab is the shortcut reminder
  int Tag = 0;
  bool Enabled = true;
  bool Visible = true;
  std::function<void()> OnClick;
  bool IsSeparator() const { return Caption == u"-"; }
};

struct TPopupMenu {
  std::vector<std::unique_ptr<TMenuItem>> Items;
  TMenuItem* Add(const std::u16string& ACaption, std::function<void()> AOnClick = {}, int ATag = 0) {
    Items.push_back(std::make_unique<TMenuItem>(TMenuItem{ACaption, ATag, true, true, std::move(AOnClick)}));
    return Items.back().get();
  }
};

class IMenuPresenter {
public:
  virtual ~IMenuPresenter() = default;
  // Shows the menu with its top-left corner at a screen point (kept on the screen by the
  // desktop) and returns the index of the chosen item, or -1 when none was chosen.
  virtual int TrackPopupMenu(const TPopupMenu& AMenu, TPoint AAt) = 0;
};

} // namespace vm
