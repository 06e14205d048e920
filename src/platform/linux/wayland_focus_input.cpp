#include "platform/linux/wayland_focus_input.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QWidget>

#include "support/log.h"

namespace vm {

namespace {

// Qt lets go of the focus as soon as the popup hides; the compositor moves the keyboard to the
// window below only once it has the unmapping, and tells no other client when it has done so.
// Keys sent before then would reach the popup's vanished surface.
constexpr int FocusReturnWaitMs = 1000;
constexpr int CompositorSettleMs = 150;

QWidget* OwnWindow(TWindowHandle AWindow) {
  for (QWidget* Window : QApplication::topLevelWidgets())
    if (Window->isVisible() && static_cast<TWindowHandle>(Window->winId()) == AWindow) return Window;
  return nullptr;
}

} // namespace

TWaylandFocusInput::TWaylandFocusInput(std::unique_ptr<IVirtualKeyboard> AKeyboard) : FKeyboard(std::move(AKeyboard)) {}

TWaylandFocusInput::~TWaylandFocusInput() = default;

TWindowHandle TWaylandFocusInput::GetForegroundWindow() {
  const QWidget* Active = QApplication::activeWindow();
  return Active ? static_cast<TWindowHandle>(Active->winId()) : ElsewhereWindow;
}

bool TWaylandFocusInput::SetForegroundWindow(TWindowHandle AWindow) {
  QWidget* Window = OwnWindow(AWindow);
  if (!Window) return false;
  Window->activateWindow();
  return true;
}

void TWaylandFocusInput::ReturnActivation(TWindowHandle) {
  const QDeadlineTimer Deadline(FocusReturnWaitMs);
  while (QApplication::activeWindow() && !Deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  const QDeadlineTimer Settled(CompositorSettleMs);
  while (!Settled.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void TWaylandFocusInput::SendInput(const std::vector<TKeyRecord>& ARecords) {
  if (FKeyboard) {
    FKeyboard->Send(ARecords);
  } else if (!FNoKeyboardLogged) {
    FNoKeyboardLogged = true;
    WriteLog(u"Paste not sent: keys cannot be sent to other programs in this Wayland session; the entry is on the clipboard");
  }
}

} // namespace vm
