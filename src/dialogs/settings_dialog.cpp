#include "dialogs/settings_dialog.h"

#include "support/text.h"

namespace vm {
namespace {

std::u16string_view TrimBlanks(std::u16string_view AText) {
  while (!AText.empty() && AText.front() <= u' ') AText.remove_prefix(1);
  while (!AText.empty() && AText.back() <= u' ') AText.remove_suffix(1);
  return AText;
}

struct TNumberRule {
  std::u16string TSettingsFields::*Text;
  std::int32_t Min, Max;
  TSettingsField Field;
  const char16_t* Message;
};

bool InRange(const std::u16string& AText, std::int32_t AMin, std::int32_t AMax) {
  std::int32_t Value = 0;
  return ReadFieldNumber(AText, Value) && Value >= AMin && Value <= AMax;
}

std::vector<std::u16string> ColumnOf(const TTemplateRows& ARows, bool AValues) {
  std::vector<std::u16string> Out;
  for (const auto& Row : ARows)
    if (!TrimBlanks(Row.first).empty()) Out.push_back(AValues ? Row.second : Row.first);
  return Out;
}

} // namespace

const TSettingsControl* FindSettingsControl(std::u16string_view AName) {
  for (const TSettingsControl& Control : SettingsFrmControls)
    if (Control.Name == AName) return &Control;
  return nullptr;
}

bool ReadFieldNumber(std::u16string_view AText, std::int32_t& AValue) {
  return TryStrToInt(TrimBlanks(AText), AValue);
}

TFieldCheck OKBtnClick(const TSettingsFields& AFields) {
  static const TNumberRule Rules[] = {
      {&TSettingsFields::MaxItemsText, MinMaxItems, MaxMaxItems, TSettingsField::MaxItems,
       texts::SettingsMaxItemsInvalid},
      {&TSettingsFields::WidthText, MinFormWidth, MaxFormWidth, TSettingsField::Width, texts::SettingsWidthInvalid},
      {&TSettingsFields::RowHeightText, MinRowHeight, MaxRowHeight, TSettingsField::RowHeight,
       texts::SettingsRowHeightInvalid},
  };
  for (const TNumberRule& Rule : Rules)
    if (!InRange(AFields.*Rule.Text, Rule.Min, Rule.Max)) return {false, Rule.Field, Rule.Message};
  if (AFields.HotKeyShow == 0) return {false, TSettingsField::HotKeyShow, texts::SettingsShowHotkeyMissing};
  return {};
}

std::u16string CheckTemplateName(const TTemplateRows& ARows, int ARow, const std::u16string& AName) {
  // A key line is split at its first "=": a name holding one would come back cut in two.
  if (AName.find(u'=') != std::u16string::npos) return texts::TemplateNameHasEquals;
  // The settings file trims names and matches them without regard to case, so two names that
  // differ only there would read back as one template and lose the other's value.
  const std::u16string_view Name = TrimBlanks(AName);
  if (Name.empty()) return {};
  for (std::size_t I = 0; I < ARows.size(); ++I) {
    if (static_cast<long long>(I) == ARow) continue;
    if (SameTextAscii(TrimBlanks(ARows[I].first), Name))
      return std::u16string(texts::TemplateNameTakenBefore) + AName + texts::TemplateNameTakenAfter;
  }
  return {};
}

std::u16string BodyToCell(std::u16string_view ABody) {
  // A table cell holds one line. Bodies carry CR LF; a lone CR or LF is a line break as well,
  // written the same way the settings file writes it.
  std::u16string Out;
  for (std::size_t I = 0; I < ABody.size(); ++I) {
    const char16_t C = ABody[I];
    if (C == u'\r' || C == u'\n') {
      Out += u"\\n";
      if (C == u'\r' && I + 1 < ABody.size() && ABody[I + 1] == u'\n') ++I;
    } else {
      Out.push_back(C);
    }
  }
  return Out;
}

std::u16string CellToBody(std::u16string_view ACell) {
  // Case-sensitive, and no escape for a literal backslash before n, as in the settings file.
  return ReplaceAll(std::u16string(ACell), u"\\n", u"\r\n");
}

void SetTemplateRow(TTemplateRows& ARows, const std::u16string& AName, const std::u16string& AValue) {
  for (auto& Row : ARows) {
    if (SameTextAscii(Row.first, AName)) {
      Row.second = AValue;
      return;
    }
  }
  ARows.emplace_back(AName, AValue);
}

TSettingsFields SettingsToFields(const TSettings& ASettings) {
  TSettingsFields Fields;
  Fields.MaxItemsText = IntToStr(ASettings.MaxItems);
  Fields.WidthText = IntToStr(ASettings.FormWidth);
  Fields.RowHeightText = IntToStr(ASettings.RowHeight);
  Fields.HotKeyShow = ASettings.ShowShortcut;
  Fields.HotKeyQuit = ASettings.QuitShortcut;
  for (std::size_t I = 0; I < ASettings.TeikeiName.size(); ++I)
    SetTemplateRow(Fields.TextTemplates, ASettings.TeikeiName[I],
                   I < ASettings.Teikeibun.size() ? BodyToCell(ASettings.Teikeibun[I]) : std::u16string());
  for (std::size_t I = 0; I < ASettings.TeikeiImgName.size(); ++I)
    SetTemplateRow(Fields.ImageTemplates, ASettings.TeikeiImgName[I],
                   I < ASettings.TeikeiImg.size() ? ASettings.TeikeiImg[I] : std::u16string());
  return Fields;
}

void FieldsToSettings(const TSettingsFields& AFields, TSettings& ASettings) {
  ReadFieldNumber(AFields.MaxItemsText, ASettings.MaxItems);
  ReadFieldNumber(AFields.WidthText, ASettings.FormWidth);
  ReadFieldNumber(AFields.RowHeightText, ASettings.RowHeight);
  ASettings.ShowShortcut = AFields.HotKeyShow;
  ASettings.QuitShortcut = AFields.HotKeyQuit;
  ASettings.TeikeiName = ColumnOf(AFields.TextTemplates, false);
  ASettings.Teikeibun.clear();
  for (const std::u16string& Cell : ColumnOf(AFields.TextTemplates, true)) ASettings.Teikeibun.push_back(CellToBody(Cell));
  ASettings.TeikeiImgName = ColumnOf(AFields.ImageTemplates, false);
  ASettings.TeikeiImg = ColumnOf(AFields.ImageTemplates, true);
}

} // namespace vm
