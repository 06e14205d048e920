#include "platform/windows/win_theme.h"

#include <array>
#include <cstddef>

#include "app/app_texts.h"

namespace vm {

namespace {

constexpr std::size_t ColourCount = static_cast<std::size_t>(TThemeColour::Border) + 1;

// Amethyst (#9966CC) for the selection, a deep purple frame, lavender and lilac grounds that
// keep black text easy to read.
constexpr std::array<COLORREF, ColourCount> AmethystKamri{
    RGB(251, 249, 254), // WindowBackground
    RGB(33, 20, 46),    // WindowText
    RGB(153, 102, 204), // Highlight
    RGB(255, 255, 255), // HighlightText
    RGB(221, 208, 236), // GridLine
    RGB(255, 254, 255), // EditBackground
    RGB(243, 236, 250), // MenuBackground
    RGB(92, 45, 145),   // Caption
    RGB(255, 255, 255), // CaptionText
    RGB(153, 102, 204), // Border
};

constexpr std::array<int, ColourCount> SystemRoles{
    COLOR_WINDOW,    COLOR_WINDOWTEXT, COLOR_HIGHLIGHT,     COLOR_HIGHLIGHTTEXT, COLOR_BTNFACE,
    COLOR_WINDOW,    COLOR_MENU,       COLOR_ACTIVECAPTION, COLOR_CAPTIONTEXT,   COLOR_WINDOWFRAME,
};

struct TThemeState {
  bool Applied = false;
  std::array<HBRUSH, ColourCount> Brushes{};
};

TThemeState& State() {
  static TThemeState Theme;
  return Theme;
}

std::size_t Slot(TThemeColour AColour) { return static_cast<std::size_t>(AColour); }

// DwmSetWindowAttribute, looked up at run time: the program imports no DWM library, and
// systems before Windows 11 refuse the colour attributes anyway.
using TDwmSetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

TDwmSetWindowAttribute DwmSetAttribute() {
  static const TDwmSetWindowAttribute Function = [] {
    HMODULE Dwm = LoadLibraryW(L"dwmapi.dll");
    return Dwm ? reinterpret_cast<TDwmSetWindowAttribute>(
                     reinterpret_cast<void*>(GetProcAddress(Dwm, "DwmSetWindowAttribute")))
               : nullptr;
  }();
  return Function;
}

constexpr DWORD DwmBorderColour = 34;  // DWMWA_BORDER_COLOR
constexpr DWORD DwmCaptionColour = 35; // DWMWA_CAPTION_COLOR
constexpr DWORD DwmTextColour = 36;    // DWMWA_TEXT_COLOR

} // namespace

bool ApplyTheme() {
  TThemeState& Theme = State();
  if (Theme.Applied) return true;
  std::array<HBRUSH, ColourCount> Brushes{};
  for (std::size_t I = 0; I < ColourCount; ++I) {
    Brushes[I] = CreateSolidBrush(AmethystKamri[I]);
    if (!Brushes[I]) {
      for (HBRUSH Made : Brushes)
        if (Made) DeleteObject(Made);
      return false;
    }
  }
  Theme.Brushes = Brushes;
  Theme.Applied = true;
  return true;
}

void RemoveTheme() {
  TThemeState& Theme = State();
  if (!Theme.Applied) return;
  Theme.Applied = false;
  for (HBRUSH& Brush : Theme.Brushes) {
    if (Brush) DeleteObject(Brush);
    Brush = nullptr;
  }
}

bool ThemeApplied() { return State().Applied; }

std::u16string ActiveThemeName() { return ThemeApplied() ? std::u16string(texts::ThemeName) : std::u16string(); }

COLORREF ThemeColour(TThemeColour AColour) {
  const std::size_t I = Slot(AColour);
  return ThemeApplied() ? AmethystKamri[I] : GetSysColor(SystemRoles[I]);
}

HBRUSH ThemeBrush(TThemeColour AColour) {
  const std::size_t I = Slot(AColour);
  return ThemeApplied() ? State().Brushes[I] : GetSysColorBrush(SystemRoles[I]);
}

void ThemeMenu(HMENU AMenu) {
  if (!AMenu || !ThemeApplied()) return;
  MENUINFO Info{};
  Info.cbSize = sizeof Info;
  Info.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
  Info.hbrBack = ThemeBrush(TThemeColour::MenuBackground);
  SetMenuInfo(AMenu, &Info);
}

void ThemeWindowFrame(HWND AWindow) {
  if (!AWindow || !ThemeApplied()) return;
  const TDwmSetWindowAttribute SetAttribute = DwmSetAttribute();
  if (!SetAttribute) return;
  const COLORREF Caption = ThemeColour(TThemeColour::Caption);
  const COLORREF Text = ThemeColour(TThemeColour::CaptionText);
  const COLORREF Border = ThemeColour(TThemeColour::Border);
  // Each is refused on systems that lack it; the frame then keeps the system look.
  SetAttribute(AWindow, DwmCaptionColour, &Caption, sizeof Caption);
  SetAttribute(AWindow, DwmTextColour, &Text, sizeof Text);
  SetAttribute(AWindow, DwmBorderColour, &Border, sizeof Border);
}

} // namespace vm
