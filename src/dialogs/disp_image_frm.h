#pragma once
// TDispImageFrm: the image preview's rules. The picture of an image entry at its natural size in a
// frameless window with its top-left corner at the pointer; it closes after three seconds, on a
// left click or on any key. The platform's window (IImagePreviewWindow) calls the handlers.
#include <string>

#include "platform/dialogs.h"
#include "platform/imaging.h"

namespace vm {

class TDispImageFrm final : public IImagePreviewHandlers {
public:
  static constexpr int DesignWidth = 640;
  static constexpr int DesignHeight = 480;
  static constexpr int CloseAfterMs = 3000;

  TDispImageFrm(IImagePreviewWindow& AWindow, IImaging& AImaging, IMessageBoxes& AMessageBoxes);

  // Shows the picture ImagesDir() + AFileName modally at (ALeft, ATop); returns when it closed.
  void ShowAsModal(int ALeft, int ATop, const std::u16string& AFileName);

  void FormShow() override;
  void Timer1Timer() override;
  void FormClick() override;
  void FormKeyDown() override;

private:
  void CloseWindow();

  IImagePreviewWindow& FWindow;
  IImaging& FImaging;
  IMessageBoxes& FMessageBoxes;
  int FStartX = 0;
  int FStartY = 0;
  std::u16string FFileName;
};

} // namespace vm
