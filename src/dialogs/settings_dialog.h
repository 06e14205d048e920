#pragma once
// TSettingsFrm, the settings dialog: its design as data, which both desktops lay out from, the
// check of the fields when OK is pressed, the check of a template name typed into a table, and
// the conversions between the dialog's fields and the settings the main window holds.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/app_texts.h"
#include "app/settings.h"
#include "platform/dialogs.h"

namespace vm {

// --- The design -----------------------------------------------------------------------------

enum class TSettingsControlKind {
  GroupBox,
  Label,
  NumberEdit,     // one-line edit that takes only digits from the keyboard (pasting is not filtered)
  HotKeyField,    // records one key with Ctrl, Alt and Shift; empty yields 0
  NameValueTable, // one row per template: name, value; rows can be added, edited and deleted
  Button,
};

// Column titles and widths of a name/value table.
struct TNameValueColumns {
  std::u16string_view NameTitle;
  std::u16string_view ValueTitle;
  int NameWidth;
  int ValueWidth;
};

// One control. Positions and sizes are pixels at 96 DPI; inside a group box they are relative to
// it. A label's Width and Height of 0 mean as wide as its text and one line of the dialog's font.
struct TSettingsControl {
  std::u16string_view Name;
  TSettingsControlKind Kind;
  std::u16string_view Parent; // empty: the dialog's client area
  int Left, Top, Width, Height;
  // Group box and label captions, button captions, the edits' texts in the layout (replaced by
  // the current settings before the dialog shows).
  std::u16string_view Caption;
  // The field of TSettingsFields this control shows; where the focus goes when its check fails.
  TSettingsField Field = TSettingsField::None;
  const TNameValueColumns* Columns = nullptr; // name/value tables only
  bool IsDefault = false;                     // Enter presses it
  bool IsCancel = false;                      // Esc presses it; closes the dialog as cancelled
};

// A fixed-size modal window, dialog border with only the close box, centred on the screen.
struct TSettingsFrmDesign {
  static constexpr std::u16string_view Caption = texts::SettingsCaption;
  static constexpr int ClientWidth = 504;
  static constexpr int ClientHeight = 620;
  static constexpr int DesignDpi = 96; // every size is scaled from this to the screen's DPI
  static constexpr std::u16string_view FontName = u"Segoe UI";
  static constexpr int FontPixelHeight = 12;
};

inline constexpr TNameValueColumns TextTemplatesColumns{texts::SettingsNameColumn, texts::SettingsBodyColumn, 150,
                                                        332};
inline constexpr TNameValueColumns ImageTemplatesColumns{texts::SettingsNameColumn, texts::SettingsPathColumn,
                                                         150, 332};

namespace settings_design {

constexpr TSettingsControl Group(std::u16string_view AName, int ALeft, int ATop, int AWidth, int AHeight,
                                 std::u16string_view ACaption) {
  return {AName, TSettingsControlKind::GroupBox, {}, ALeft, ATop, AWidth, AHeight, ACaption};
}
constexpr TSettingsControl Label(std::u16string_view AName, std::u16string_view AParent, int ALeft, int ATop,
                                 std::u16string_view ACaption, int AWidth = 0) {
  return {AName, TSettingsControlKind::Label, AParent, ALeft, ATop, AWidth, 0, ACaption};
}
constexpr TSettingsControl Edit(std::u16string_view AName, std::u16string_view AParent, int ALeft, int ATop,
                                std::u16string_view AText, TSettingsField AField) {
  return {AName, TSettingsControlKind::NumberEdit, AParent, ALeft, ATop, 110, 23, AText, AField};
}
constexpr TSettingsControl HotKey(std::u16string_view AName, int ALeft, int ATop, TSettingsField AField) {
  return {AName, TSettingsControlKind::HotKeyField, u"HotkeyGroup", ALeft, ATop, 170, 23, {}, AField};
}
constexpr TSettingsControl Table(std::u16string_view AName, int ATop, int AHeight, const TNameValueColumns& AColumns) {
  return {AName, TSettingsControlKind::NameValueTable, {}, 8, ATop, 488, AHeight, {}, TSettingsField::None,
          &AColumns};
}
constexpr TSettingsControl Button(std::u16string_view AName, int ALeft, std::u16string_view ACaption, bool ADefault,
                                  bool ACancel) {
  return {AName, TSettingsControlKind::Button, {}, ALeft, 584, 80, 27, ACaption, TSettingsField::None, nullptr,
          ADefault, ACancel};
}

} // namespace settings_design

// Every control, in tab order; a group box comes before the controls inside it.
inline constexpr std::array<TSettingsControl, 19> SettingsFrmControls{{
    settings_design::Group(u"GeneralGroup", 8, 8, 488, 108, texts::SettingsGeneralGroup),
    settings_design::Label(u"Label1", u"GeneralGroup", 16, 24, texts::SettingsMaxItemsLabel),
    settings_design::Edit(u"MaxItemsEdit", u"GeneralGroup", 360, 20, u"30", TSettingsField::MaxItems),
    settings_design::Label(u"Label2", u"GeneralGroup", 16, 52, texts::SettingsWidthLabel),
    settings_design::Edit(u"WidthEdit", u"GeneralGroup", 360, 48, u"240", TSettingsField::Width),
    settings_design::Label(u"Label3", u"GeneralGroup", 16, 80, texts::SettingsRowHeightLabel),
    settings_design::Edit(u"RowHeightEdit", u"GeneralGroup", 360, 76, u"25", TSettingsField::RowHeight),
    settings_design::Group(u"HotkeyGroup", 8, 124, 488, 84, texts::SettingsHotkeyGroup),
    settings_design::Label(u"Label4", u"HotkeyGroup", 16, 26, texts::SettingsShowHotkeyLabel),
    settings_design::HotKey(u"HotKeyShow", 300, 22, TSettingsField::HotKeyShow),
    settings_design::Label(u"Label5", u"HotkeyGroup", 16, 54, texts::SettingsQuitHotkeyLabel),
    settings_design::HotKey(u"HotKeyQuit", 300, 50, TSettingsField::HotKeyQuit),
    settings_design::Label(u"Label6", {}, 8, 216, texts::SettingsTextTemplatesLabel),
    settings_design::Label(u"Label8", {}, 8, 234, texts::SettingsPlaceholdersLabel, 488),
    settings_design::Table(u"TextTemplatesVLE", 254, 140, TextTemplatesColumns),
    settings_design::Label(u"Label7", {}, 8, 402, texts::SettingsImageTemplatesLabel),
    settings_design::Table(u"ImageTemplatesVLE", 424, 120, ImageTemplatesColumns),
    settings_design::Button(u"OKBtn", 332, texts::SettingsOk, true, false),
    settings_design::Button(u"CancelBtn", 418, texts::SettingsCancel, false, true),
}};

// The control named AName, or nullptr.
const TSettingsControl* FindSettingsControl(std::u16string_view AName);

// --- The rules --------------------------------------------------------------------------------

// The ranges OK accepts, bounds included.
inline constexpr std::int32_t MinMaxItems = 1, MaxMaxItems = 500;
inline constexpr std::int32_t MinFormWidth = 100, MaxFormWidth = 2000;
inline constexpr std::int32_t MinRowHeight = 10, MaxRowHeight = 200;

// A number field's text: surrounding blanks and control characters (code units up to 32) are
// ignored, the rest is a 32-bit signed integer in decimal or in hexadecimal after "$" or "0x".
bool ReadFieldNumber(std::u16string_view AText, std::int32_t& AValue);

// The OK button: checks the history maximum, the width, the row height and the show hotkey in
// this order and stops at the first failure, which names the field and the message for the
// warning box (caption texts::SettingsWarningCaption). The quit hotkey may be empty.
TFieldCheck OKBtnClick(const TSettingsFields& AFields);

// A name typed into row ARow of a name/value table: the refusal message, or empty when the name
// is accepted. A name may not contain "=", and may not be one that another row already has
// (letters compared without regard to case, surrounding blanks ignored, as the settings file
// reads names back). A blank name is accepted: its row is dropped on OK.
std::u16string CheckTemplateName(const TTemplateRows& ARows, int ARow, const std::u16string& AName);

// A text template body as the table shows it (every line break as the two characters "\n") and back.
std::u16string BodyToCell(std::u16string_view ABody);
std::u16string CellToBody(std::u16string_view ACell);

// Sets the value of the row named AName (letter case ignored), or appends a row.
void SetTemplateRow(TTemplateRows& ARows, const std::u16string& AName, const std::u16string& AValue);

// The dialog's fields, filled from the settings the main window holds.
TSettingsFields SettingsToFields(const TSettings& ASettings);

// Takes the confirmed fields over into ASettings: the numbers read as OKBtnClick reads them (one
// that cannot be read leaves its setting unchanged), the hotkeys, and the templates from top to
// bottom, without the rows whose name is blank; names are kept as typed.
void FieldsToSettings(const TSettingsFields& AFields, TSettings& ASettings);

} // namespace vm
