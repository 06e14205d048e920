#include "platform/linux/wayland_focus_input.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "support/log.h"

namespace vm {
namespace {

// The popup's hiding moves the keyboard to the window the user came from, but only once the
// compositor has handled the unmapping; keys sent earlier would reach the popup's vanished
// surface. A client is told nothing of other windows' focus, and QApplication forgets its active
// window as soon as the popup hides, before the compositor has seen anything. Qt's Wayland
// plugin, though, gives up its focus window (QGuiApplication::focusWindow) only in the answer to
// a wl_display.sync that it sends right after destroying the window's surface, on the same
// connection: the compositor handles a client's requests in order, so when that answer arrives it
// has unmapped the popup and moved the keyboard. Keys sent after it reach the compositor later
// still, and go to the window below. Measured under sway: 3 to 9 ms after the hiding.
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
  if (!QGuiApplication::focusWindow()) return;
  QEventLoop Loop;
  const QMetaObject::Connection Lost =
      QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &Loop, [&Loop](QWindow* AWindow) {
        if (!AWindow) Loop.quit();
      });
  QTimer::singleShot(FocusReturnWaitMs, &Loop, &QEventLoop::quit);
  // The user's keys wait: another Enter must not start a second paste inside this one.
  Loop.exec(QEventLoop::ExcludeUserInputEvents);
  QObject::disconnect(Lost);
  if (QGuiApplication::focusWindow())
    WriteLog(u"Paste: the compositor did not take the focus from the list within a second; keys sent anyway");
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
