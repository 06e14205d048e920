#pragma once
// The seat's clipboard selection as a Wayland compositor shows it to a clipboard manager (the
// data-control protocol: ext_data_control_v1 where the compositor offers it, wlroots'
// zwlr_data_control_v1 otherwise; the two differ only in their names): every change of any client
// is reported, whichever window has the focus, and each format is read only when asked for,
// within a bounded wait, so that a client that never answers cannot stop the program.
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

class QMimeData;
class QSocketNotifier;
#include <string>
#include <vector>

#include "platform/linux/wayland_session.h"

struct wl_display;
struct wl_proxy;
struct wl_registry;
struct wl_seat;

namespace vm {

class TOfferMimeData;
class IDataControlBinding;

class TWaylandDataControl final : public QObject {
public:
  // A connection of its own to the compositor of $WAYLAND_DISPLAY; nullptr where there is none,
  // or it offers no data-control or no seat.
  static std::unique_ptr<TWaylandDataControl> Connect(std::chrono::milliseconds AReadWait = std::chrono::seconds(2));
  ~TWaylandDataControl() override;

  // Called on the program's thread after each change of the selection.
  void SetOnSelection(std::function<void()> AOnSelection) { FOnSelection = std::move(AOnSelection); }
  // The current selection, read on demand; nullptr while the selection is empty. Valid until the
  // next change. Reading a format that the owner does not deliver in time throws TError.
  const QMimeData* Selection() const;

  // The protocol spoken with the compositor.
  TDataControlProtocol Protocol() const { return FProtocol; }

  // Hands AFd the bytes of AMimeType from the offer; false when the compositor is gone.
  bool Receive(wl_proxy* AOffer, const char* AMimeType, int AFd);
  void DestroyOffer(wl_proxy* AOffer);
  std::chrono::milliseconds ReadWait() const { return FReadWait; }

  // Listener entry points of the protocol objects; an offer is either protocol's offer object.
  void Global(wl_registry* ARegistry, uint32_t AName, const char* AInterface, uint32_t AVersion);
  void DataOffer(wl_proxy* AOffer);
  void OfferMimeType(wl_proxy* AOffer, const char* AMimeType);
  void NewSelection(wl_proxy* AOffer);
  void PrimarySelection(wl_proxy* AOffer);
  void DeviceFinished();

private:
  TWaylandDataControl(wl_display* ADisplay, std::chrono::milliseconds AReadWait);
  bool SetUp();
  void Dispatch();

  wl_display* FDisplay;
  std::chrono::milliseconds FReadWait;
  wl_registry* FRegistry = nullptr;
  wl_seat* FSeat = nullptr;
  // The data-control managers the compositor announced: registry name by interface.
  std::vector<std::pair<std::string, uint32_t>> FManagers;
  TDataControlProtocol FProtocol = TDataControlProtocol::None;
  std::unique_ptr<IDataControlBinding> FBinding;
  // The offer being introduced (its MIME types arrive before the selection event names it).
  std::unique_ptr<TOfferMimeData> FIncoming;
  std::unique_ptr<TOfferMimeData> FSelection;
  std::unique_ptr<QSocketNotifier> FNotifier;
  std::function<void()> FOnSelection;
};

} // namespace vm
