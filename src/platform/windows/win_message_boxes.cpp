#include "platform/windows/win_message_boxes.h"

#include <commctrl.h>

#include <iterator>

namespace vm {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace {

const wchar_t* Wide(const std::u16string& AText) { return reinterpret_cast<const wchar_t*>(AText.c_str()); }

using TTaskDialogIndirect = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

// Looked up at run time: comctl32 exports it only from version 6, which the program's manifest
// selects; importing it directly would keep the program from starting without that version.
TTaskDialogIndirect TaskDialogFunction() {
  static const TTaskDialogIndirect Function = [] {
    HMODULE Module = GetModuleHandleW(L"comctl32.dll");
    if (!Module) Module = LoadLibraryW(L"comctl32.dll");
    return Module ? reinterpret_cast<TTaskDialogIndirect>(
                        reinterpret_cast<void*>(GetProcAddress(Module, "TaskDialogIndirect")))
                  : nullptr;
  }();
  return Function;
}

} // namespace

HWND TWinMessageBoxes::Owner() const {
  // GetActiveWindow answers only for this thread's windows: a dialog of the program, or the popup.
  if (HWND Active = GetActiveWindow()) return Active;
  return FOwner;
}

void TWinMessageBoxes::ShowError(const std::u16string& AText) {
  MessageBoxW(Owner(), Wide(AText), ErrorCaption, MB_ICONERROR | MB_OK);
}

void TWinMessageBoxes::ShowWarning(const std::u16string& ACaption, const std::u16string& AText) {
  MessageBoxW(Owner(), Wide(AText), Wide(ACaption), MB_ICONWARNING | MB_OK);
}

bool TWinMessageBoxes::HasTaskDialog() { return TaskDialogFunction() != nullptr; }

bool TWinMessageBoxes::ConfirmYesNo(const TConfirmation& AConfirmation) {
  const HWND Parent = Owner();
  if (const TTaskDialogIndirect TaskDialog = TaskDialogFunction()) {
    const TASKDIALOG_BUTTON Buttons[] = {{IDYES, Wide(AConfirmation.YesCaption)},
                                         {IDNO, Wide(AConfirmation.NoCaption)}};
    TASKDIALOGCONFIG Config{};
    Config.cbSize = sizeof Config;
    Config.hwndParent = Parent;
    Config.hInstance = GetModuleHandleW(nullptr);
    // Escape and the close box answer like No.
    Config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    Config.pszWindowTitle = Wide(AConfirmation.Title);
    Config.pszContent = Wide(AConfirmation.Text);
    Config.cButtons = static_cast<UINT>(std::size(Buttons));
    Config.pButtons = Buttons;
    Config.nDefaultButton = IDYES;
    int Pressed = 0;
    if (SUCCEEDED(TaskDialog(&Config, &Pressed, nullptr, nullptr))) return Pressed == IDYES;
  }
  return MessageBoxW(Parent, Wide(AConfirmation.Text), Wide(AConfirmation.Title),
                     MB_YESNO | MB_DEFBUTTON1) == IDYES;
}

} // namespace vm
