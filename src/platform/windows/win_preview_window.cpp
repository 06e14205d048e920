#include "platform/windows/win_preview_window.h"

#include <cstring>

#include "app/app_texts.h"

namespace vm {
namespace {

constexpr wchar_t WindowClassName[] = L"VellomarchPreviewWindow";
constexpr UINT_PTR Timer1Id = 1;
constexpr DWORD WindowStyle = WS_POPUP;
// A tool window gets no taskbar button and WS_EX_APPWINDOW is never set.
constexpr DWORD WindowExStyle = WS_EX_TOOLWINDOW;

// One channel of straight-alpha APixel laid over ABackground.
std::uint32_t Blend(std::uint32_t AForeground, std::uint32_t ABackground, std::uint32_t AAlpha) {
  return (AForeground * AAlpha + ABackground * (255 - AAlpha) + 127) / 255;
}

} // namespace

TWinPreviewWindow::TWinPreviewWindow(HWND AOwner) : TWinModalWindow(AOwner) {
  const std::u16string Title(texts::PreviewTitle);
  CreateModalWindow(WindowClassName, WindowExStyle, reinterpret_cast<const wchar_t*>(Title.c_str()), WindowStyle,
                    DesignClientWidth, DesignClientHeight);
}

TWinPreviewWindow::~TWinPreviewWindow() {
  if (FWindow) KillTimer(FWindow, Timer1Id);
  DestroyModalWindow();
  if (FPicture) DeleteObject(FPicture);
}

void TWinPreviewWindow::RunModal(IImagePreviewHandlers& AHandlers) {
  if (!FWindow) return;
  FHandlers = &AHandlers;
  FEnded = false;
  // Positions, sizes and fills the window while it is still hidden; an unreadable picture shows
  // its error box from here, before the owner is disabled, so that closing the box cannot enable
  // the owner again under the running preview.
  AHandlers.FormShow();
  BeginModal();
  if (!FEnded) {
    ShowInFront();
    SetFocus(FWindow);
    if (OnShown) OnShown();
  }
  DispatchUntil([this] { return FEnded; });
  StopTimer();
  EndModalRun();
  FHandlers = nullptr;
}

void TWinPreviewWindow::SetPosition(int ALeft, int ATop) {
  SetWindowPos(FWindow, nullptr, ALeft, ATop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinPreviewWindow::SetClientSize(int AWidth, int AHeight) {
  // No frame: the window is its client area, but ask the system rather than assume it.
  RECT Frame{0, 0, AWidth, AHeight};
  AdjustWindowRectEx(&Frame, WindowStyle, FALSE, WindowExStyle);
  SetWindowPos(FWindow, nullptr, 0, 0, Frame.right - Frame.left, Frame.bottom - Frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinPreviewWindow::SetPicture(const TImage& AImage) {
  if (FPicture) DeleteObject(FPicture);
  FPicture = nullptr;
  FPictureWidth = FPictureHeight = 0;
  if (AImage.Empty() || AImage.Pixels.size() < static_cast<std::size_t>(AImage.Width) * AImage.Height) {
    InvalidateRect(FWindow, nullptr, TRUE);
    return;
  }
  BITMAPINFO Info{};
  Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  Info.bmiHeader.biWidth = AImage.Width;
  Info.bmiHeader.biHeight = -AImage.Height; // top-down, as TImage
  Info.bmiHeader.biPlanes = 1;
  Info.bmiHeader.biBitCount = 32;
  Info.bmiHeader.biCompression = BI_RGB;
  void* Bits = nullptr;
  FPicture = CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
  if (!FPicture || !Bits) {
    if (FPicture) DeleteObject(FPicture);
    FPicture = nullptr;
    return;
  }
  // Transparent parts show the window's background, as the picture control's own would.
  const COLORREF Face = GetSysColor(COLOR_BTNFACE);
  const std::uint32_t FaceRed = GetRValue(Face), FaceGreen = GetGValue(Face), FaceBlue = GetBValue(Face);
  auto* Out = static_cast<std::uint32_t*>(Bits);
  const std::size_t Count = static_cast<std::size_t>(AImage.Width) * static_cast<std::size_t>(AImage.Height);
  for (std::size_t I = 0; I < Count; ++I) {
    const std::uint32_t Pixel = AImage.Pixels[I];
    const std::uint32_t Alpha = Pixel >> 24;
    const std::uint32_t Red = Blend((Pixel >> 16) & 0xFF, FaceRed, Alpha);
    const std::uint32_t Green = Blend((Pixel >> 8) & 0xFF, FaceGreen, Alpha);
    const std::uint32_t Blue = Blend(Pixel & 0xFF, FaceBlue, Alpha);
    Out[I] = (Red << 16) | (Green << 8) | Blue; // BGRX in memory
  }
  GdiFlush();
  FPictureWidth = AImage.Width;
  FPictureHeight = AImage.Height;
  InvalidateRect(FWindow, nullptr, TRUE);
}

void TWinPreviewWindow::StartTimer(int AMilliseconds) {
  FTimerRunning = SetTimer(FWindow, Timer1Id, static_cast<UINT>(AMilliseconds > 0 ? AMilliseconds : 1), nullptr) != 0;
}

void TWinPreviewWindow::StopTimer() {
  if (FWindow) KillTimer(FWindow, Timer1Id);
  FTimerRunning = false;
}

void TWinPreviewWindow::EndModal() { FEnded = true; }

void TWinPreviewWindow::PaintTo(HDC ADc) {
  if (!FPicture) return;
  const HDC Memory = CreateCompatibleDC(ADc);
  const HGDIOBJ Previous = SelectObject(Memory, FPicture);
  BitBlt(ADc, 0, 0, FPictureWidth, FPictureHeight, Memory, 0, 0, SRCCOPY);
  SelectObject(Memory, Previous);
  DeleteDC(Memory);
}

LRESULT TWinPreviewWindow::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
    case WM_PAINT: {
      PAINTSTRUCT Paint;
      const HDC Dc = BeginPaint(FWindow, &Paint);
      PaintTo(Dc);
      EndPaint(FWindow, &Paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(AWParam));
      return 0;
    case WM_TIMER:
      if (AWParam == Timer1Id) {
        if (FHandlers) FHandlers->Timer1Timer();
        else StopTimer();
        return 0;
      }
      break;
    case WM_LBUTTONDOWN:
      if (FHandlers) FHandlers->FormClick();
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // Every key, Shift, Ctrl and Alt alone included; Alt would otherwise go to the system menu.
      if (FHandlers) FHandlers->FormKeyDown();
      return 0;
    case WM_CLOSE:
      StopTimer();
      EndModal();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(FWindow, AMessage, AWParam, ALParam);
}

} // namespace vm
