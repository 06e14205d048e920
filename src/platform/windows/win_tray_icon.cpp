#include "platform/windows/win_tray_icon.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace vm {

static_assert(sizeof(wchar_t) == sizeof(char16_t));
// The whole structure of 64-bit Windows, as the icon's record is documented with.
static_assert(sizeof(NOTIFYICONDATAW) == 976);

HICON TWinTrayIcon::ProgramIcon(HINSTANCE AInstance) {
  if (HICON Icon = LoadIconW(AInstance, MAKEINTRESOURCEW(1))) return Icon;
  return LoadIconW(nullptr, IDI_APPLICATION);
}

NOTIFYICONDATAW TWinTrayIcon::NativeData(const TNotifyIconData& AData) const {
  NOTIFYICONDATAW Data;
  std::memset(&Data, 0, sizeof Data);
  // A larger size than the structure would let the shell read past it.
  Data.cbSize = std::min<DWORD>(AData.cbSize, sizeof Data);
  Data.hWnd = reinterpret_cast<HWND>(AData.hWnd);
  Data.uID = AData.uID;
  Data.uFlags = AData.uFlags;
  Data.uCallbackMessage = AData.uCallbackMessage;
  Data.hIcon = ProgramIcon(FInstance);
  const std::size_t TipMax = std::size(Data.szTip) - 1; // 127 characters and the terminating zero
  const std::size_t Length = std::min(AData.szTip.size(), TipMax);
  std::memcpy(Data.szTip, AData.szTip.data(), Length * sizeof(wchar_t));
  Data.szTip[Length] = L'\0';
  return Data;
}

bool TWinTrayIcon::NotifyIcon(TNotifyIconAction AAction, const TNotifyIconData& AData) {
  NOTIFYICONDATAW Data = NativeData(AData);
  return Shell_NotifyIconW(AAction == TNotifyIconAction::Add ? NIM_ADD : NIM_DELETE, &Data) != FALSE;
}

std::uint32_t TWinTrayIcon::RegisterWindowMessage(const std::u16string& AName) {
  return ::RegisterWindowMessageW(reinterpret_cast<const wchar_t*>(AName.c_str()));
}

} // namespace vm
