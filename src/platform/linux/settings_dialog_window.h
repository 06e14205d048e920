#pragma once
// TSettingsFrm on Linux: the settings dialog laid out from the core's design table (scaled from
// 96 DPI), with digits-only edits, hotkey fields that record one key combination, and two
// name/value tables whose names the core checks as they are typed. OK runs the core's check.
#include <QDialog>
#include <QKeySequenceEdit>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

#include <functional>
#include <map>
#include <string>

#include "app/shortcut.h"
#include "dialogs/settings_dialog.h"
#include "platform/dialogs.h"

namespace vm {

using TOkCheck = std::function<TFieldCheck(const TSettingsFields&)>;
using TNameCheck = std::function<std::u16string(const TTemplateRows&, int, const std::u16string&)>;
// Called with true when a hotkey field starts recording keys and with false when recording
// ended: the program releases its global hotkeys meanwhile, or the combinations they hold
// would never reach the field.
using TRecordingHook = std::function<void(bool ARecording)>;

// An edit that takes only digits from the keyboard. Pasted text is not filtered: the OK check
// reads the number (a pasted " 50 " is fine, a pasted "1e3" is refused there).
class TNumberEdit final : public QLineEdit {
  Q_OBJECT
public:
  explicit TNumberEdit(QWidget* AParent = nullptr);

protected:
  void keyPressEvent(QKeyEvent* AEvent) override;
};

// A hotkey field: records one key with the Ctrl, Alt and Shift held with it, as a TShortCut.
// Qt's own recording takes up to four chords and ends a second after the last key; this one
// keeps the first combination and is done at once. Backspace or Delete alone empty the field
// (0); Tab moves on, Esc and Enter go to the dialog, a modifier alone records nothing.
class THotKeyField final : public QKeySequenceEdit {
  Q_OBJECT
public:
  explicit THotKeyField(QWidget* AParent = nullptr);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut AShortCut);
  // The text the field shows ("Alt+C"; empty for 0).
  QString Text() const;
  std::function<void(bool AFocused)> OnFocusChange;

  // What a key press does to the field.
  enum class TKeyAction { PassOn, MoveFocus, Clear, Record, Ignore };
  static TKeyAction ActionForKey(int AQtKey, Qt::KeyboardModifiers AModifiers);

signals:
  void ShortCutChanged(TShortCut AShortCut);

protected:
  bool event(QEvent* AEvent) override;
  void keyPressEvent(QKeyEvent* AEvent) override;
  void keyReleaseEvent(QKeyEvent* AEvent) override;
  void focusInEvent(QFocusEvent* AEvent) override;
  void focusOutEvent(QFocusEvent* AEvent) override;

private:
  QLineEdit* FDisplay = nullptr;
  TShortCut FShortCut = 0;
};

// A name/value table: one row per template and one empty row at the end, where typing adds a
// template. A name the check refuses is reported and put back as it was. Ctrl+Delete and the
// context menu delete the current row.
class TNameValueTable final : public QTableWidget {
  Q_OBJECT
public:
  TNameValueTable(const TNameValueColumns& AColumns, int ADpi, QWidget* AParent = nullptr);

  TNameCheck CheckName;
  std::function<void(const std::u16string& AMessage)> OnRefused;

  void SetRows(const TTemplateRows& ARows);
  // Every row but the empty one at the end.
  TTemplateRows Rows() const;
  void DeleteRow(int ARow);
  // The first row whose name the check refuses, with its message; -1 when none.
  int FirstRefusedRow(std::u16string& AMessage) const;

protected:
  void keyPressEvent(QKeyEvent* AEvent) override;
  void contextMenuEvent(QContextMenuEvent* AEvent) override;

private:
  void CellEdited(int ARow, int ACol);
  void EnsureEmptyLastRow();
  std::u16string CellText(int ARow, int ACol) const;
  void SetCellText(int ARow, int ACol, const std::u16string& AText);

  bool FFilling = false;
};

class TSettingsDialogWindow final : public QDialog {
  Q_OBJECT
public:
  explicit TSettingsDialogWindow(int ADpi = 0);
  ~TSettingsDialogWindow() override;

  TOkCheck OkCheck;
  TRecordingHook OnHotKeyRecording;
  // Shows a warning box; the dialog's own by default.
  std::function<void(const std::u16string& ACaption, const std::u16string& AText)> ShowWarning;

  void SetNameCheck(const TNameCheck& ACheck);
  void SetFields(const TSettingsFields& AFields);
  TSettingsFields Fields() const;
  // The OK button: checks the names in the tables and the fields; on a failure shows the
  // warning box and puts the focus into the failing field, else closes with OK.
  void OKBtnClick();
  // The control of a design name ("MaxItemsEdit"), or nullptr.
  QWidget* Control(std::u16string_view AName) const;
  QWidget* FieldControl(TSettingsField AField) const;
  int Dpi() const { return FDpi; }
  bool Recording() const { return FRecording; }

protected:
  void done(int AResult) override;

private:
  void Build();
  void HotKeyFocusChanged(bool AFocused);
  void SetRecording(bool ARecording);
  int Scale(int APixels) const;

  int FDpi;
  std::map<std::u16string, QWidget*> FControls;
  bool FRecording = false;
  QTimer FRecordingEnd;
};

class TQtSettingsDialog final : public ISettingsDialog {
public:
  explicit TQtSettingsDialog(TRecordingHook AOnHotKeyRecording = {});
  bool ShowModal(TSettingsFields& AFields, const std::function<TFieldCheck(const TSettingsFields&)>& AOkCheck,
                 const std::function<std::u16string(const TTemplateRows&, int, const std::u16string&)>&
                     ACheckTemplateName) override;

private:
  TRecordingHook FOnHotKeyRecording;
};

} // namespace vm
