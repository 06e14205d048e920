#pragma once
// The notification-area icon through Shell_NotifyIconW, and the registered window messages.
#include <windows.h>

#include <shellapi.h>

#include "platform/tray_icon.h"

namespace vm {

class TWinTrayIcon : public ITrayIcon {
public:
  // AInstance holds the program icon (resource 1).
  explicit TWinTrayIcon(HINSTANCE AInstance = GetModuleHandleW(nullptr)) : FInstance(AInstance) {}

  bool NotifyIcon(TNotifyIconAction AAction, const TNotifyIconData& AData) override;
  std::uint32_t RegisterWindowMessage(const std::u16string& AName) override;

  // The record Shell_NotifyIconW receives for AData: every byte zero, then the fields of AData,
  // the program icon and the tip cut to 127 characters.
  NOTIFYICONDATAW NativeData(const TNotifyIconData& AData) const;
  // The program's main icon (resource 1); the system's application icon when the program has none.
  static HICON ProgramIcon(HINSTANCE AInstance);

private:
  HINSTANCE FInstance;
};

} // namespace vm
