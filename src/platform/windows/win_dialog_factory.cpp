#include "platform/windows/win_dialog_factory.h"

#include "platform/windows/win_preview_window.h"

namespace vm {

TWinDialogFactory::TWinDialogFactory(HWND AOwner, THotKeyRecordingHook AOnHotKeyRecording)
    : FOwner(AOwner), FOnHotKeyRecording(std::move(AOnHotKeyRecording)) {}

std::unique_ptr<ISettingsDialog> TWinDialogFactory::CreateSettingsDialog() {
  return std::make_unique<TWinSettingsDialog>(FOwner, FOnHotKeyRecording);
}

std::unique_ptr<IImagePreviewWindow> TWinDialogFactory::CreateImagePreview() {
  return std::make_unique<TWinPreviewWindow>(FOwner);
}

} // namespace vm
