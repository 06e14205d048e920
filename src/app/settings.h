#pragma once
// The settings file "VellomarchData.ini": history maximum, window width, row height, the two
// global hotkeys and the text and image templates. Read once at start-up, written only after
// the settings dialog was confirmed.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/shortcut.h"

namespace vm {

// The settings as the main window holds them. The template arrays run in parallel: name i
// belongs to body (or image path) i.
struct TSettings {
  std::int32_t MaxItems = 30;  // goes into the history's MaxItems, without trimming
  std::int32_t FormWidth = 240;
  std::int32_t RowHeight = 25;
  TShortCut ShowShortcut = MakeShortCut(0x43, scAlt);         // Alt+C; never 0 after loading
  TShortCut QuitShortcut = MakeShortCut(0x51, scCtrl | scAlt); // Ctrl+Alt+Q; 0 means none
  std::vector<std::u16string> TeikeiName;    // text template names
  std::vector<std::u16string> Teikeibun;     // text template bodies, line breaks as CR LF
  std::vector<std::u16string> TeikeiImgName; // image template names
  std::vector<std::u16string> TeikeiImg;     // image template file paths
};

// BaseDir() + "VellomarchData.ini".
std::u16string IniFilePath();

// Fills every field from the file; what the file lacks or holds in an unreadable form gets its
// default. A missing file gives all defaults and is not created. A file that exists but cannot
// be read throws TError.
void LoadSettings(TSettings& ASettings);

// Rewrites the file with the settings, keeping the sections and keys it does not own in their
// places; the template sections are written anew at the end. Throws TError when the file
// cannot be written; the old file is then left as it was.
void SaveSettings(const TSettings& ASettings);

// A 32-bit signed integer in decimal, or in hexadecimal after "$" or "0x"/"0X", with an
// optional sign in front. False for an empty or malformed text or a value outside the 32-bit
// range; the text is taken as it is, without trimming.
bool TryStrToInt(std::u16string_view AText, std::int32_t& AValue);

} // namespace vm
