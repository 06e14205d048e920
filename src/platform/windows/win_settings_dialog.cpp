#include "platform/windows/win_settings_dialog.h"

#include <commctrl.h>

#include "app/app_texts.h"
#include "platform/windows/win_dpi.h"
#include "platform/windows/win_theme.h"

namespace vm {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

const wchar_t* W(const std::u16string& AText) { return reinterpret_cast<const wchar_t*>(AText.c_str()); }

std::u16string WindowText(HWND AWindow) {
  if (!AWindow) return {};
  const int Length = GetWindowTextLengthW(AWindow);
  std::u16string Text(static_cast<std::size_t>(Length) + 1, u'\0');
  const int Got = GetWindowTextW(AWindow, reinterpret_cast<wchar_t*>(Text.data()), Length + 1);
  Text.resize(static_cast<std::size_t>(Got > 0 ? Got : 0));
  return Text;
}

constexpr wchar_t WindowClassName[] = L"VellomarchSettingsDialog";
constexpr int FirstControlId = 100;
constexpr UINT_PTR ValueEditorSubclassId = 1;
constexpr UINT_PTR NameEditorSubclassId = 2;
// Private messages: work that must wait until a list view has finished its own notification.
constexpr UINT WM_COMMIT_NAME = WM_APP + 20;
constexpr UINT WM_EDIT_VALUE = WM_APP + 21;
constexpr UINT WM_CLOSE_VALUE_EDITOR = WM_APP + 22;
constexpr UINT_PTR DeleteRowCommand = 1;
// Words of this dialog's own, beside the design's texts.
constexpr char16_t DeleteRowCaption[] = u"行を削除";
// A refused template name is the list's own complaint, not one of the field checks: it carries
// the application's title, like the program's other error boxes.
constexpr char16_t NameRefusalCaption[] = u"Vellomarch";

// Keys on the extended part of the keyboard: the hotkey control names them by their scan code
// and needs HOTKEYF_EXT to tell, say, Delete from the keypad's decimal point.
bool IsExtendedKey(BYTE AKey) {
  switch (AKey) {
    case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
    case VK_INSERT: case VK_DELETE: case VK_DIVIDE: case VK_NUMLOCK:
    case VK_SNAPSHOT: case VK_LWIN: case VK_RWIN: case VK_APPS:
    case VK_RCONTROL: case VK_RMENU:
      return true;
    default:
      return false;
  }
}

} // namespace

TShortCut HotKeyValueToShortCut(WORD AValue) {
  const BYTE Key = LOBYTE(AValue);
  const BYTE Flags = HIBYTE(AValue);
  if (Key == 0) return 0;
  TShortCut Modifiers = 0;
  if (Flags & HOTKEYF_SHIFT) Modifiers |= scShift;
  if (Flags & HOTKEYF_CONTROL) Modifiers |= scCtrl;
  if (Flags & HOTKEYF_ALT) Modifiers |= scAlt;
  return MakeShortCut(Key, Modifiers);
}

WORD ShortCutToHotKeyValue(TShortCut AShortCut) {
  const BYTE Key = ShortCutKey(AShortCut);
  if (Key == 0) return 0;
  BYTE Flags = 0;
  if (AShortCut & scShift) Flags |= HOTKEYF_SHIFT;
  if (AShortCut & scCtrl) Flags |= HOTKEYF_CONTROL;
  if (AShortCut & scAlt) Flags |= HOTKEYF_ALT;
  if (IsExtendedKey(Key)) Flags |= HOTKEYF_EXT;
  return MAKEWORD(Key, Flags);
}

// --- TWinSettingsWindow ---------------------------------------------------------------------

TWinSettingsWindow::TWinSettingsWindow(HWND AOwner, int ADpi) : TWinModalWindow(AOwner) {
  INITCOMMONCONTROLSEX Init{sizeof(INITCOMMONCONTROLSEX), ICC_HOTKEY_CLASS | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&Init);
  FDpi = ADpi > 0 ? ADpi : SystemDpiOrDefault();
  ShowWarning = [this](const std::u16string& ACaption, const std::u16string& AText) {
    MessageBoxW(FWindow, W(AText), W(ACaption), MB_ICONWARNING | MB_OK);
  };

  const DWORD Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  const DWORD ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  const std::u16string Caption(TSettingsFrmDesign::Caption);
  CreateModalWindow(WindowClassName, ExStyle, W(Caption), Style, 100, 100);
  if (!FWindow) return;
  ThemeWindowFrame(FWindow);
  Build();
  Layout(FDpi);

  // Placed on a monitor of another DPI than the system's: laid out again for that one.
  if (const int WindowDpi = ADpi > 0 ? FDpi : WindowDpiOr(FWindow, FDpi); WindowDpi != FDpi) Layout(WindowDpi);
  // Centred on the primary screen, whatever the owner's place. The frame is the system's, drawn
  // at the window's own DPI; the client area holds the design at FDpi.
  RECT Frame{0, 0, Scale(TSettingsFrmDesign::ClientWidth), Scale(TSettingsFrmDesign::ClientHeight)};
  AdjustWindowRectForDpi(Frame, Style, ExStyle, WindowDpiOr(FWindow, FDpi));
  const int Width = Frame.right - Frame.left;
  const int Height = Frame.bottom - Frame.top;
  SetWindowPos(FWindow, nullptr, (GetSystemMetrics(SM_CXSCREEN) - Width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - Height) / 2, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

TWinSettingsWindow::~TWinSettingsWindow() {
  CloseValueEditor(false);
  SetRecording(false);
  DestroyModalWindow();
  if (FFont) DeleteObject(FFont);
}

int TWinSettingsWindow::Scale(int APixels) const { return MulDiv(APixels, FDpi, 96); }

void TWinSettingsWindow::Build() {
  const HINSTANCE Instance = GetModuleHandleW(nullptr);
  FControls.reserve(SettingsFrmControls.size());
  int Index = 0;
  for (const TSettingsControl& Design : SettingsFrmControls) {
    const std::u16string Caption(Design.Caption);
    const wchar_t* Class = L"STATIC";
    DWORD Style = WS_CHILD | WS_VISIBLE;
    DWORD ExStyle = 0;
    INT_PTR Id = FirstControlId + Index++;
    switch (Design.Kind) {
      case TSettingsControlKind::GroupBox:
        Class = L"BUTTON";
        Style |= BS_GROUPBOX;
        break;
      case TSettingsControlKind::Label:
        Style |= SS_LEFT | SS_NOPREFIX;
        break;
      case TSettingsControlKind::NumberEdit:
        Class = L"EDIT";
        Style |= WS_TABSTOP | WS_GROUP | ES_NUMBER | ES_AUTOHSCROLL;
        ExStyle = WS_EX_CLIENTEDGE;
        break;
      case TSettingsControlKind::HotKeyField:
        Class = HOTKEY_CLASSW;
        Style |= WS_TABSTOP | WS_GROUP;
        ExStyle = WS_EX_CLIENTEDGE;
        break;
      case TSettingsControlKind::NameValueTable:
        Class = WC_LISTVIEWW;
        Style |= WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_EDITLABELS |
                 LVS_NOSORTHEADER;
        ExStyle = WS_EX_CLIENTEDGE;
        break;
      case TSettingsControlKind::Button:
        Class = L"BUTTON";
        Style |= WS_TABSTOP | WS_GROUP | (Design.IsDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        if (Design.IsDefault) Id = IDOK;
        if (Design.IsCancel) Id = IDCANCEL;
        break;
    }
    // Created in the table's order: that is the tab order, and a group box lies under the
    // controls inside it.
    const HWND Control = CreateWindowExW(ExStyle, Class, W(Caption), Style, 0, 0, 10, 10, FWindow,
                                         reinterpret_cast<HMENU>(Id), Instance, nullptr);
    if (Design.Kind == TSettingsControlKind::NameValueTable && Control && Design.Columns) {
      SendMessageW(Control, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
      if (ThemeApplied()) {
        SendMessageW(Control, LVM_SETBKCOLOR, 0, ThemeColour(TThemeColour::EditBackground));
        SendMessageW(Control, LVM_SETTEXTBKCOLOR, 0, ThemeColour(TThemeColour::EditBackground));
        SendMessageW(Control, LVM_SETTEXTCOLOR, 0, ThemeColour(TThemeColour::WindowText));
      }
      const std::u16string Titles[2] = {std::u16string(Design.Columns->NameTitle),
                                        std::u16string(Design.Columns->ValueTitle)};
      for (int Col = 0; Col < 2; ++Col) {
        LVCOLUMNW Column{};
        Column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        Column.pszText = const_cast<wchar_t*>(W(Titles[Col]));
        Column.cx = Scale(Col == 0 ? Design.Columns->NameWidth : Design.Columns->ValueWidth);
        Column.iSubItem = Col;
        SendMessageW(Control, LVM_INSERTCOLUMNW, static_cast<WPARAM>(Col), reinterpret_cast<LPARAM>(&Column));
      }
      EnsureEmptyLastRow(Control);
    }
    FControls.push_back({&Design, Control});
  }
}

void TWinSettingsWindow::Layout(int ADpi) {
  FDpi = ADpi;
  const HFONT OldFont = FFont;
  FFont = CreateFontW(-Scale(TSettingsFrmDesign::FontPixelHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, W(std::u16string(TSettingsFrmDesign::FontName)));

  const HDC Dc = GetDC(FWindow);
  const HGDIOBJ Previous = SelectObject(Dc, FFont);
  TEXTMETRICW Metrics{};
  GetTextMetricsW(Dc, &Metrics);
  const int LineHeight = Metrics.tmHeight;

  for (const TControlEntry& Entry : FControls) {
    const TSettingsControl& Design = *Entry.Design;
    int Left = Design.Left, Top = Design.Top;
    if (!Design.Parent.empty())
      if (const TSettingsControl* Parent = FindSettingsControl(Design.Parent)) {
        Left += Parent->Left;
        Top += Parent->Top;
      }
    int Width = Scale(Design.Width);
    int Height = Scale(Design.Height);
    if (Design.Kind == TSettingsControlKind::Label) {
      // As wide as its text unless the design gives a width; one line of the dialog's font high.
      if (Design.Width == 0) {
        const std::u16string Caption(Design.Caption);
        SIZE Extent{};
        GetTextExtentPoint32W(Dc, W(Caption), static_cast<int>(Caption.size()), &Extent);
        Width = Extent.cx;
      }
      Height = LineHeight;
    }
    SendMessageW(Entry.Window, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
    MoveWindow(Entry.Window, Scale(Left), Scale(Top), Width, Height, TRUE);
    if (Design.Kind == TSettingsControlKind::NameValueTable && Design.Columns) {
      SendMessageW(Entry.Window, LVM_SETCOLUMNWIDTH, 0, Scale(Design.Columns->NameWidth));
      SendMessageW(Entry.Window, LVM_SETCOLUMNWIDTH, 1, Scale(Design.Columns->ValueWidth));
    }
  }
  SelectObject(Dc, Previous);
  ReleaseDC(FWindow, Dc);
  if (FValueEditor) SendMessageW(FValueEditor, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
  InvalidateRect(FWindow, nullptr, TRUE);
  if (OldFont) DeleteObject(OldFont);
}

HWND TWinSettingsWindow::Control(std::u16string_view AName) const {
  for (const TControlEntry& Entry : FControls)
    if (Entry.Design->Name == AName) return Entry.Window;
  return nullptr;
}

HWND TWinSettingsWindow::FieldControl(TSettingsField AField) const {
  if (AField == TSettingsField::None) return nullptr;
  for (const TControlEntry& Entry : FControls)
    if (Entry.Design->Field == AField) return Entry.Window;
  return nullptr;
}

bool TWinSettingsWindow::IsTable(HWND AWindow) const {
  for (const TControlEntry& Entry : FControls)
    if (Entry.Window == AWindow && Entry.Design->Kind == TSettingsControlKind::NameValueTable) return true;
  return false;
}

void TWinSettingsWindow::SetFields(const TSettingsFields& AFields) {
  SetWindowTextW(FieldControl(TSettingsField::MaxItems), W(AFields.MaxItemsText));
  SetWindowTextW(FieldControl(TSettingsField::Width), W(AFields.WidthText));
  SetWindowTextW(FieldControl(TSettingsField::RowHeight), W(AFields.RowHeightText));
  SendMessageW(FieldControl(TSettingsField::HotKeyShow), HKM_SETHOTKEY, ShortCutToHotKeyValue(AFields.HotKeyShow), 0);
  SendMessageW(FieldControl(TSettingsField::HotKeyQuit), HKM_SETHOTKEY, ShortCutToHotKeyValue(AFields.HotKeyQuit), 0);
  FillTable(Control(u"TextTemplatesVLE"), AFields.TextTemplates);
  FillTable(Control(u"ImageTemplatesVLE"), AFields.ImageTemplates);
}

TSettingsFields TWinSettingsWindow::Fields() const {
  TSettingsFields Fields;
  Fields.MaxItemsText = WindowText(FieldControl(TSettingsField::MaxItems));
  Fields.WidthText = WindowText(FieldControl(TSettingsField::Width));
  Fields.RowHeightText = WindowText(FieldControl(TSettingsField::RowHeight));
  const auto HotKey = [this](TSettingsField AField) {
    return HotKeyValueToShortCut(static_cast<WORD>(SendMessageW(FieldControl(AField), HKM_GETHOTKEY, 0, 0)));
  };
  Fields.HotKeyShow = HotKey(TSettingsField::HotKeyShow);
  Fields.HotKeyQuit = HotKey(TSettingsField::HotKeyQuit);
  Fields.TextTemplates = TableRows(Control(u"TextTemplatesVLE"));
  Fields.ImageTemplates = TableRows(Control(u"ImageTemplatesVLE"));
  return Fields;
}

// --- The name/value lists ---

int TWinSettingsWindow::RowCount(HWND ATable) const {
  return static_cast<int>(SendMessageW(ATable, LVM_GETITEMCOUNT, 0, 0));
}

std::u16string TWinSettingsWindow::CellText(HWND ATable, int ARow, int ACol) const {
  std::u16string Text(256, u'\0');
  for (;;) {
    LVITEMW Item{};
    Item.iSubItem = ACol;
    Item.pszText = reinterpret_cast<wchar_t*>(Text.data());
    Item.cchTextMax = static_cast<int>(Text.size());
    const auto Length = static_cast<std::size_t>(
        SendMessageW(ATable, LVM_GETITEMTEXTW, static_cast<WPARAM>(ARow), reinterpret_cast<LPARAM>(&Item)));
    // A text that filled the buffer may have been cut: ask again with room to spare.
    if (Length + 1 < Text.size()) {
      Text.resize(Length);
      return Text;
    }
    Text.assign(Text.size() * 2, u'\0');
  }
}

void TWinSettingsWindow::SetCellText(HWND ATable, int ARow, int ACol, const std::u16string& AText) {
  LVITEMW Item{};
  Item.iSubItem = ACol;
  Item.pszText = const_cast<wchar_t*>(W(AText));
  SendMessageW(ATable, LVM_SETITEMTEXTW, static_cast<WPARAM>(ARow), reinterpret_cast<LPARAM>(&Item));
}

TTemplateRows TWinSettingsWindow::TableRows(HWND ATable) const {
  TTemplateRows Rows;
  const int Count = RowCount(ATable);
  for (int Row = 0; Row < Count; ++Row) Rows.emplace_back(CellText(ATable, Row, 0), CellText(ATable, Row, 1));
  if (!Rows.empty() && Rows.back().first.empty() && Rows.back().second.empty()) Rows.pop_back();
  return Rows;
}

void TWinSettingsWindow::EnsureEmptyLastRow(HWND ATable) {
  const auto Empty = [&](int ARow) { return CellText(ATable, ARow, 0).empty() && CellText(ATable, ARow, 1).empty(); };
  while (RowCount(ATable) >= 2 && Empty(RowCount(ATable) - 1) && Empty(RowCount(ATable) - 2))
    SendMessageW(ATable, LVM_DELETEITEM, static_cast<WPARAM>(RowCount(ATable) - 1), 0);
  if (RowCount(ATable) == 0 || !Empty(RowCount(ATable) - 1)) {
    LVITEMW Item{};
    Item.mask = LVIF_TEXT;
    Item.iItem = RowCount(ATable);
    Item.pszText = const_cast<wchar_t*>(L"");
    SendMessageW(ATable, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&Item));
  }
}

void TWinSettingsWindow::FillTable(HWND ATable, const TTemplateRows& ARows) {
  if (!ATable) return;
  SendMessageW(ATable, LVM_DELETEALLITEMS, 0, 0);
  for (const auto& [Name, Value] : ARows) {
    LVITEMW Item{};
    Item.mask = LVIF_TEXT;
    Item.iItem = RowCount(ATable);
    Item.pszText = const_cast<wchar_t*>(W(Name));
    const int Row = static_cast<int>(SendMessageW(ATable, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&Item)));
    if (Row >= 0) SetCellText(ATable, Row, 1, Value);
  }
  EnsureEmptyLastRow(ATable);
}

bool TWinSettingsWindow::CommitName(HWND ATable, int ARow, const std::u16string& AName) {
  if (ARow < 0 || ARow >= RowCount(ATable)) return false;
  const std::u16string Message = NameCheck ? NameCheck(TableRows(ATable), ARow, AName) : std::u16string();
  if (!Message.empty()) {
    Warn(NameRefusalCaption, Message);
    return false;
  }
  SetCellText(ATable, ARow, 0, AName);
  EnsureEmptyLastRow(ATable);
  return true;
}

void TWinSettingsWindow::CommitValue(HWND ATable, int ARow, const std::u16string& AValue) {
  if (ARow < 0 || ARow >= RowCount(ATable)) return;
  SetCellText(ATable, ARow, 1, AValue);
  EnsureEmptyLastRow(ATable);
}

void TWinSettingsWindow::DeleteRow(HWND ATable, int ARow) {
  if (ARow < 0 || ARow >= static_cast<int>(TableRows(ATable).size())) return;
  CloseValueEditor(false);
  SendMessageW(ATable, LVM_DELETEITEM, static_cast<WPARAM>(ARow), 0);
  EnsureEmptyLastRow(ATable);
  // The row that took its place becomes the current one, so that Delete can be pressed again.
  LVITEMW State{};
  State.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  State.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(ATable, LVM_SETITEMSTATE, static_cast<WPARAM>(ARow), reinterpret_cast<LPARAM>(&State));
}

void TWinSettingsWindow::EditValue(HWND ATable, int ARow) {
  CloseValueEditor(true);
  if (ARow < 0 || ARow >= RowCount(ATable)) return;
  SendMessageW(ATable, LVM_ENSUREVISIBLE, static_cast<WPARAM>(ARow), FALSE);
  RECT Cell{};
  Cell.top = 1; // the value's column
  Cell.left = LVIR_BOUNDS;
  if (!SendMessageW(ATable, LVM_GETSUBITEMRECT, static_cast<WPARAM>(ARow), reinterpret_cast<LPARAM>(&Cell))) return;
  const std::u16string Text = CellText(ATable, ARow, 1);
  FValueEditor = CreateWindowExW(0, L"EDIT", W(Text), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, Cell.left,
                                 Cell.top, Cell.right - Cell.left, Cell.bottom - Cell.top, ATable, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  if (!FValueEditor) return;
  FValueTable = ATable;
  FValueRow = ARow;
  SendMessageW(FValueEditor, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
  SetWindowSubclass(FValueEditor, ValueEditorProc, ValueEditorSubclassId, reinterpret_cast<DWORD_PTR>(this));
  SetFocus(FValueEditor);
  SendMessageW(FValueEditor, EM_SETSEL, 0, -1);
}

void TWinSettingsWindow::CloseValueEditor(bool ATake) {
  if (!FValueEditor) return;
  const HWND Editor = FValueEditor;
  const HWND Table = FValueTable;
  const int Row = FValueRow;
  FValueEditor = nullptr;
  FValueTable = nullptr;
  FValueRow = -1;
  const std::u16string Text = WindowText(Editor);
  // Focus first, so that the editor's loss of it finds nothing left to close.
  if (GetFocus() == Editor) SetFocus(Table);
  DestroyWindow(Editor);
  if (ATake) CommitValue(Table, Row, Text);
}

LRESULT CALLBACK TWinSettingsWindow::ValueEditorProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam,
                                                      UINT_PTR, DWORD_PTR AData) {
  auto* Self = reinterpret_cast<TWinSettingsWindow*>(AData);
  switch (AMessage) {
    case WM_GETDLGCODE:
      // Enter, Esc and Tab belong to the editor, not to the dialog's buttons.
      return DefSubclassProc(AWindow, AMessage, AWParam, ALParam) | DLGC_WANTALLKEYS | DLGC_WANTTAB;
    case WM_KEYDOWN:
      if (AWParam == VK_RETURN || AWParam == VK_TAB) {
        Self->CloseValueEditor(true);
        return 0;
      }
      if (AWParam == VK_ESCAPE) {
        Self->CloseValueEditor(false);
        return 0;
      }
      break;
    case WM_CHAR:
      if (AWParam == L'\r' || AWParam == L'\t' || AWParam == 0x1B) return 0; // no beep
      break;
    case WM_MOUSEWHEEL:
      // The list would scroll from under the editor.
      Self->CloseValueEditor(true);
      return 0;
    case WM_KILLFOCUS:
      PostMessageW(Self->FWindow, WM_CLOSE_VALUE_EDITOR, reinterpret_cast<WPARAM>(AWindow), 0);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(AWindow, ValueEditorProc, ValueEditorSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
}

LRESULT CALLBACK TWinSettingsWindow::NameEditorProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam,
                                                     UINT_PTR, DWORD_PTR AData) {
  auto* Self = reinterpret_cast<TWinSettingsWindow*>(AData);
  switch (AMessage) {
    case WM_GETDLGCODE:
      return DefSubclassProc(AWindow, AMessage, AWParam, ALParam) | DLGC_WANTALLKEYS | DLGC_WANTTAB;
    case WM_KEYDOWN:
      if (AWParam == VK_TAB) {
        // Takes the name (the list ends its editor when the editor loses the focus) and goes on
        // to the value.
        Self->FNameThenValue = true;
        SetFocus(Self->FNameTable);
        return 0;
      }
      break;
    case WM_CHAR:
      if (AWParam == L'\t') return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(AWindow, NameEditorProc, NameEditorSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(AWindow, AMessage, AWParam, ALParam);
}

void TWinSettingsWindow::ShowTableMenu(HWND ATable, int AX, int AY) {
  const int Row = static_cast<int>(SendMessageW(ATable, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (AX == -1 && AY == -1) {
    // From the keyboard: under the current row, or the list's corner.
    RECT Bounds{};
    Bounds.left = LVIR_BOUNDS;
    POINT At{0, 0};
    if (Row >= 0 && SendMessageW(ATable, LVM_GETITEMRECT, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&Bounds)))
      At = {Bounds.left, Bounds.bottom};
    ClientToScreen(ATable, &At);
    AX = At.x;
    AY = At.y;
  }
  const HMENU Menu = CreatePopupMenu();
  if (!Menu) return;
  const bool CanDelete = Row >= 0 && Row < static_cast<int>(TableRows(ATable).size());
  const std::u16string Caption(DeleteRowCaption);
  AppendMenuW(Menu, MF_STRING | (CanDelete ? 0u : MF_GRAYED), DeleteRowCommand, W(Caption));
  const UINT Chosen = static_cast<UINT>(
      TrackPopupMenu(Menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, AX, AY, 0, FWindow, nullptr));
  DestroyMenu(Menu);
  if (Chosen == DeleteRowCommand) DeleteRow(ATable, Row);
}

// --- The dialog as a whole ---

void TWinSettingsWindow::Warn(const std::u16string& ACaption, const std::u16string& AText) {
  if (ShowWarning) ShowWarning(ACaption, AText);
}

void TWinSettingsWindow::OKBtnClick() {
  // A value still being typed counts, and so does a name whose editor just closed.
  CloseValueEditor(true);
  MSG Pending;
  while (PeekMessageW(&Pending, FWindow, WM_COMMIT_NAME, WM_COMMIT_NAME, PM_REMOVE)) HandleMessage(Pending.message, Pending.wParam, Pending.lParam);

  // A refused name never gets into a list; this catches any that came in with the fields, as
  // a name with "=" or a duplicate would not read back from the settings file.
  for (const char16_t* Name : {u"TextTemplatesVLE", u"ImageTemplatesVLE"}) {
    const HWND Table = Control(Name);
    if (!Table || !NameCheck) continue;
    const TTemplateRows Rows = TableRows(Table);
    for (int Row = 0; Row < static_cast<int>(Rows.size()); ++Row) {
      const std::u16string Message = NameCheck(Rows, Row, Rows[static_cast<std::size_t>(Row)].first);
      if (Message.empty()) continue;
      Warn(NameRefusalCaption, Message);
      LVITEMW State{};
      State.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      State.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageW(Table, LVM_SETITEMSTATE, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&State));
      SetFocus(Table);
      return;
    }
  }
  const TFieldCheck Check = OkCheck ? OkCheck(Fields()) : TFieldCheck{};
  if (!Check.Ok) {
    Warn(std::u16string(texts::SettingsWarningCaption), Check.Message);
    if (const HWND Field = FieldControl(Check.Field)) {
      SetFocus(Field);
      if (Check.Field == TSettingsField::MaxItems || Check.Field == TSettingsField::Width ||
          Check.Field == TSettingsField::RowHeight)
        SendMessageW(Field, EM_SETSEL, 0, -1);
    }
    return;
  }
  FResult = TResult::Ok;
}

void TWinSettingsWindow::Cancel() {
  CloseValueEditor(false);
  FResult = TResult::Cancelled;
}

void TWinSettingsWindow::SetRecording(bool ARecording) {
  if (ARecording == FRecording) return;
  FRecording = ARecording;
  if (OnHotKeyRecording) OnHotKeyRecording(ARecording);
}

void TWinSettingsWindow::TrackHotKeyFocus() {
  const HWND Focus = GetFocus();
  SetRecording(Focus && (Focus == FieldControl(TSettingsField::HotKeyShow) ||
                         Focus == FieldControl(TSettingsField::HotKeyQuit)));
}

bool TWinSettingsWindow::RunModal(const std::function<void()>& AOnShown) {
  if (!FWindow) return false;
  FResult = TResult::Running;
  BeginModal();
  ShowInFront();
  if (const HWND First = FieldControl(TSettingsField::MaxItems)) {
    SetFocus(First);
    SendMessageW(First, EM_SETSEL, 0, -1);
  }
  if (AOnShown) AOnShown();

  // The program ending leaves the dialog as cancelled.
  if (!DispatchUntil([this] { return FResult != TResult::Running; }, true, [this] { TrackHotKeyFocus(); }))
    FResult = TResult::Cancelled;

  CloseValueEditor(FResult == TResult::Ok);
  SetRecording(false);
  EndModalRun();
  return FResult == TResult::Ok;
}

LRESULT TWinSettingsWindow::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
    case WM_COMMAND:
      if (LOWORD(AWParam) == IDOK && (HIWORD(AWParam) == BN_CLICKED || ALParam == 0)) {
        OKBtnClick();
        return 0;
      }
      if (LOWORD(AWParam) == IDCANCEL && (HIWORD(AWParam) == BN_CLICKED || ALParam == 0)) {
        Cancel();
        return 0;
      }
      break;
    case WM_CLOSE:
      Cancel();
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    // "Amethyst Kamri" when the theme is on; the system's colours otherwise.
    case WM_ERASEBKGND:
      if (!ThemeApplied()) break;
      {
        RECT Client{};
        GetClientRect(FWindow, &Client);
        FillRect(reinterpret_cast<HDC>(AWParam), &Client, ThemeBrush(TThemeColour::WindowBackground));
      }
      return 1;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT: {
      if (!ThemeApplied()) break;
      const TThemeColour Ground =
          AMessage == WM_CTLCOLOREDIT ? TThemeColour::EditBackground : TThemeColour::WindowBackground;
      const auto Dc = reinterpret_cast<HDC>(AWParam);
      SetTextColor(Dc, ThemeColour(TThemeColour::WindowText));
      SetBkColor(Dc, ThemeColour(Ground));
      return reinterpret_cast<LRESULT>(ThemeBrush(Ground));
    }
    case WM_NOTIFY:
      return HandleNotify(*reinterpret_cast<const NMHDR*>(ALParam));
    case WM_CONTEXTMENU: {
      const HWND Source = reinterpret_cast<HWND>(AWParam);
      if (IsTable(Source)) {
        ShowTableMenu(Source, static_cast<short>(LOWORD(ALParam)), static_cast<short>(HIWORD(ALParam)));
        return 0;
      }
      break;
    }
    case WM_COMMIT_NAME: {
      const HWND Table = FNameTable;
      const int Row = FNameRow;
      const bool ThenValue = FNameThenValue;
      FNameTable = nullptr;
      FNameRow = -1;
      FNameThenValue = false;
      const std::u16string Name = std::move(FPendingName);
      FPendingName.clear();
      if (Table && CommitName(Table, Row, Name) && ThenValue) EditValue(Table, Row);
      return 0;
    }
    case WM_EDIT_VALUE:
      EditValue(reinterpret_cast<HWND>(AWParam), static_cast<int>(ALParam));
      return 0;
    case WM_CLOSE_VALUE_EDITOR:
      if (FValueEditor && reinterpret_cast<HWND>(AWParam) == FValueEditor) CloseValueEditor(true);
      return 0;
    case WM_DPICHANGED: {
      Layout(HIWORD(AWParam));
      const RECT& Suggested = *reinterpret_cast<const RECT*>(ALParam);
      SetWindowPos(FWindow, nullptr, Suggested.left, Suggested.top, Suggested.right - Suggested.left,
                   Suggested.bottom - Suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(FWindow, AMessage, AWParam, ALParam);
}

LRESULT TWinSettingsWindow::HandleNotify(const NMHDR& AHeader) {
  const HWND Table = AHeader.hwndFrom;
  if (!IsTable(Table)) return 0;
  switch (AHeader.code) {
    case LVN_BEGINLABELEDITW: {
      const auto& Info = reinterpret_cast<const NMLVDISPINFOW&>(AHeader);
      CloseValueEditor(true);
      FNameTable = Table;
      FNameRow = Info.item.iItem;
      FNameThenValue = false;
      if (const auto Editor = reinterpret_cast<HWND>(SendMessageW(Table, LVM_GETEDITCONTROL, 0, 0)))
        SetWindowSubclass(Editor, NameEditorProc, NameEditorSubclassId, reinterpret_cast<DWORD_PTR>(this));
      return FALSE;
    }
    case LVN_ENDLABELEDITW: {
      const auto& Info = reinterpret_cast<const NMLVDISPINFOW&>(AHeader);
      if (!Info.item.pszText) {
        FNameTable = nullptr;
        FNameThenValue = false;
        return FALSE;
      }
      // Checked and taken once the list has closed its editor: the check may show a box.
      FNameTable = Table;
      FNameRow = Info.item.iItem;
      FPendingName.assign(reinterpret_cast<const char16_t*>(Info.item.pszText));
      PostMessageW(FWindow, WM_COMMIT_NAME, 0, 0);
      return FALSE; // the list keeps the old text; WM_COMMIT_NAME puts the new one in
    }
    case LVN_KEYDOWN: {
      const auto& Key = reinterpret_cast<const NMLVKEYDOWN&>(AHeader);
      const int Row = static_cast<int>(SendMessageW(Table, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
      if (Key.wVKey == VK_DELETE) {
        DeleteRow(Table, Row);
        return 0;
      }
      // The list view leaves F2 to its owner; the current row, or the empty one at the end.
      if (Key.wVKey == VK_F2) {
        SendMessageW(Table, LVM_EDITLABELW, static_cast<WPARAM>(Row >= 0 ? Row : RowCount(Table) - 1), 0);
        return 0;
      }
      break;
    }
    case NM_DBLCLK: {
      const auto& Activate = reinterpret_cast<const NMITEMACTIVATE&>(AHeader);
      LVHITTESTINFO Hit{};
      Hit.pt = Activate.ptAction;
      SendMessageW(Table, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&Hit));
      // Below the last row: the empty row at the end, where a new template starts.
      const int Row = Hit.iItem >= 0 ? Hit.iItem : RowCount(Table) - 1;
      if (Row < 0) return 0;
      if (Hit.iItem >= 0 && Hit.iSubItem == 1) {
        PostMessageW(FWindow, WM_EDIT_VALUE, reinterpret_cast<WPARAM>(Table), Row);
      } else {
        SetFocus(Table);
        SendMessageW(Table, LVM_EDITLABELW, static_cast<WPARAM>(Row), 0);
      }
      return 0;
    }
    default:
      break;
  }
  return 0;
}

// --- TWinSettingsDialog ---------------------------------------------------------------------

TWinSettingsDialog::TWinSettingsDialog(HWND AOwner, THotKeyRecordingHook AOnHotKeyRecording)
    : FOwner(AOwner), FOnHotKeyRecording(std::move(AOnHotKeyRecording)) {}

bool TWinSettingsDialog::ShowModal(
    TSettingsFields& AFields, const std::function<TFieldCheck(const TSettingsFields&)>& AOkCheck,
    const std::function<std::u16string(const TTemplateRows&, int, const std::u16string&)>& ACheckTemplateName) {
  TWinSettingsWindow Window(FOwner);
  Window.OkCheck = AOkCheck;
  Window.NameCheck = ACheckTemplateName;
  Window.OnHotKeyRecording = FOnHotKeyRecording;
  Window.SetFields(AFields);
  if (!Window.RunModal()) return false;
  AFields = Window.Fields();
  return true;
}

} // namespace vm
