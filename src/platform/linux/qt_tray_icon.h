#pragma once
// The notification-area icon through QSystemTrayIcon. Clicks reach TVellomarchFrm::WMTrayIcon as
// the mouse messages of the desktop the program was made for; the core shows its own menu
// (through IMenuPresenter) on a right click, so the icon carries no context menu of its own.
#include <QObject>
#include <QSystemTrayIcon>

#include "app/vellomarch_frm.h"
#include "platform/tray_icon.h"

namespace vm {

class TQtTrayIcon final : public QObject, public ITrayIcon {
  Q_OBJECT
public:
  explicit TQtTrayIcon(TVellomarchFrm* AFrm = nullptr);
  void SetFrm(TVellomarchFrm* AFrm) { FFrm = AFrm; }
  QSystemTrayIcon& Icon() { return FIcon; }

  // The mouse message a click of the given kind stands for; 0 for none.
  static std::uint32_t MouseMessageFor(QSystemTrayIcon::ActivationReason AReason);

  bool NotifyIcon(TNotifyIconAction AAction, const TNotifyIconData& AData) override;
  std::uint32_t RegisterWindowMessage(const std::u16string& AName) override;

private:
  TVellomarchFrm* FFrm = nullptr;
  QSystemTrayIcon FIcon;
};

} // namespace vm
