// The Linux program: one resident process per user with the popup as its main window.
// Process entry: single-instance guard, theme, the main window created hidden, the message loop,
// the destruction handler, the guard released last. Exit code 0 both ways out.
#include <QApplication>
#include <QMessageBox>

#include "app/app_texts.h"
#include "app/vellomarch_frm.h"
#include "platform/linux/heap_limits.h"
#include "platform/linux/linux_data_folder.h"
#include "platform/linux/linux_regional_settings.h"
#include "platform/linux/popup_window.h"
#include "platform/linux/qt_clipboard.h"
#include "platform/linux/qt_deferred_calls.h"
#include "platform/linux/qt_dialog_factory.h"
#include "platform/linux/qt_imaging.h"
#include "platform/linux/qt_menus.h"
#include "platform/linux/qt_message_boxes.h"
#include "platform/linux/qt_screen.h"
#include "platform/linux/qt_tray_icon.h"
#include "platform/linux/qt_translation.h"
#include "platform/linux/single_instance.h"
#include "platform/linux/sodium_data_protection.h"
#include "platform/linux/theme.h"
#include "platform/linux/x11_focus_input.h"
#include "platform/linux/x11_hotkeys.h"
#include "platform/clock.h"
#include "support/data_folders.h"
#include "templates/date_format.h"

namespace {

QString Q(const char16_t* AText) { return QString::fromUtf16(AText); }

void ShowSecondInstanceMessage() {
  QMessageBox Box(QMessageBox::Critical, Q(vm::texts::SecondInstanceCaption), Q(vm::texts::SecondInstanceMessage),
                  QMessageBox::Ok);
  Box.exec();
}

int RunResident(QApplication& AApp) {
  using namespace vm;
  SetDataFolderParent(LinuxDataFolderParent());
  SetRegionalSettings(LinuxRegionalSettings());

  TSodiumDataProtection DataProtection(TSodiumDataProtection::DefaultKeyFolder());
  TQtClipboard Clipboard;
  TQtImaging Imaging;
  TX11Hotkeys Hotkeys;
  TX11FocusInput FocusInput;
  TPopupWindow Popup;
  TQtScreen Screen(&Popup);
  TQtDeferredCalls DeferredCalls;
  TQtMenuPresenter Menus;
  TQtTrayIcon TrayIcon;
  TQtMessageBoxes MessageBoxes;
  TQtDialogFactory Dialogs;
  TPlatform Platform{Clipboard, Imaging,      Hotkeys,      FocusInput, Screen,  DeferredCalls, SystemClock(),
                     DataProtection, Popup,   Menus,        TrayIcon,   MessageBoxes, Dialogs};

  TVellomarchFrm Frm(Platform);
  Popup.SetFrm(&Frm);
  TrayIcon.SetFrm(&Frm);
  Clipboard.SetOnChange([&Frm] { Frm.WMClipboardUpdate(); });
  Hotkeys.SetOnHotKey([&Frm](int AId) { Frm.WMHotKey(AId); });
  AApp.installNativeEventFilter(&Hotkeys);
  // A hotkey field cannot record a combination that is grabbed system-wide.
  Dialogs.SetHotKeyRecordingHook([&Frm](bool ARecording) {
    if (ARecording) Frm.UnregisterHotKeys();
    else Frm.RegisterHotKeys();
  });
  QObject::connect(&Popup, &TPopupWindow::CloseRequested, &AApp, &QApplication::quit, Qt::QueuedConnection);

  Frm.FormCreate();
  AApp.exec();
  Frm.FormDestroy();
  AApp.removeNativeEventFilter(&Hotkeys);
  return 0;
}

// The program scales its windows itself from the display's DPI (their sizes are device pixels):
// Qt's own scaling, which on X11 would multiply every size again by Xft.dpi / 96, and the scale
// factors a user may have set for other Qt programs stay off. Fonts given in points still follow
// the display's DPI, since Qt then takes its logical DPI from Xft.dpi. Before QApplication exists.
void KeepDevicePixels() {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
}

} // namespace

int main(int argc, char** argv) {
  vm::KeepLargeBlocksOutOfTheHeap();
  KeepDevicePixels();
  QApplication App(argc, argv);
  App.setQuitOnLastWindowClosed(false);
  App.setApplicationName(QStringLiteral("Vellomarch"));
  App.setWindowIcon(QIcon(QStringLiteral(":/icons/vellomarch-64.png")));
  vm::InstallQtJapaneseTranslation(App);

  vm::TSingleInstance Guard;
  if (Guard.TryAcquire() == vm::TSingleInstance::TAcquireResult::AnotherRunning) {
    ShowSecondInstanceMessage();
    return 0;
  }
  vm::ApplyTheme(App);
  return RunResident(App);
}
