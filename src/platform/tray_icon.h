#pragma once
// The notification-area icon. Its mouse callback reaches TVellomarchFrm::WMTrayIcon with the mouse
// message as lParam (0x0202 left button up, 0x0205 right button up).
#include <cstdint>
#include <string>

#include "platform/geometry.h"

namespace vm {

struct TNotifyIconData {
  std::uint32_t cbSize = 0;
  TWindowHandle hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  std::u16string szTip;
};

enum class TNotifyIconAction { Add, Delete };

class ITrayIcon {
public:
  virtual ~ITrayIcon() = default;
  virtual bool NotifyIcon(TNotifyIconAction AAction, const TNotifyIconData& AData) = 0;
  // A registered window message id (0 on failure), for "TaskbarCreated".
  virtual std::uint32_t RegisterWindowMessage(const std::u16string& AName) = 0;
};

} // namespace vm
