#pragma once
// The image preview's window: frameless, without a taskbar entry, the picture at its natural
// size from the top-left corner on the button-face colour. The rules (TDispImageFrm) decide
// where it goes, how big it is and when it closes; this window reports its events to them.
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "platform/dialogs.h"

namespace vm {

class TPreviewWidget final : public QWidget {
  Q_OBJECT
public:
  TPreviewWidget();
  IImagePreviewHandlers* Handlers = nullptr;
  QImage Picture;

protected:
  void paintEvent(QPaintEvent* AEvent) override;
  void mousePressEvent(QMouseEvent* AEvent) override;
  void keyPressEvent(QKeyEvent* AEvent) override;
  void closeEvent(QCloseEvent* AEvent) override;
  void showEvent(QShowEvent* AEvent) override;
};

class TQtImagePreview final : public IImagePreviewWindow {
public:
  static constexpr int DesignClientWidth = 640;
  static constexpr int DesignClientHeight = 480;

  TQtImagePreview();
  ~TQtImagePreview() override;
  TPreviewWidget& Window() { return *FWindow; }
  QTimer& Timer() { return FTimer; }
  bool Ended() const { return FEnded; }

  void RunModal(IImagePreviewHandlers& AHandlers) override;
  void SetPosition(int ALeft, int ATop) override;
  void SetClientSize(int AWidth, int AHeight) override;
  void SetPicture(const TImage& AImage) override;
  void StartTimer(int AMilliseconds) override;
  void StopTimer() override;
  void EndModal() override;

private:
  std::unique_ptr<TPreviewWidget> FWindow;
  QTimer FTimer;
  QEventLoop* FLoop = nullptr;
  bool FEnded = false;
};

} // namespace vm
