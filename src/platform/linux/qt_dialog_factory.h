#pragma once
// The one-use windows of the Linux program: the settings dialog and the image preview.
#include "platform/dialogs.h"
#include "platform/linux/settings_dialog_window.h"

namespace vm {

class TQtDialogFactory final : public IDialogFactory {
public:
  // AOnHotKeyRecording: see TRecordingHook; the program releases its global hotkeys with it.
  explicit TQtDialogFactory(TRecordingHook AOnHotKeyRecording = {});
  void SetHotKeyRecordingHook(TRecordingHook AHook) { FOnHotKeyRecording = std::move(AHook); }

  std::unique_ptr<ISettingsDialog> CreateSettingsDialog() override;
  std::unique_ptr<IImagePreviewWindow> CreateImagePreview() override;

private:
  TRecordingHook FOnHotKeyRecording;
};

} // namespace vm
