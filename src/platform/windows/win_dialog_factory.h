#pragma once
// The one-use windows of the Windows program: the settings dialog and the image preview, both
// owned by the main window.
#include <windows.h>

#include "platform/dialogs.h"
#include "platform/windows/win_settings_dialog.h"

namespace vm {

class TWinDialogFactory final : public IDialogFactory {
public:
  explicit TWinDialogFactory(HWND AOwner = nullptr, THotKeyRecordingHook AOnHotKeyRecording = {});
  // The platform objects exist before the main window does.
  void SetOwner(HWND AOwner) { FOwner = AOwner; }
  // The program releases its global hotkeys with it while a hotkey field records.
  void SetHotKeyRecordingHook(THotKeyRecordingHook AHook) { FOnHotKeyRecording = std::move(AHook); }

  std::unique_ptr<ISettingsDialog> CreateSettingsDialog() override;
  std::unique_ptr<IImagePreviewWindow> CreateImagePreview() override;

private:
  HWND FOwner;
  THotKeyRecordingHook FOnHotKeyRecording;
};

} // namespace vm
