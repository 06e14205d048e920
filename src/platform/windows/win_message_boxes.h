#pragma once
// Message boxes of the Windows program: the standard error box, the warning box and the
// clear-all confirmation as a task dialog.
#include <windows.h>

#include "platform/dialogs.h"

namespace vm {

class TWinMessageBoxes : public IMessageBoxes {
public:
  // The caption of the application's standard error box.
  static constexpr const wchar_t* ErrorCaption = L"Vellomarch";

  // The owner is the main window, which may be handed over later with SetOwner. A box opened
  // while a window of the program is active (the settings dialog) belongs to that window.
  explicit TWinMessageBoxes(HWND AOwner = nullptr) : FOwner(AOwner) {}
  void SetOwner(HWND AOwner) { FOwner = AOwner; }

  void ShowError(const std::u16string& AText) override;
  void ShowWarning(const std::u16string& ACaption, const std::u16string& AText) override;
  // TaskDialogIndirect with the two buttons as given, Yes the default; closing it answers No.
  // Where the system has no task dialog (common controls before version 6, that is a program
  // without its manifest on real Windows) a Yes/No message box with the same title and text
  // asks instead.
  bool ConfirmYesNo(const TConfirmation& AConfirmation) override;

  // Whether TaskDialogIndirect can be used here.
  static bool HasTaskDialog();

private:
  HWND Owner() const;

  HWND FOwner;
};

} // namespace vm
