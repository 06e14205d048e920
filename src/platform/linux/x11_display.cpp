#include "platform/linux/x11_display.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>

namespace vm {
namespace {

using TXErrorHandler = int (*)(Display*, XErrorEvent*);

int GTrappedError = 0;

int TrapHandler(Display*, XErrorEvent* AEvent) {
  if (GTrappedError == 0) GTrappedError = AEvent->error_code;
  return 0;
}

} // namespace

Display* QtX11Display() {
  if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* X11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return X11 ? X11->display() : nullptr;
}

TX11ErrorTrap::TX11ErrorTrap(Display* ADisplay) : FDisplay(ADisplay) {
  // Errors of earlier requests belong to whoever made them, not to this trap.
  XSync(FDisplay, False);
  GTrappedError = 0;
  FPreviousHandler = reinterpret_cast<void (*)()>(XSetErrorHandler(TrapHandler));
}

TX11ErrorTrap::~TX11ErrorTrap() {
  XSync(FDisplay, False);
  XSetErrorHandler(reinterpret_cast<TXErrorHandler>(FPreviousHandler));
  GTrappedError = 0;
}

int TX11ErrorTrap::Sync() {
  XSync(FDisplay, False);
  const int Error = GTrappedError;
  GTrappedError = 0;
  return Error;
}

} // namespace vm
