#pragma once
// TSettingsFrm on Windows: a plain window with its own modal loop, laid out from the core's design
// table (every position and size scaled from 96 DPI with MulDiv, font "Segoe UI" 12 px), with
// digits-only edits, HOTKEY_CLASS fields and two name/value list views. OK runs the core's check.
//
// The name/value lists are report-mode list views with one empty row at the end, where typing
// adds a template:
//  - the name is edited in place (LVS_EDITLABELS): F2 on the current row, a click on the selected
//    row's name, or a double click on it; Tab in the name's editor takes it and goes on to the
//    value (F2 then Tab reaches a value from the keyboard);
//  - the value is edited in a small edit laid over its cell: a double click on it, or Tab from
//    the name; Enter or leaving the cell takes it, Esc drops it;
//  - Delete, or "行を削除" in the list's context menu, removes the selected row.
// A name the core refuses is not taken: its message shows in a warning box once the editor has
// closed, and the cell keeps its previous name.
#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/shortcut.h"
#include "dialogs/settings_dialog.h"
#include "platform/dialogs.h"
#include "platform/windows/win_modal_window.h"

namespace vm {

using TOkCheck = std::function<TFieldCheck(const TSettingsFields&)>;
using TNameCheck = std::function<std::u16string(const TTemplateRows&, int, const std::u16string&)>;
// Called with true when the keyboard focus enters a hotkey field and with false when it leaves
// both: a combination registered system-wide never reaches the field, so the program releases
// its hotkeys meanwhile and takes them again afterwards.
using THotKeyRecordingHook = std::function<void(bool ARecording)>;

// The hotkey control's value (HKM_GETHOTKEY / HKM_SETHOTKEY: virtual key in the low byte,
// HOTKEYF_SHIFT 1, HOTKEYF_CONTROL 2, HOTKEYF_ALT 4, HOTKEYF_EXT 8 in the high byte) and TShortCut
// (Shift 0x2000, Ctrl 0x4000, Alt 0x8000). HOTKEYF_EXT only tells the control which of two keys
// with one code to name: it is set for the keys that sit on the extended part of the keyboard and
// ignored when read.
TShortCut HotKeyValueToShortCut(WORD AValue);
WORD ShortCutToHotKeyValue(TShortCut AShortCut);

// The settings window itself, without its modal loop, so that tests can build and inspect it.
class TWinSettingsWindow final : public TWinModalWindow {
public:
  // ADpi 0: the system DPI. The window is created hidden, centred on the primary screen.
  explicit TWinSettingsWindow(HWND AOwner, int ADpi = 0);
  ~TWinSettingsWindow() override;
  TWinSettingsWindow(const TWinSettingsWindow&) = delete;
  TWinSettingsWindow& operator=(const TWinSettingsWindow&) = delete;

  TOkCheck OkCheck;
  TNameCheck NameCheck;
  THotKeyRecordingHook OnHotKeyRecording;
  // The warning box; MessageBoxW(dialog, text, caption, MB_ICONWARNING | MB_OK) unless replaced.
  std::function<void(const std::u16string& ACaption, const std::u16string& AText)> ShowWarning;

  int Dpi() const { return FDpi; }
  void SetFields(const TSettingsFields& AFields);
  TSettingsFields Fields() const;

  // Shows the window and runs its loop until OK passes the checks (true) or the dialog is
  // cancelled (false). The owner is disabled meanwhile. AOnShown runs once the window shows.
  bool RunModal(const std::function<void()>& AOnShown = {});
  // The OK button: the names in both lists, then the core's check of the fields. On a failure
  // the warning box shows its message and the focus goes into the failing control.
  void OKBtnClick();
  void Cancel();

  // The control of a design name ("MaxItemsEdit"), or nullptr.
  HWND Control(std::u16string_view AName) const;
  HWND FieldControl(TSettingsField AField) const;

  // --- The name/value lists ---
  // Every row but the empty one at the end.
  TTemplateRows TableRows(HWND ATable) const;
  // What ending the name's editor does (once the editor has closed): the core's check, then
  // either the refusal in a warning box with the old name kept, or the name taken. True when taken.
  bool CommitName(HWND ATable, int ARow, const std::u16string& AName);
  void CommitValue(HWND ATable, int ARow, const std::u16string& AValue);
  void DeleteRow(HWND ATable, int ARow);
  // Opens the value's editor over row ARow.
  void EditValue(HWND ATable, int ARow);
  HWND ValueEditor() const { return FValueEditor; }

  // Lays every control out again for ADpi (WM_DPICHANGED).
  void Layout(int ADpi);

private:
  struct TControlEntry {
    const TSettingsControl* Design;
    HWND Window;
  };
  enum class TResult { Running, Ok, Cancelled };

  static LRESULT CALLBACK ValueEditorProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam,
                                          UINT_PTR AId, DWORD_PTR AData);
  static LRESULT CALLBACK NameEditorProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam, UINT_PTR AId,
                                         DWORD_PTR AData);
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;
  LRESULT HandleNotify(const NMHDR& AHeader);
  void Build();
  int Scale(int APixels) const;
  bool IsTable(HWND AWindow) const;
  std::u16string CellText(HWND ATable, int ARow, int ACol) const;
  void SetCellText(HWND ATable, int ARow, int ACol, const std::u16string& AText);
  int RowCount(HWND ATable) const;
  void EnsureEmptyLastRow(HWND ATable);
  void FillTable(HWND ATable, const TTemplateRows& ARows);
  void CloseValueEditor(bool ATake);
  void ShowTableMenu(HWND ATable, int AX, int AY);
  void TrackHotKeyFocus();
  void SetRecording(bool ARecording);
  void Warn(const std::u16string& ACaption, const std::u16string& AText);

  HFONT FFont = nullptr;
  int FDpi = 96;
  std::vector<TControlEntry> FControls;
  TResult FResult = TResult::Running;
  bool FRecording = false;
  // The value's editor and the cell it covers.
  HWND FValueEditor = nullptr;
  HWND FValueTable = nullptr;
  int FValueRow = -1;
  // The row whose name's editor is open, and whether Tab asked to go on to its value.
  HWND FNameTable = nullptr;
  int FNameRow = -1;
  bool FNameThenValue = false;
  std::u16string FPendingName; // typed into FNameTable's row FNameRow, waiting to be checked
};

class TWinSettingsDialog final : public ISettingsDialog {
public:
  explicit TWinSettingsDialog(HWND AOwner = nullptr, THotKeyRecordingHook AOnHotKeyRecording = {});
  bool ShowModal(TSettingsFields& AFields, const std::function<TFieldCheck(const TSettingsFields&)>& AOkCheck,
                 const std::function<std::u16string(const TTemplateRows&, int, const std::u16string&)>&
                     ACheckTemplateName) override;

private:
  HWND FOwner;
  THotKeyRecordingHook FOnHotKeyRecording;
};

} // namespace vm
