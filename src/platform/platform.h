#pragma once
// Everything the main window needs from the operating system, handed to TVellomarchFrm at
// creation. Each desktop program fills it with its own implementations; the core's tests with fakes.
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/data_protection.h"
#include "platform/deferred_calls.h"
#include "platform/dialogs.h"
#include "platform/focus_input.h"
#include "platform/hotkeys.h"
#include "platform/imaging.h"
#include "platform/menus.h"
#include "platform/popup_view.h"
#include "platform/screen.h"
#include "platform/tray_icon.h"

namespace vm {

struct TPlatform {
  IClipboard& Clipboard;
  IImaging& Imaging;
  IHotkeys& Hotkeys;
  IFocusInput& FocusInput;
  IScreen& Screen;
  IDeferredCalls& DeferredCalls;
  IClock& Clock;
  IDataProtection& DataProtection;
  IPopupView& Popup;
  IMenuPresenter& Menus;
  ITrayIcon& TrayIcon;
  IMessageBoxes& MessageBoxes;
  IDialogFactory& Dialogs;
};

} // namespace vm
