#include "app/settings.h"

#include <utility>

#include "app/ini_file.h"
#include "support/data_folders.h"
#include "support/text.h"

namespace vm {
namespace {

constexpr std::u16string_view SectionSetting = u"Setting";
constexpr std::u16string_view SectionTextTemplate = u"TextTemplate";
constexpr std::u16string_view SectionImageTemplate = u"ImageTemplate";

constexpr std::u16string_view KeyItemMax = u"VellomarchItemMax";
constexpr std::u16string_view KeyWidth = u"VellomarchWidth";
constexpr std::u16string_view KeyRowHeight = u"VellomarchDefaultRowHeight";
constexpr std::u16string_view KeyHotkeyShow = u"HotkeyShow";
constexpr std::u16string_view KeyHotkeyQuit = u"HotkeyQuit";

constexpr TShortCut DefaultShowShortcut = MakeShortCut(0x43, scAlt);         // Alt+C

int HexDigit(char16_t C) {
  if (C >= u'0' && C <= u'9') return C - u'0';
  if (C >= u'a' && C <= u'f') return C - u'a' + 10;
  if (C >= u'A' && C <= u'F') return C - u'A' + 10;
  return -1;
}

std::int32_t ReadInteger(const TIniFile& AIni, std::u16string_view AKey, std::int32_t ADefault) {
  std::int32_t Value = 0;
  return TryStrToInt(AIni.ReadString(SectionSetting, AKey, {}), Value) ? Value : ADefault;
}

// A body keeps its line breaks as the two characters "\n", the only form a line of the file can
// hold. A lone CR or LF counts as a line break too (it comes back as CR LF).
std::u16string EscapeLineBreaks(const std::u16string& ABody) {
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

void ReadTemplates(const TIniFile& AIni, std::u16string_view ASection, bool AUnescape,
                   std::vector<std::u16string>& ANames, std::vector<std::u16string>& AValues) {
  ANames = AIni.ReadSection(ASection);
  AValues.clear();
  AValues.reserve(ANames.size());
  // Read by name: of two keys with the same name both are listed, each with the first's value.
  for (const std::u16string& Name : ANames) {
    std::u16string Value = AIni.ReadString(ASection, Name, {});
    AValues.push_back(AUnescape ? ReplaceAll(std::move(Value), u"\\n", u"\r\n") : std::move(Value));
  }
}

void WriteTemplates(TIniFile& AIni, std::u16string_view ASection, bool AEscape,
                    const std::vector<std::u16string>& ANames, const std::vector<std::u16string>& AValues) {
  AIni.EraseSection(ASection);
  for (std::size_t I = 0; I < ANames.size(); ++I) {
    const std::u16string Value = I < AValues.size() ? AValues[I] : std::u16string();
    AIni.WriteString(ASection, ANames[I], AEscape ? EscapeLineBreaks(Value) : Value);
  }
}

} // namespace

std::u16string IniFilePath() { return BaseDir() + u"VellomarchData.ini"; }

bool TryStrToInt(std::u16string_view AText, std::int32_t& AValue) {
  std::size_t I = 0;
  bool Negative = false;
  if (I < AText.size() && (AText[I] == u'+' || AText[I] == u'-')) Negative = AText[I++] == u'-';
  int Base = 10;
  if (I < AText.size() && AText[I] == u'$') {
    Base = 16;
    ++I;
  } else if (AText.size() - I > 2 && AText[I] == u'0' && (AText[I + 1] == u'x' || AText[I + 1] == u'X')) {
    Base = 16;
    I += 2;
  }
  if (I == AText.size()) return false;
  constexpr std::int64_t Limit = std::int64_t{1} << 31; // magnitude of the smallest value
  std::int64_t Magnitude = 0;
  for (; I < AText.size(); ++I) {
    const int Digit = HexDigit(AText[I]);
    if (Digit < 0 || Digit >= Base) return false;
    Magnitude = Magnitude * Base + Digit;
    if (Magnitude > Limit) return false;
  }
  if (!Negative && Magnitude == Limit) return false;
  AValue = static_cast<std::int32_t>(Negative ? -Magnitude : Magnitude);
  return true;
}

void LoadSettings(TSettings& ASettings) {
  const TIniFile Ini = LoadIniFile(IniFilePath());
  ASettings.MaxItems = ReadInteger(Ini, KeyItemMax, 30);
  ASettings.FormWidth = ReadInteger(Ini, KeyWidth, 240);
  ASettings.RowHeight = ReadInteger(Ini, KeyRowHeight, 25);
  ASettings.ShowShortcut = TextToShortCut(Ini.ReadString(SectionSetting, KeyHotkeyShow, u"Alt+C"));
  ASettings.QuitShortcut = TextToShortCut(Ini.ReadString(SectionSetting, KeyHotkeyQuit, u"Ctrl+Alt+Q"));
  // Without a show hotkey the popup could only be reached through the tray icon; the quit
  // hotkey may be switched off on purpose.
  if (ASettings.ShowShortcut == 0) ASettings.ShowShortcut = DefaultShowShortcut;
  ReadTemplates(Ini, SectionTextTemplate, true, ASettings.TeikeiName, ASettings.Teikeibun);
  ReadTemplates(Ini, SectionImageTemplate, false, ASettings.TeikeiImgName, ASettings.TeikeiImg);
}

void SaveSettings(const TSettings& ASettings) {
  const std::u16string FileName = IniFilePath();
  TIniFile Ini = LoadIniFile(FileName);
  Ini.WriteString(SectionSetting, KeyItemMax, IntToStr(ASettings.MaxItems));
  Ini.WriteString(SectionSetting, KeyWidth, IntToStr(ASettings.FormWidth));
  Ini.WriteString(SectionSetting, KeyRowHeight, IntToStr(ASettings.RowHeight));
  Ini.WriteString(SectionSetting, KeyHotkeyShow, ShortCutToText(ASettings.ShowShortcut));
  Ini.WriteString(SectionSetting, KeyHotkeyQuit, ShortCutToText(ASettings.QuitShortcut));
  WriteTemplates(Ini, SectionTextTemplate, true, ASettings.TeikeiName, ASettings.Teikeibun);
  WriteTemplates(Ini, SectionImageTemplate, false, ASettings.TeikeiImgName, ASettings.TeikeiImg);
  // The data folder normally exists since start-up; a save recreates it if it went away.
  if (!DirectoryExists(BaseDir())) ForceDirectories(BaseDir());
  SaveIniFile(Ini, FileName);
}

} // namespace vm
