#include "dialogs/disp_image_frm.h"

#include "history/file_access.h"
#include "support/data_folders.h"
#include "support/error.h"

namespace vm {

TDispImageFrm::TDispImageFrm(IImagePreviewWindow& AWindow, IImaging& AImaging, IMessageBoxes& AMessageBoxes)
    : FWindow(AWindow), FImaging(AImaging), FMessageBoxes(AMessageBoxes) {}

void TDispImageFrm::ShowAsModal(int ALeft, int ATop, const std::u16string& AFileName) {
  FStartX = ALeft;
  FStartY = ATop;
  FFileName = AFileName;
  FWindow.RunModal(*this);
}

void TDispImageFrm::FormShow() {
  FWindow.SetPosition(FStartX, FStartY);
  try {
    const std::string Bytes = ReadWholeFile(ImagesDir() + FFileName);
    const TImage Picture = FImaging.DecodePng(TBytes(Bytes.begin(), Bytes.end()));
    // Natural size, never scaled, and not moved to fit the monitor: the corner stays at the
    // pointer even when the picture runs past the screen's edge.
    FWindow.SetClientSize(Picture.Width, Picture.Height);
    FWindow.SetPicture(Picture);
    FWindow.StartTimer(CloseAfterMs);
  } catch (const std::exception& E) {
    // The window still opens, empty at its designed size, and without the timer it waits for a
    // click or a key.
    FWindow.SetClientSize(DesignWidth, DesignHeight);
    FMessageBoxes.ShowError(ErrorMessage(E));
  }
}

void TDispImageFrm::Timer1Timer() { CloseWindow(); }

void TDispImageFrm::FormClick() { CloseWindow(); }

void TDispImageFrm::FormKeyDown() { CloseWindow(); }

void TDispImageFrm::CloseWindow() {
  FWindow.StopTimer();
  FWindow.EndModal();
}

} // namespace vm
