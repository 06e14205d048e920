#include "platform/linux/wayland_focus_input.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QWidget>

#include "support/log.h"

namespace vm {

namespace {

// The compositor moves the focus a moment after the popup's surface is unmapped.
constexpr int FocusReturnWaitMs = 1000;

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
  while (QApplication::activeWindow() && !Deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
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
