#pragma once
// What the user does and sees at the history list, for the list's scenario tests.
#include <string>
#include <vector>

#include "fakes/scenario_fixture.h"

namespace vm::test {

// The program the user was typing in when the popup was called.
inline constexpr TWindowHandle EditorWindow = 0x500;
inline constexpr TWindowHandle EditorControl = 0x501;

// The show hotkey pressed in the editor.
inline void OpenPopup(TScenarioWorld& W) {
  W.F.FocusInput.Foreground = EditorWindow;
  W.F.FocusInput.WindowThreads[EditorWindow] = 7;
  W.F.FocusInput.Focused = EditorControl;
  W.Frm->WMHotKey(W.Frm->HotKeyIDShow());
}

// The search box's text after the user typed or pasted into it.
inline void TypeSearch(TScenarioWorld& W, const std::u16string& AText) {
  W.F.Popup.Search = AText;
  W.Frm->SearchEditChange();
}

// A key press as the window sees it first (key preview); true when it was consumed, so the
// search box never saw it.
inline bool PressKey(TScenarioWorld& W, std::uint16_t AKey, TShiftState AShift = {}) {
  std::uint16_t Key = AKey;
  W.Frm->FormKeyDown(Key, AShift);
  return Key == 0;
}

inline TShiftState Ctrl() { return {false, false, true}; }

// Every grid row as "marks|text", the two cells the user reads.
inline std::vector<std::u16string> GridRows(TScenarioWorld& W) {
  std::vector<std::u16string> Rows;
  for (int Row = 0; Row < W.F.Popup.Rows; ++Row) Rows.push_back(W.F.Popup.Cell(0, Row) + u"|" + W.F.Popup.Cell(1, Row));
  return Rows;
}

inline void Press(TScenarioWorld& W, TMouseButton AButton, int ACol, int ARow) {
  const TPoint At = W.F.Popup.CellCentre(ACol, ARow);
  W.Frm->ClipHistoryGridMouseDown(AButton, At.X, At.Y);
}

// Ctrl+V went to the editor this many times.
inline int PastesSent(TScenarioWorld& W) { return static_cast<int>(W.F.FocusInput.SentInputs.size()); }

} // namespace vm::test
