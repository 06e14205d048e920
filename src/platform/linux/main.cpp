// The Linux program: one resident process per user with the popup as its main window.
// Process entry: single-instance guard, theme, the main window created hidden, the message loop,
// the destruction handler, the guard released last. Exit code 0 both ways out. A start with
// --show or --quit while the program runs hands the command to it and ends.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "app/app_texts.h"
#include "app/history_persistence.h"
#include "app/vellomarch_frm.h"
#include "platform/linux/heap_limits.h"
#include "platform/linux/linux_data_folder.h"
#include "platform/linux/linux_regional_settings.h"
#include "platform/linux/popup_window.h"
#include "platform/linux/portal_global_shortcuts.h"
#include "platform/linux/qt_clipboard.h"
#include "platform/linux/qt_deferred_calls.h"
#include "platform/linux/qt_dialog_factory.h"
#include "platform/linux/qt_imaging.h"
#include "platform/linux/qt_menus.h"
#include "platform/linux/qt_message_boxes.h"
#include "platform/linux/qt_screen.h"
#include "platform/linux/qt_tray_icon.h"
#include "platform/linux/qt_translation.h"
#include "platform/linux/qt_ui_support.h"
#include "platform/linux/instance_commands.h"
#include "platform/linux/single_instance.h"
#include "platform/linux/secret_service_key.h"
#include "platform/linux/sodium_data_protection.h"
#include "platform/linux/theme.h"
#include "platform/linux/wayland_data_control.h"
#include "platform/linux/wayland_focus_input.h"
#include "platform/linux/wayland_hotkeys.h"
#include "platform/linux/wayland_session.h"
#include "platform/linux/wayland_virtual_keyboard.h"
#include "platform/linux/x11_focus_input.h"
#include "platform/linux/x11_hotkeys.h"
#include "platform/clock.h"
#include "support/data_folders.h"
#include "support/log.h"
#include "templates/date_format.h"

namespace {

QString Q(const char16_t* AText) { return QString::fromUtf16(AText); }

void ShowSecondInstanceMessage() {
  QMessageBox Box(QMessageBox::Critical, Q(vm::texts::SecondInstanceCaption), Q(vm::texts::SecondInstanceMessage),
                  QMessageBox::Ok);
  Box.exec();
}

void ServeInstanceCommands(vm::TInstanceCommandServer& AServer, vm::TVellomarchFrm& AFrm) {
  AServer.SetOnCommand([&AFrm](vm::TInstanceCommand ACommand) {
    if (ACommand == vm::TInstanceCommand::Quit) AFrm.QuitHotKeyCommand();
    else AFrm.ShowHotKeyCommand();
  });
  if (!AServer.Listen()) vm::WriteLog(u"Instance command channel failed: " + AServer.ErrorText().toStdU16String());
}

int RunResident(QApplication& AApp, const vm::TSingleInstance& AGuard, bool AHoldsGuard, bool AShowAtStart,
                vm::TLinuxSession ASession) {
  using namespace vm;
  SetDataFolderParent(LinuxDataFolderParent());
  SetRegionalSettings(LinuxRegionalSettings());
  if (ASession == TLinuxSession::XWaylandFallback) WriteLog(XWaylandFallbackLogLine);

  TSodiumDataProtection DataProtection(TSodiumDataProtection::DefaultKeyFolder());
  // Before the history is read: the keyring may show its unlock prompt, and the key it holds
  // decides which history files open.
  for (const std::u16string& Line : SetUpHistoryKey(DataProtection, FsPath(DataFilePath())).LogLines) WriteLog(Line);
  TQtClipboard Clipboard;
  TQtImaging Imaging;
  TX11Hotkeys Hotkeys;
  // No client grabs keys on Wayland: the desktop's bindings (and its portal, where it has one)
  // stand for the hotkeys.
  std::unique_ptr<TWaylandHotkeys> WaylandHotkeys;
  if (ASession == TLinuxSession::Wayland)
    WaylandHotkeys = std::make_unique<TWaylandHotkeys>(Hotkeys, std::make_unique<TPortalGlobalShortcuts>(),
                                                       [](const std::u16string& ALine) { WriteLog(ALine); });
  IHotkeys& SessionHotkeys = WaylandHotkeys ? static_cast<IHotkeys&>(*WaylandHotkeys) : Hotkeys;
  TX11FocusInput X11FocusInput;
  TWaylandFocusInput WaylandFocusInput(ASession == TLinuxSession::Wayland ? TWaylandVirtualKeyboard::Connect() : nullptr);
  IFocusInput& FocusInput =
      ASession == TLinuxSession::Wayland ? static_cast<IFocusInput&>(WaylandFocusInput) : X11FocusInput;
  TPopupWindow Popup;
  TQtScreen Screen(&Popup);
  TQtDeferredCalls DeferredCalls;
  TQtMenuPresenter Menus;
  TQtTrayIcon TrayIcon;
  TQtMessageBoxes MessageBoxes;
  TQtDialogFactory Dialogs;
  TPlatform Platform{Clipboard, Imaging,      SessionHotkeys, FocusInput, Screen,  DeferredCalls, SystemClock(),
                     DataProtection, Popup,   Menus,        TrayIcon,   MessageBoxes, Dialogs};

  TVellomarchFrm Frm(Platform);
  Popup.SetFrm(&Frm);
  TrayIcon.SetFrm(&Frm);
  Clipboard.SetOnChange([&Frm] { Frm.WMClipboardUpdate(); });
  std::unique_ptr<TWaylandDataControl> DataControl;
  if (ASession == TLinuxSession::Wayland) {
    DataControl = TWaylandDataControl::Connect();
    if (DataControl) {
      Clipboard.UseSystemSelection([&DataControl] { return DataControl->Selection(); });
      DataControl->SetOnSelection([&Clipboard] { Clipboard.SystemSelectionChanged(); });
    } else {
      WriteLog(u"Wayland data-control could not be set up: copies are recorded only while the list has the focus");
    }
  }
  Hotkeys.SetOnHotKey([&Frm](int AId) { Frm.WMHotKey(AId); });
  if (WaylandHotkeys) WaylandHotkeys->SetOnHotKey([&Frm](int AId) { Frm.WMHotKey(AId); });
  AApp.installNativeEventFilter(&Hotkeys);
  // A hotkey field cannot record a combination that is grabbed system-wide.
  Dialogs.SetHotKeyRecordingHook([&Frm](bool ARecording) {
    if (ARecording) Frm.UnregisterHotKeys();
    else Frm.RegisterHotKeys();
  });
  QObject::connect(&Popup, &TPopupWindow::CloseRequested, &AApp, &QApplication::quit, Qt::QueuedConnection);

  Frm.FormCreate();
  TInstanceCommandServer Commands(AGuard.ChannelPath());
  if (AHoldsGuard) ServeInstanceCommands(Commands, Frm);
  if (AShowAtStart) QTimer::singleShot(0, &AApp, [&Frm] { Frm.ShowHotKeyCommand(); });
  AApp.exec();
  Frm.FormDestroy();
  AApp.removeNativeEventFilter(&Hotkeys);
  return 0;
}

// A command for the running program: it may still be starting (the lock is held before its
// channel listens), so the command is offered again until it is taken or that program has ended.
// nullopt when there is no longer a running program to take it.
std::optional<int> PassToRunningInstance(vm::TSingleInstance& AGuard, vm::TInstanceCommand ACommand) {
  using namespace std::chrono_literals;
  const auto Deadline = std::chrono::steady_clock::now() + 10s;
  do {
    if (vm::SendInstanceCommand(AGuard.ChannelPath(), ACommand, 5s) == vm::TSendResult::Done) return 0;
    if (AGuard.TryAcquire() != vm::TSingleInstance::TAcquireResult::AnotherRunning) return std::nullopt;
    std::this_thread::sleep_for(50ms);
  } while (std::chrono::steady_clock::now() < Deadline);
  std::fputs(vm::NoAnswerMessage(), stderr);
  return 1;
}

int ShowUsage() {
  std::fputs(vm::CommandLineUsage(), stderr);
  return 2;
}

std::vector<QString> ArgumentsOf(int argc, char** argv) {
  std::vector<QString> Arguments;
  for (int I = 1; I < argc; ++I) Arguments.push_back(QString::fromLocal8Bit(argv[I]));
  return Arguments;
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
  using vm::TInstanceCommand;
  using TAcquire = vm::TSingleInstance::TAcquireResult;
  // Before Qt: passing a command on needs no display, and Qt would take its own options out.
  const vm::TCommandLine Given = vm::ParseCommandLine(ArgumentsOf(argc, argv));
  vm::TSingleInstance Guard;
  TAcquire Lock = Guard.TryAcquire();
  if (Lock == TAcquire::AnotherRunning && Given.Command != TInstanceCommand::None) {
    if (!Given.Valid) return ShowUsage();
    if (const auto ExitCode = PassToRunningInstance(Guard, Given.Command)) return *ExitCode;
    Lock = Guard.TryAcquire();
  }
  if (Given.Command == TInstanceCommand::Quit && Lock != TAcquire::AnotherRunning) {
    if (!Given.Valid) return ShowUsage();
    std::fputs(vm::NotRunningMessage(), stdout);
    return 0;
  }

  KeepDevicePixels();
  const vm::TLinuxSession Session = vm::ChooseLinuxSession(vm::ProbeWaylandCompositor());
  if (const std::string Platform = vm::QtPlatformFor(Session); !Platform.empty())
    qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(Platform));
  QApplication App(argc, argv);
  const QStringList Left = App.arguments().mid(1);
  const vm::TCommandLine Line = vm::ParseCommandLine(std::vector<QString>(Left.begin(), Left.end()));
  if (!Line.Valid) return ShowUsage();
  App.setQuitOnLastWindowClosed(false);
  App.setApplicationName(QStringLiteral("Vellomarch"));
  App.setWindowIcon(vm::ui::ProgramIcon());
  vm::InstallQtJapaneseTranslation(App);

  if (Lock == TAcquire::AnotherRunning) {
    ShowSecondInstanceMessage();
    return 0;
  }
  vm::ApplyTheme(App);
  return RunResident(App, Guard, Lock == TAcquire::Acquired, Line.Command == TInstanceCommand::Show, Session);
}
