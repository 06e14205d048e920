#include "platform/linux/qt_dialog_factory.h"

#include "platform/linux/preview_window.h"

namespace vm {

TQtDialogFactory::TQtDialogFactory(TRecordingHook AOnHotKeyRecording)
    : FOnHotKeyRecording(std::move(AOnHotKeyRecording)) {}

std::unique_ptr<ISettingsDialog> TQtDialogFactory::CreateSettingsDialog() {
  return std::make_unique<TQtSettingsDialog>(FOnHotKeyRecording);
}

std::unique_ptr<IImagePreviewWindow> TQtDialogFactory::CreateImagePreview() {
  return std::make_unique<TQtImagePreview>();
}

} // namespace vm
