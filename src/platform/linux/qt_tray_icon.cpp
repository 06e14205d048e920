#include "platform/linux/qt_tray_icon.h"

#include "platform/linux/qt_ui_support.h"

namespace vm {

TQtTrayIcon::TQtTrayIcon(TVellomarchFrm* AFrm) : FFrm(AFrm) {
  FIcon.setIcon(ui::ProgramIcon());
  connect(&FIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason AReason) {
    const std::uint32_t Message = MouseMessageFor(AReason);
    if (FFrm && Message != 0) FFrm->WMTrayIcon(Message);
  });
}

std::uint32_t TQtTrayIcon::MouseMessageFor(QSystemTrayIcon::ActivationReason AReason) {
  switch (AReason) {
  case QSystemTrayIcon::Trigger:
  // The second click of a double click is another left button release.
  case QSystemTrayIcon::DoubleClick:
    return WM_LBUTTONUP_MSG;
  case QSystemTrayIcon::Context:
    return WM_RBUTTONUP_MSG;
  default:
    return 0;
  }
}

bool TQtTrayIcon::NotifyIcon(TNotifyIconAction AAction, const TNotifyIconData& AData) {
  if (AAction == TNotifyIconAction::Delete) {
    FIcon.hide();
    return true;
  }
  FIcon.setToolTip(ui::Qs(AData.szTip));
  FIcon.show();
  // Without a tray the icon waits, and appears when a tray starts.
  return QSystemTrayIcon::isSystemTrayAvailable();
}

std::uint32_t TQtTrayIcon::RegisterWindowMessage(const std::u16string&) {
  // No message announces a restarted tray here: Qt embeds the icon again by itself when a new
  // tray appears, so the icon never needs adding back.
  return 0;
}

} // namespace vm
