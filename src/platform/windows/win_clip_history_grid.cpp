#include "platform/windows/win_clip_history_grid.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "platform/windows/win_screen.h"
#include "platform/windows/win_theme.h"

namespace vm {

static_assert(sizeof(wchar_t) == sizeof(char16_t));
static_assert(TWinClipHistoryGrid::CellTextFlags == (DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS));

namespace {

// A memory DC with a bitmap of the client's size: the grid is painted off-screen and copied in
// one go, so that rows never flicker while the selection moves.
class TBufferDC {
public:
  TBufferDC(HDC ATarget, int AWidth, int AHeight)
      : FDC(CreateCompatibleDC(ATarget)), FBitmap(CreateCompatibleBitmap(ATarget, std::max(1, AWidth),
                                                                         std::max(1, AHeight))) {
    if (FDC && FBitmap) FOld = SelectObject(FDC, FBitmap);
  }
  ~TBufferDC() {
    if (FOld) SelectObject(FDC, FOld);
    if (FBitmap) DeleteObject(FBitmap);
    if (FDC) DeleteDC(FDC);
  }
  TBufferDC(const TBufferDC&) = delete;
  TBufferDC& operator=(const TBufferDC&) = delete;
  HDC Get() const { return FOld ? FDC : nullptr; }

private:
  HDC FDC;
  HBITMAP FBitmap;
  HGDIOBJ FOld = nullptr;
};

RECT ToRECT(const TRect& ARect) { return RECT{ARect.Left, ARect.Top, ARect.Right, ARect.Bottom}; }

void FillColour(HDC ADC, const RECT& ARect, COLORREF AColour) {
  // ExtTextOut with ETO_OPAQUE fills without a brush to make and free.
  const COLORREF Old = SetBkColor(ADC, AColour);
  ExtTextOutW(ADC, 0, 0, ETO_OPAQUE, &ARect, nullptr, 0, nullptr);
  SetBkColor(ADC, Old);
}

// The thumbnail as a 32-bit top-down DIB section, copied unscaled with its corner at AAt.
void DrawImage(HDC ADC, const TImage& AImage, TPoint AAt) {
  if (AImage.Empty() || AImage.Pixels.size() < static_cast<std::size_t>(AImage.Width) * AImage.Height) return;
  BITMAPINFO Info{};
  Info.bmiHeader.biSize = sizeof Info.bmiHeader;
  Info.bmiHeader.biWidth = AImage.Width;
  Info.bmiHeader.biHeight = -AImage.Height;
  Info.bmiHeader.biPlanes = 1;
  Info.bmiHeader.biBitCount = 32;
  Info.bmiHeader.biCompression = BI_RGB;
  void* Bits = nullptr;
  HBITMAP Bitmap = CreateDIBSection(ADC, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
  if (!Bitmap || !Bits) {
    if (Bitmap) DeleteObject(Bitmap);
    return;
  }
  // 0xAARRGGBB in memory is B, G, R, A: the DIB's own order.
  std::memcpy(Bits, AImage.Pixels.data(), AImage.Pixels.size() * sizeof(std::uint32_t));
  if (HDC Source = CreateCompatibleDC(ADC)) {
    const HGDIOBJ Old = SelectObject(Source, Bitmap);
    BitBlt(ADC, AAt.X, AAt.Y, AImage.Width, AImage.Height, Source, 0, 0, SRCCOPY);
    SelectObject(Source, Old);
    DeleteDC(Source);
  }
  DeleteObject(Bitmap);
}

} // namespace

COLORREF CellRoleColour(TColorRole ARole) {
  switch (ARole) {
  case TColorRole::Highlight:
    return ThemeColour(TThemeColour::Highlight);
  case TColorRole::HighlightText:
    return ThemeColour(TThemeColour::HighlightText);
  case TColorRole::WindowBackground:
    return ThemeColour(TThemeColour::WindowBackground);
  case TColorRole::Black:
    break;
  }
  return RGB(0, 0, 0);
}

int WinSystemDpi() { return TWinScreen().SystemDpi(); }

HFONT CreateListFont(int APixelHeight) {
  return CreateFontW(-std::max(1, APixelHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     TWinClipHistoryGrid::FontFace);
}

TWinClipHistoryGrid::TWinClipHistoryGrid() : FCells(1) { SetFontPoints(10); }

TWinClipHistoryGrid::~TWinClipHistoryGrid() {
  if (FWindow) {
    // The window outlives this object only if its parent was never destroyed: cut it loose.
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
  }
  if (FFont) DeleteObject(FFont);
}

bool TWinClipHistoryGrid::Create(HWND AParent, HINSTANCE AInstance, int AControlId) {
  WNDCLASSEXW Class{};
  Class.cbSize = sizeof Class;
  if (!GetClassInfoExW(AInstance, ClassName, &Class)) {
    Class = WNDCLASSEXW{};
    Class.cbSize = sizeof Class;
    // No CS_DBLCLKS: a second press in quick succession is a press like the first.
    Class.style = CS_HREDRAW | CS_VREDRAW;
    Class.lpfnWndProc = WindowProc;
    Class.hInstance = AInstance;
    Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Class.lpszClassName = ClassName;
    if (!RegisterClassExW(&Class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  }
  // Not WS_TABSTOP: the list is out of the tab order. The sunken edge takes two pixels a side,
  // which the layout's extra pixels allow for.
  FWindow = CreateWindowExW(WS_EX_CLIENTEDGE, ClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                            AParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(AControlId)), AInstance, this);
  return FWindow != nullptr;
}

void TWinClipHistoryGrid::SetRowCount(int ACount) {
  FCells.resize(static_cast<std::size_t>(std::max(0, ACount)));
  FCurrentRow = Geometry().ClampRow(FCurrentRow);
  ClampTopRow();
  Invalidate();
}

void TWinClipHistoryGrid::SetCell(int ACol, int ARow, const std::u16string& AText) {
  if (ACol < 0 || ACol > 1 || ARow < 0 || ARow >= RowCount()) return;
  FCells[static_cast<std::size_t>(ARow)][static_cast<std::size_t>(ACol)] = AText;
  Invalidate();
}

std::u16string TWinClipHistoryGrid::Cell(int ACol, int ARow) const {
  if (ACol < 0 || ACol > 1 || ARow < 0 || ARow >= RowCount()) return {};
  return FCells[static_cast<std::size_t>(ARow)][static_cast<std::size_t>(ACol)];
}

void TWinClipHistoryGrid::SetCurrentRow(int ARow) {
  FCurrentRow = Geometry().ClampRow(ARow);
  FTopRow = Geometry().TopRowToShow(FCurrentRow);
  Invalidate();
}

void TWinClipHistoryGrid::SetDefaultRowHeight(int APixels) {
  FRowHeight = std::max(1, APixels);
  ClampTopRow();
  Invalidate();
}

void TWinClipHistoryGrid::SetColWidth(int ACol, int APixels) {
  if (ACol < 0 || ACol > 1) return;
  FColWidths[static_cast<std::size_t>(ACol)] = std::max(0, APixels);
  Invalidate();
}

void TWinClipHistoryGrid::SetFontPoints(int APoints) {
  HFONT Font = CreateListFont(MulDiv(std::max(1, APoints), WinSystemDpi(), 72));
  if (!Font) return;
  if (FFont) DeleteObject(FFont);
  FFont = Font;
  FFontPoints = APoints;
  Invalidate();
}

void TWinClipHistoryGrid::SetCursorShape(TCursorShape AShape) {
  FCursorShape = AShape;
  // The pointer takes the new shape at once, not only at its next move.
  if (PointerOverGrid()) SetCursor(LoadCursorW(nullptr, AShape == TCursorShape::HandPoint ? IDC_HAND : IDC_ARROW));
}

bool TWinClipHistoryGrid::PointerOverGrid() const {
  POINT Pointer;
  return FWindow && GetCursorPos(&Pointer) && WindowFromPoint(Pointer) == FWindow;
}

int TWinClipHistoryGrid::ClientWidth() const {
  RECT Client{};
  if (FWindow) GetClientRect(FWindow, &Client);
  return Client.right - Client.left;
}

int TWinClipHistoryGrid::ClientHeight() const {
  RECT Client{};
  if (FWindow) GetClientRect(FWindow, &Client);
  return Client.bottom - Client.top;
}

TGridGeometry TWinClipHistoryGrid::Geometry() const {
  return {FColWidths, FRowHeight, GridLineWidth, RowCount(), ClientHeight(), FTopRow};
}

void TWinClipHistoryGrid::ClampTopRow() { FTopRow = Geometry().ClampTopRow(FTopRow); }

void TWinClipHistoryGrid::Invalidate() {
  if (FWindow) InvalidateRect(FWindow, nullptr, FALSE);
}

void TWinClipHistoryGrid::PaintCell(HDC ADC, const TRect& ARect, const TCellPaint& APaint) {
  const RECT Cell = ToRECT(ARect);
  const int Saved = SaveDC(ADC);
  IntersectClipRect(ADC, Cell.left, Cell.top, Cell.right, Cell.bottom);
  FillColour(ADC, Cell, CellRoleColour(APaint.Background));
  if (APaint.Thumbnail) DrawImage(ADC, *APaint.Thumbnail, APaint.ThumbnailPos);
  if (!APaint.Text.empty()) {
    RECT TextRect = ToRECT(APaint.TextRect);
    SetTextColor(ADC, CellRoleColour(APaint.TextColor));
    SetBkMode(ADC, TRANSPARENT);
    DrawTextW(ADC, reinterpret_cast<const wchar_t*>(APaint.Text.c_str()), static_cast<int>(APaint.Text.size()),
              &TextRect, CellTextFlags);
  }
  RestoreDC(ADC, Saved);
}

void TWinClipHistoryGrid::Paint(HDC ADC) {
  RECT Client{};
  GetClientRect(FWindow, &Client);
  // The area beyond the cells shows the list's ground.
  FillColour(ADC, Client, ThemeColour(TThemeColour::WindowBackground));
  const HGDIOBJ OldFont = SelectObject(ADC, FFont ? static_cast<HGDIOBJ>(FFont) : GetStockObject(DEFAULT_GUI_FONT));
  const COLORREF Line = ThemeColour(TThemeColour::GridLine);
  const TGridGeometry Cells = Geometry();
  for (int Row = Cells.TopRow; Row < Cells.EndRowToPaint(); ++Row) {
    for (int Col = 0; Col < 2; ++Col) {
      const TRect Rect = Cells.CellRect(Col, Row);
      TCellPaint Plan;
      if (DrawCell) {
        Plan = DrawCell(Col, Row, Rect);
      } else {
        Plan.Text = Cell(Col, Row);
        Plan.TextRect = Rect;
      }
      PaintCell(ADC, Rect, Plan);
    }
  }
  for (const TRect& LineRect : Cells.LineRects()) FillColour(ADC, ToRECT(LineRect), Line);
  SelectObject(ADC, OldFont);
}

void TWinClipHistoryGrid::MouseDown(TMouseButton AButton, LPARAM ALParam) {
  // A press gives the list the focus, although it is out of the tab order.
  if (GetFocus() != FWindow) SetFocus(FWindow);
  if (OnMouseDown) OnMouseDown(AButton, GET_X_LPARAM(ALParam), GET_Y_LPARAM(ALParam));
}

LRESULT CALLBACK TWinClipHistoryGrid::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_NCCREATE) {
    auto* Create = reinterpret_cast<CREATESTRUCTW*>(ALParam);
    auto* Grid = static_cast<TWinClipHistoryGrid*>(Create->lpCreateParams);
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Grid));
    if (Grid) Grid->FWindow = AWindow;
  }
  auto* Grid = reinterpret_cast<TWinClipHistoryGrid*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
  if (!Grid) return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  if (AMessage == WM_NCDESTROY) {
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, 0);
    Grid->FWindow = nullptr;
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  }
  return Grid->HandleMessage(AMessage, AWParam, ALParam);
}

LRESULT TWinClipHistoryGrid::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
  case WM_PAINT: {
    PAINTSTRUCT Ps;
    HDC Screen = BeginPaint(FWindow, &Ps);
    const int Width = ClientWidth(), Height = ClientHeight();
    const TBufferDC Buffer(Screen, Width, Height);
    if (Buffer.Get()) {
      Paint(Buffer.Get());
      BitBlt(Screen, 0, 0, Width, Height, Buffer.Get(), 0, 0, SRCCOPY);
    } else {
      Paint(Screen);
    }
    EndPaint(FWindow, &Ps);
    return 0;
  }
  case WM_ERASEBKGND:
    return 1; // WM_PAINT covers every pixel
  case WM_SIZE:
    ClampTopRow();
    Invalidate();
    return 0;
  case WM_LBUTTONDOWN:
    MouseDown(TMouseButton::Left, ALParam);
    return 0;
  case WM_RBUTTONDOWN:
    MouseDown(TMouseButton::Right, ALParam);
    return 0;
  case WM_MBUTTONDOWN:
    MouseDown(TMouseButton::Middle, ALParam);
    return 0;
  case WM_MOUSEMOVE:
    if (!FTrackingLeave) {
      TRACKMOUSEEVENT Track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, FWindow, 0};
      FTrackingLeave = TrackMouseEvent(&Track) != FALSE;
    }
    if (OnMouseMove) OnMouseMove(GET_X_LPARAM(ALParam), GET_Y_LPARAM(ALParam));
    return 0;
  case WM_MOUSELEAVE:
    FTrackingLeave = false;
    if (OnMouseLeave) OnMouseLeave();
    return 0;
  case WM_MOUSEWHEEL: {
    // Scrolls the rows without touching the selection.
    FWheelRest += GET_WHEEL_DELTA_WPARAM(AWParam);
    const int Steps = FWheelRest / WHEEL_DELTA;
    FWheelRest -= Steps * WHEEL_DELTA;
    if (Steps != 0) {
      FTopRow = Geometry().ClampTopRow(FTopRow - Steps);
      Invalidate();
    }
    return 0;
  }
  case WM_SETCURSOR:
    if (LOWORD(ALParam) == HTCLIENT) {
      SetCursor(LoadCursorW(nullptr, FCursorShape == TCursorShape::HandPoint ? IDC_HAND : IDC_ARROW));
      return TRUE;
    }
    break;
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
    if (OnKeyDown && OnKeyDown(AMessage, AWParam, ALParam)) return 0;
    break;
  case WM_SETFOCUS:
    if (OnSetFocus) OnSetFocus();
    Invalidate();
    return 0;
  case WM_GETDLGCODE:
    return DLGC_WANTARROWS;
  default:
    break;
  }
  return DefWindowProcW(FWindow, AMessage, AWParam, ALParam);
}

} // namespace vm
