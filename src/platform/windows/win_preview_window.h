#pragma once
// TDispImageFrm's window on Windows: a frameless pop-up titled "画像表示" on the button-face
// colour, without a taskbar button, run modally over its disabled owner. It draws its picture at
// natural size from the top-left corner; a left click, any key (modifier keys included) and its
// timer go to the preview's handlers, which decide when it ends.
#include <windows.h>

#include <functional>

#include "platform/dialogs.h"
#include "platform/windows/win_modal_window.h"

namespace vm {

class TWinPreviewWindow final : public IImagePreviewWindow, public TWinModalWindow {
public:
  static constexpr int DesignClientWidth = 640;
  static constexpr int DesignClientHeight = 480;

  // The window is created hidden at once; AOwner (the main window) is disabled while it runs.
  explicit TWinPreviewWindow(HWND AOwner = nullptr);
  ~TWinPreviewWindow() override;
  TWinPreviewWindow(const TWinPreviewWindow&) = delete;
  TWinPreviewWindow& operator=(const TWinPreviewWindow&) = delete;

  void RunModal(IImagePreviewHandlers& AHandlers) override;
  void SetPosition(int ALeft, int ATop) override;
  void SetClientSize(int AWidth, int AHeight) override;
  void SetPicture(const TImage& AImage) override;
  void StartTimer(int AMilliseconds) override;
  void StopTimer() override;
  void EndModal() override;

  bool TimerRunning() const { return FTimerRunning; }
  // Runs once the window shows, inside the modal loop (tests drive the window from here).
  std::function<void()> OnShown;

private:
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;
  void PaintTo(HDC ADc);

  IImagePreviewHandlers* FHandlers = nullptr;
  bool FEnded = false;
  bool FTimerRunning = false;
  // The picture already laid onto the window's background colour, ready to copy.
  HBITMAP FPicture = nullptr;
  int FPictureWidth = 0;
  int FPictureHeight = 0;
};

} // namespace vm
