#include "app/vellomarch_frm.h"

#include "app/history_persistence.h"
#include "app/settings.h"
#include "history/clip_history.h"
#include "history/legacy_import.h"
#include "support/data_folders.h"
#include "support/error.h"
#include "support/log.h"
#include "support/rounding.h"

namespace vm {

namespace {

// The main window's font: "Segoe UI Emoji", 11 pixels high at 96 DPI.
constexpr int MainFontPixelHeight = 11;

} // namespace

TVellomarchFrm::TVellomarchFrm(TPlatform& APlatform)
    : P(APlatform), FItemMenu(std::make_unique<TPopupMenu>()), FTrayMenu(std::make_unique<TPopupMenu>()) {}

TVellomarchFrm::~TVellomarchFrm() = default;

void TVellomarchFrm::FormCreate() {
  try {
    StartUp();
  } catch (const std::exception& E) {
    // The application's default handler: the remaining steps are skipped, the program goes on
    // with what the completed steps set up.
    P.MessageBoxes.ShowError(ErrorMessage(E));
  }
}

void TVellomarchFrm::StartUp() {
  FTaskbarCreatedMsg = P.TrayIcon.RegisterWindowMessage(u"TaskbarCreated");
  FCFPng = P.Clipboard.RegisterFormat(u"PNG");
  FCFExclude = P.Clipboard.RegisterFormat(u"ExcludeClipboardContentFromMonitorProcessing");
  FCFViewerIgnore = P.Clipboard.RegisterFormat(u"Clipboard Viewer Ignore");
  FCFCanInclude = P.Clipboard.RegisterFormat(u"CanIncludeInClipboardHistory");
  // The hint window and the grid's painting are set up by the platform's window.
  FHistory = std::make_unique<TClipHistory>(P.DataProtection);
  FView.clear();
  FThumbCache.clear();
  if (!DirectoryExists(BaseDir())) ForceDirectories(BaseDir());
  // A data folder made by an earlier version, or by hand, may be open to other users.
  MakeFolderPrivate(BaseDir());
  LoadSettingsIntoFields();
  // A history file whose key this session cannot have stays unread, and so unsaved over: the
  // program runs on with an empty list that is never written.
  FHistoryRead = LoadOrImportHistory(*FHistory, [this] {
    // Only a completed import asks to save: its entries are the history from now on. An import
    // that raised never gets here, so no later save writes a file that would stop the retry.
    FHistoryRead = true;
    return SaveHistoryNow();
  });
  KeepHistoryWithinUnknownMaximum();
  BuildItemMenu();
  BuildTrayMenu();
  CreateTrayIcon();
  RegisterHotKeys();
  FFontSize = MulDiv(MainFontPixelHeight, 72, P.Screen.SystemDpi());
  ApplyLayout(0);
  RebuildView();
  RefreshGrid();
}

void TVellomarchFrm::FormShow() {
  P.Popup.RepaintNow();
  P.Popup.InvalidateGrid();
  P.Popup.ResetGridHints();
}

void TVellomarchFrm::FormDestroy() {
  try {
    SaveHistory();
    UnregisterHotKeys();
    RemoveTrayIcon();
    FThumbCache.clear();
    FView.clear();
    FHistory.reset();
  } catch (const std::exception& E) {
    P.MessageBoxes.ShowError(ErrorMessage(E));
  }
}

void TVellomarchFrm::WindowProcHook(std::uint32_t AMessage) {
  if (FTaskbarCreatedMsg != 0 && AMessage == FTaskbarCreatedMsg)
    P.TrayIcon.NotifyIcon(TNotifyIconAction::Add, FNotifyIcon);
}

void TVellomarchFrm::CloseMainWindow() { P.Popup.Close(); }

void TVellomarchFrm::RunCommand(const std::function<void()>& ACommand) {
  try {
    ACommand();
  } catch (const std::exception& E) {
    P.MessageBoxes.ShowError(ErrorMessage(E));
  }
}

void TVellomarchFrm::RunMenuChoice(const TPopupMenu& AMenu, int AChosen) {
  if (AChosen < 0 || static_cast<std::size_t>(AChosen) >= AMenu.Items.size()) return;
  const std::function<void()> Handler = AMenu.Items[static_cast<std::size_t>(AChosen)]->OnClick;
  if (Handler) RunCommand(Handler);
}

std::u16string TVellomarchFrm::DataFilePath() const { return vm::DataFilePath(); }

void TVellomarchFrm::SaveHistory() { SaveHistoryNow(); }

bool TVellomarchFrm::SaveHistoryNow() {
  if (!FHistory) return false;
  if (!FHistoryRead) {
    // The start-up never got as far as reading the history file: writing now would replace the
    // user's history with whatever this run collected.
    WriteLog(u"History save failed: the history file was not read at start-up and is left as it is");
    return false;
  }
  return vm::SaveHistory(*FHistory);
}

void TVellomarchFrm::KeepHistoryWithinUnknownMaximum() {
  // Without its settings the program does not know the user's maximum, only that it kept as many
  // entries as the file holds: the smaller default must not trim those away at the next copy.
  if (FSettingsUnread && FHistory->Items().Count() > FHistory->MaxItems())
    FHistory->SetMaxItems(FHistory->Items().Count());
}

void TVellomarchFrm::LoadSettingsIntoFields() {
  TSettings Settings;
  try {
    LoadSettings(Settings);
  } catch (const std::exception& E) {
    // Shown like any start-up error, but the start-up goes on with the defaults: cut short here,
    // the program would have no hotkeys and no icon, never read the history, and still hold the
    // single-instance lock, so the user could neither reach it nor start it again. The file is
    // left as it is; a confirmed settings dialog reads it again before writing and fails alike.
    P.MessageBoxes.ShowError(ErrorMessage(E));
    Settings = TSettings();
    FSettingsUnread = true;
  }
  FHistory->SetMaxItems(Settings.MaxItems);
  FFormWidth = Settings.FormWidth;
  FRowHeight = Settings.RowHeight;
  FShowShortcut = Settings.ShowShortcut;
  FQuitShortcut = Settings.QuitShortcut;
  FTeikeiName = Settings.TeikeiName;
  FTeikeibun = Settings.Teikeibun;
  FTeikeiImgName = Settings.TeikeiImgName;
  FTeikeiImg = Settings.TeikeiImg;
}

TSettings TVellomarchFrm::CurrentSettings() const {
  TSettings Settings;
  Settings.MaxItems = FHistory->MaxItems();
  Settings.FormWidth = FFormWidth;
  Settings.RowHeight = FRowHeight;
  Settings.ShowShortcut = FShowShortcut;
  Settings.QuitShortcut = FQuitShortcut;
  Settings.TeikeiName = FTeikeiName;
  Settings.Teikeibun = FTeikeibun;
  Settings.TeikeiImgName = FTeikeiImgName;
  Settings.TeikeiImg = FTeikeiImg;
  return Settings;
}

void TVellomarchFrm::SaveSettingsFromFields() { SaveSettings(CurrentSettings()); }

} // namespace vm
