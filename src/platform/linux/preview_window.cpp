#include "platform/linux/preview_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "app/app_texts.h"
#include "platform/linux/qt_ui_support.h"
#include "platform/linux/x11_window_state.h"

namespace vm {

TPreviewWidget::TPreviewWidget() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("TDispImageFrm"));
  setWindowTitle(ui::Qs(std::u16string_view(texts::PreviewTitle)));
  setWindowModality(Qt::ApplicationModal);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPreviewWidget::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  Painter.fillRect(rect(), palette().color(QPalette::Active, QPalette::Button));
  // Natural size from the top-left corner: never stretched, never centred.
  if (!Picture.isNull()) Painter.drawImage(QPoint(0, 0), Picture);
}

void TPreviewWidget::mousePressEvent(QMouseEvent* AEvent) {
  if (AEvent->button() == Qt::LeftButton && Handlers) Handlers->FormClick();
}

void TPreviewWidget::keyPressEvent(QKeyEvent*) {
  // Any key, a modifier alone included.
  if (Handlers) Handlers->FormKeyDown();
}

void TPreviewWidget::closeEvent(QCloseEvent* AEvent) {
  // Only the rules close the window (a click, a key, the timer).
  AEvent->ignore();
}

void TPreviewWidget::showEvent(QShowEvent*) { ui::RequestSkipTaskbar(*this); }

TQtImagePreview::TQtImagePreview() : FWindow(std::make_unique<TPreviewWidget>()) {
  FWindow->resize(DesignClientWidth, DesignClientHeight);
  QObject::connect(&FTimer, &QTimer::timeout, FWindow.get(), [this] {
    if (FWindow->Handlers) FWindow->Handlers->Timer1Timer();
  });
}

TQtImagePreview::~TQtImagePreview() {
  FTimer.stop();
  FWindow->Handlers = nullptr;
}

void TQtImagePreview::RunModal(IImagePreviewHandlers& AHandlers) {
  FEnded = false;
  FWindow->Handlers = &AHandlers;
  // The show handler runs before the window appears, so it appears where and as big as the
  // handler decides.
  AHandlers.FormShow();
  if (!FEnded) {
    FWindow->show();
    FWindow->raise();
    FWindow->activateWindow();
    FWindow->setFocus(Qt::ActiveWindowFocusReason);
    QEventLoop Loop;
    FLoop = &Loop;
    if (!FEnded) Loop.exec();
    FLoop = nullptr;
  }
  FTimer.stop();
  FWindow->hide();
  FWindow->Handlers = nullptr;
}

void TQtImagePreview::SetPosition(int ALeft, int ATop) { FWindow->move(ALeft, ATop); }

void TQtImagePreview::SetClientSize(int AWidth, int AHeight) {
  FWindow->setFixedSize(std::max(1, AWidth), std::max(1, AHeight));
}

void TQtImagePreview::SetPicture(const TImage& AImage) {
  FWindow->Picture = ui::ToQImage(AImage);
  FWindow->update();
}

void TQtImagePreview::StartTimer(int AMilliseconds) { FTimer.start(AMilliseconds); }

void TQtImagePreview::StopTimer() { FTimer.stop(); }

void TQtImagePreview::EndModal() {
  FEnded = true;
  if (FLoop) FLoop->quit();
}

} // namespace vm
