#pragma once
// "Amethyst Kamri": the look of the program's own windows and menus on Windows. A handful of
// colours (a pale lavender ground, amethyst selection, lilac grid lines and menus, a deep purple
// frame where the system lets a program colour it). Common dialogs, message boxes and system
// tooltips keep the system look.
//
// Until ApplyTheme succeeds (or after RemoveTheme) every colour is the system's own, so the code
// that paints asks ThemeColour / ThemeBrush and never needs to know whether the theme is on.
#include <windows.h>

#include <string>

namespace vm {

enum class TThemeColour {
  WindowBackground, // window and list ground
  WindowText,
  Highlight,        // the selected row
  HighlightText,
  GridLine,         // the thin lines between the list's cells
  EditBackground,   // the search box
  MenuBackground,
  Caption,          // title bar and frame, where the system lets a program colour them
  CaptionText,
  Border,
};

// Selects the theme. Returns false, and changes nothing, when its brushes cannot be made.
bool ApplyTheme();
// Back to the system look; frees the theme's brushes.
void RemoveTheme();
bool ThemeApplied();
// "Amethyst Kamri" while the theme is on, empty otherwise.
std::u16string ActiveThemeName();

// The theme's colour, or the system colour of the same role without the theme.
COLORREF ThemeColour(TThemeColour AColour);
// A brush of ThemeColour(AColour) that stays valid until the theme changes; never delete it.
HBRUSH ThemeBrush(TThemeColour AColour);

// Gives a pop-up menu (and its submenus) the theme's background. Nothing without the theme.
void ThemeMenu(HMENU AMenu);
// Colours a top-level window's title bar and frame where the desktop window manager supports it
// (Windows 11); elsewhere the frame keeps the system look. Nothing without the theme.
void ThemeWindowFrame(HWND AWindow);

} // namespace vm
