#pragma once
// The common ground of the program's modal windows (the image preview, the settings dialog): a
// top-level window of its own class on the button-face colour, bound to the object that handles
// its messages, and a modal run over its owner, which is disabled meanwhile.
#include <windows.h>

#include <functional>

namespace vm {

class TWinModalWindow {
public:
  virtual ~TWinModalWindow() = default;
  TWinModalWindow(const TWinModalWindow&) = delete;
  TWinModalWindow& operator=(const TWinModalWindow&) = delete;

  HWND Handle() const { return FWindow; }

protected:
  explicit TWinModalWindow(HWND AOwner) : FOwner(AOwner) {}

  // Registers AClassName once per process (arrow pointer, button-face background) and creates
  // the hidden window, owned by FOwner, with this object handling its messages from
  // WM_NCCREATE on. FWindow stays nullptr when the system refuses.
  void CreateModalWindow(const wchar_t* AClassName, DWORD AExStyle, const wchar_t* ATitle, DWORD AStyle,
                         int AWidth, int AHeight);
  // Cuts the window loose from this object, so that no message reaches a half-destroyed object,
  // and destroys it.
  void DestroyModalWindow();
  virtual LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) = 0;

  // One modal run: BeginModal disables the owner (when it is enabled), ShowInFront brings the
  // window up in front, DispatchUntil runs the loop, EndModalRun gives the owner back and hides
  // the window.
  void BeginModal();
  void ShowInFront();
  // Dispatches messages until AEnded() is true; with AUseDialogKeys, Tab, Enter and Esc work as
  // in a dialog. AAfterEach runs after every message. False when the loop ended otherwise: on the
  // program's quit message, which is posted again for the main loop, or when GetMessage failed.
  bool DispatchUntil(const std::function<bool()>& AEnded, bool AUseDialogKeys = false,
                     const std::function<void()>& AAfterEach = {});
  void EndModalRun();

  HWND FOwner;
  HWND FWindow = nullptr;

private:
  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);

  bool FOwnerDisabled = false;
};

} // namespace vm
