// The settings command: the dialog filled from the current settings, and on OK everything taken
// over, written to the settings file and applied at once.
#include "app/vellomarch_frm.h"
#include "dialogs/settings_dialog.h"
#include "history/clip_history.h"
#include "support/error.h"

namespace vm {

void TVellomarchFrm::OpenSettings() {
  // Both menus that lead here exist only once the history does.
  if (!FHistory) return;
  HidePopup();
  std::unique_ptr<ISettingsDialog> Dialog = P.Dialogs.CreateSettingsDialog();

  TSettings Settings = CurrentSettings();
  TSettingsFields Fields = SettingsToFields(Settings);

  if (!Dialog->ShowModal(Fields, OKBtnClick, CheckTemplateName)) return;
  // The dialog closes with OK only after the check passed; a window that let invalid fields
  // through must still not get them into the settings file.
  if (!OKBtnClick(Fields).Ok) return;

  UnregisterHotKeys();
  FieldsToSettings(Fields, Settings);
  // Stored directly: the history is trimmed below, once the file is written.
  FHistory->SetMaxItems(Settings.MaxItems);
  FFormWidth = Settings.FormWidth;
  FRowHeight = Settings.RowHeight;
  FShowShortcut = Settings.ShowShortcut;
  FQuitShortcut = Settings.QuitShortcut;
  FTeikeiName = std::move(Settings.TeikeiName);
  FTeikeibun = std::move(Settings.Teikeibun);
  FTeikeiImgName = std::move(Settings.TeikeiImgName);
  FTeikeiImg = std::move(Settings.TeikeiImg);

  try {
    SaveSettingsFromFields();
  } catch (const std::exception& E) {
    // As the application's default handler reports an error that escapes a command: the rest
    // of the command is skipped, the new values stay in the fields and no hotkey is registered
    // until the next confirmed dialog or the next start.
    Dialog.reset();
    P.MessageBoxes.ShowError(ErrorMessage(E));
    return;
  }

  RegisterHotKeys();
  BuildItemMenu();
  FHistory->TrimToMax();
  ApplyLayout(0);
  RebuildView();
  RefreshGrid();
  SaveHistory();
}

} // namespace vm
