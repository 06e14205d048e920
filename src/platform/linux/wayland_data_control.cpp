#include "platform/linux/wayland_data_control.h"

#include <QMimeData>
#include <QSocketNotifier>
#include <QStringList>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include <wayland-client.h>

#include "ext-data-control-v1-client.h"
#include "wlr-data-control-unstable-v1-client.h"
#include "platform/imaging.h"
#include "support/error.h"

namespace vm {

// One offered selection: its MIME types as announced, each read once when first asked for.
class TOfferMimeData final : public QMimeData {
public:
  TOfferMimeData(TWaylandDataControl& AOwner, wl_proxy* AOffer) : FOwner(AOwner), FOffer(AOffer) {}
  ~TOfferMimeData() override { FOwner.DestroyOffer(FOffer); }

  wl_proxy* Offer() const { return FOffer; }
  void AddMimeType(const char* AMimeType) {
    const QString MimeType = QString::fromUtf8(AMimeType);
    FMimeTypes.append(MimeType);
    // Qt knows a text by "text/plain" alone; many programs offer it only with its charset, or
    // under the X11 name that XWayland passes on.
    if (FPlainTextSource.isEmpty() && IsUtf8TextName(MimeType)) FPlainTextSource = MimeType;
  }

  QStringList formats() const override {
    QStringList Formats = FMimeTypes;
    if (!Formats.contains(PlainText()) && !FPlainTextSource.isEmpty()) Formats.append(PlainText());
    return Formats;
  }
  bool hasFormat(const QString& AMimeType) const override { return formats().contains(AMimeType); }

protected:
  QVariant retrieveData(const QString& AMimeType, QMetaType) const override {
    QString Source = AMimeType;
    if (!FMimeTypes.contains(AMimeType)) {
      if (AMimeType != PlainText() || FPlainTextSource.isEmpty()) return {};
      Source = FPlainTextSource;
    }
    auto It = FRead.find(Source);
    if (It == FRead.end()) It = FRead.emplace(Source, Read(Source)).first;
    return It->second;
  }

private:
  static QString PlainText() { return QStringLiteral("text/plain"); }
  static bool IsUtf8TextName(const QString& AMimeType) {
    return AMimeType.compare(QLatin1String("text/plain;charset=utf-8"), Qt::CaseInsensitive) == 0 ||
           AMimeType == QLatin1String("UTF8_STRING");
  }
  QByteArray Read(const QString& AMimeType) const;

  TWaylandDataControl& FOwner;
  wl_proxy* FOffer;
  QStringList FMimeTypes;
  QString FPlainTextSource;
  mutable std::map<QString, QByteArray> FRead;
};

namespace {

class TPipe {
public:
  TPipe() {
    if (::pipe2(FFds, O_CLOEXEC) != 0) FFds[0] = FFds[1] = -1;
  }
  ~TPipe() {
    CloseWriteEnd();
    if (FFds[0] >= 0) ::close(FFds[0]);
  }
  TPipe(const TPipe&) = delete;
  TPipe& operator=(const TPipe&) = delete;
  bool Valid() const { return FFds[0] >= 0; }
  int ReadEnd() const { return FFds[0]; }
  int WriteEnd() const { return FFds[1]; }
  void CloseWriteEnd() {
    if (FFds[1] >= 0) ::close(FFds[1]);
    FFds[1] = -1;
  }

private:
  int FFds[2] = {-1, -1};
};

std::u16string Utf16(const QString& AText) { return AText.toStdU16String(); }

// Another program decides how much it sends. The largest item the program keeps is a picture at
// its bound, uncompressed (a BMP at 4 bytes a pixel); nothing longer is read to the end.
constexpr qsizetype MaxTransferBytes = static_cast<qsizetype>(MaxImagePixels * 4 + 16 * 1024 * 1024);

// Everything until the writer closes its end; throws when that takes longer than AWait, or is
// more than any item the program keeps.
QByteArray ReadToEnd(int AFd, std::chrono::milliseconds AWait, const QString& AMimeType) {
  using TClock = std::chrono::steady_clock;
  const auto Deadline = TClock::now() + AWait;
  QByteArray Data;
  char Buffer[65536];
  for (;;) {
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now());
    pollfd Poll{AFd, POLLIN, 0};
    const int Ready = Left.count() > 0 ? ::poll(&Poll, 1, static_cast<int>(Left.count())) : 0;
    if (Ready < 0 && errno == EINTR) continue;
    if (Ready <= 0) throw TError(u"The clipboard's owner did not send " + Utf16(AMimeType) + u" in time");
    const ssize_t N = ::read(AFd, Buffer, sizeof(Buffer));
    if (N < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (N < 0) throw TError(u"Reading " + Utf16(AMimeType) + u" from the clipboard failed: " + Utf16(QString::fromLocal8Bit(std::strerror(errno))));
    if (N == 0) return Data;
    if (Data.size() + N > MaxTransferBytes) throw TError(u"The clipboard's " + Utf16(AMimeType) + u" is too large");
    Data.append(Buffer, N);
  }
}

TWaylandDataControl& Owner(void* AData) { return *static_cast<TWaylandDataControl*>(AData); }

const wl_registry_listener RegistryListener{
    [](void* AData, wl_registry* ARegistry, uint32_t AName, const char* AInterface, uint32_t AVersion) {
      Owner(AData).Global(ARegistry, AName, AInterface, AVersion);
    },
    [](void*, wl_registry*, uint32_t) {}};

} // namespace

// The objects of one data-control protocol: the manager, the seat's device, and the offers it
// announces, which the rest of this file knows only as proxies.
class IDataControlBinding {
public:
  virtual ~IDataControlBinding() = default;
  virtual void Receive(wl_proxy* AOffer, const char* AMimeType, int AFd) = 0;
  virtual void DestroyOffer(wl_proxy* AOffer) = 0;
  virtual void DestroyDevice() = 0;
};

namespace {

// The generated bindings of a data-control protocol under the names the binding below uses; the
// two protocols differ only in the prefix of their names.
#define VM_DATA_CONTROL_NAMES(TNames, Prefix)                                                                        \
  struct TNames {                                                                                                     \
    using TManager = Prefix##_data_control_manager_v1;                                                                \
    using TDevice = Prefix##_data_control_device_v1;                                                                  \
    using TOffer = Prefix##_data_control_offer_v1;                                                                    \
    using TDeviceListener = Prefix##_data_control_device_v1_listener;                                                 \
    using TOfferListener = Prefix##_data_control_offer_v1_listener;                                                   \
    static const wl_interface& ManagerInterface() { return Prefix##_data_control_manager_v1_interface; }             \
    static TDevice* GetDevice(TManager* AManager, wl_seat* ASeat) {                                                   \
      return Prefix##_data_control_manager_v1_get_data_device(AManager, ASeat);                                       \
    }                                                                                                                 \
    static void Listen(TDevice* ADevice, const TDeviceListener* AListener, void* AData) {                             \
      Prefix##_data_control_device_v1_add_listener(ADevice, AListener, AData);                                        \
    }                                                                                                                 \
    static void Listen(TOffer* AOffer, const TOfferListener* AListener, void* AData) {                                \
      Prefix##_data_control_offer_v1_add_listener(AOffer, AListener, AData);                                          \
    }                                                                                                                 \
    static void Receive(TOffer* AOffer, const char* AMimeType, int AFd) {                                             \
      Prefix##_data_control_offer_v1_receive(AOffer, AMimeType, AFd);                                                 \
    }                                                                                                                 \
    static void Destroy(TManager* AManager) { Prefix##_data_control_manager_v1_destroy(AManager); }                   \
    static void Destroy(TDevice* ADevice) { Prefix##_data_control_device_v1_destroy(ADevice); }                       \
    static void Destroy(TOffer* AOffer) { Prefix##_data_control_offer_v1_destroy(AOffer); }                           \
  };

VM_DATA_CONTROL_NAMES(TExtNames, ext)
VM_DATA_CONTROL_NAMES(TWlrNames, zwlr)
#undef VM_DATA_CONTROL_NAMES

wl_proxy* Proxy(void* AObject) { return static_cast<wl_proxy*>(AObject); }

template <class TNames>
class TDataControlBinding final : public IDataControlBinding {
public:
  using TManager = typename TNames::TManager;
  using TDevice = typename TNames::TDevice;
  using TOffer = typename TNames::TOffer;

  // Version 1 of either: the primary selection, which is not the clipboard, is then announced by
  // the standard protocol only.
  TDataControlBinding(wl_registry* ARegistry, uint32_t AName, wl_seat* ASeat, TWaylandDataControl& AOwner)
      : FManager(static_cast<TManager*>(wl_registry_bind(ARegistry, AName, &TNames::ManagerInterface(), 1))),
        FDevice(TNames::GetDevice(FManager, ASeat)) {
    TNames::Listen(FDevice, &DeviceListener, &AOwner);
  }
  ~TDataControlBinding() override {
    DestroyDevice();
    TNames::Destroy(FManager);
  }

  void Receive(wl_proxy* AOffer, const char* AMimeType, int AFd) override {
    TNames::Receive(reinterpret_cast<TOffer*>(AOffer), AMimeType, AFd);
  }
  void DestroyOffer(wl_proxy* AOffer) override { TNames::Destroy(reinterpret_cast<TOffer*>(AOffer)); }
  void DestroyDevice() override {
    if (FDevice) TNames::Destroy(FDevice);
    FDevice = nullptr;
  }

private:
  static inline const typename TNames::TOfferListener OfferListener{
      [](void* AData, TOffer* AOffer, const char* AMimeType) { Owner(AData).OfferMimeType(Proxy(AOffer), AMimeType); }};

  static inline const typename TNames::TDeviceListener DeviceListener{
      [](void* AData, TDevice*, TOffer* AOffer) {
        TNames::Listen(AOffer, &OfferListener, AData);
        Owner(AData).DataOffer(Proxy(AOffer));
      },
      [](void* AData, TDevice*, TOffer* AOffer) { Owner(AData).NewSelection(Proxy(AOffer)); },
      [](void* AData, TDevice*) { Owner(AData).DeviceFinished(); },
      // The primary selection's offer is not kept.
      [](void* AData, TDevice*, TOffer* AOffer) { Owner(AData).PrimarySelection(Proxy(AOffer)); }};

  TManager* FManager;
  TDevice* FDevice;
};

} // namespace

QByteArray TOfferMimeData::Read(const QString& AMimeType) const {
  TPipe Pipe;
  if (!Pipe.Valid()) throw TError(u"pipe failed: " + Utf16(QString::fromLocal8Bit(std::strerror(errno))));
  if (!FOwner.Receive(FOffer, AMimeType.toUtf8().constData(), Pipe.WriteEnd()))
    throw TError(u"The Wayland compositor has gone");
  // Our copy of the write end would keep the pipe open after the owner has finished.
  Pipe.CloseWriteEnd();
  return ReadToEnd(Pipe.ReadEnd(), FOwner.ReadWait(), AMimeType);
}

std::unique_ptr<TWaylandDataControl> TWaylandDataControl::Connect(std::chrono::milliseconds AReadWait) {
  const char* Name = std::getenv("WAYLAND_DISPLAY");
  if (!Name || !*Name) return nullptr;
  wl_display* Display = wl_display_connect(nullptr);
  if (!Display) return nullptr;
  std::unique_ptr<TWaylandDataControl> Control(new TWaylandDataControl(Display, AReadWait));
  if (!Control->SetUp()) return nullptr;
  return Control;
}

TWaylandDataControl::TWaylandDataControl(wl_display* ADisplay, std::chrono::milliseconds AReadWait)
    : FDisplay(ADisplay), FReadWait(AReadWait) {}

TWaylandDataControl::~TWaylandDataControl() {
  FNotifier.reset();
  FIncoming.reset();
  FSelection.reset();
  FBinding.reset();
  if (FSeat) wl_seat_destroy(FSeat);
  if (FRegistry) wl_registry_destroy(FRegistry);
  wl_display_disconnect(FDisplay);
}

bool TWaylandDataControl::SetUp() {
  FRegistry = wl_display_get_registry(FDisplay);
  wl_registry_add_listener(FRegistry, &RegistryListener, this);
  if (wl_display_roundtrip(FDisplay) < 0 || !FSeat) return false;
  std::vector<std::string> Announced;
  for (const auto& [Interface, Name] : FManagers) Announced.push_back(Interface);
  FProtocol = ChooseDataControl(Announced);
  const char* Chosen = FProtocol == TDataControlProtocol::Ext ? ExtDataControlManager : WlrDataControlManager;
  const auto Manager = std::find_if(FManagers.begin(), FManagers.end(), [Chosen](const auto& AManager) { return AManager.first == Chosen; });
  if (Manager == FManagers.end()) return false;
  if (FProtocol == TDataControlProtocol::Ext)
    FBinding = std::make_unique<TDataControlBinding<TExtNames>>(FRegistry, Manager->second, FSeat, *this);
  else
    FBinding = std::make_unique<TDataControlBinding<TWlrNames>>(FRegistry, Manager->second, FSeat, *this);
  // The device announces the selection that holds now: that one is no change.
  if (wl_display_roundtrip(FDisplay) < 0) return false;
  FNotifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(FDisplay), QSocketNotifier::Read);
  connect(FNotifier.get(), &QSocketNotifier::activated, this, [this] { Dispatch(); });
  return true;
}

void TWaylandDataControl::Dispatch() {
  if (wl_display_dispatch(FDisplay) < 0) {
    // The compositor has gone: nothing more will come.
    FNotifier->setEnabled(false);
    return;
  }
  wl_display_flush(FDisplay);
}

void TWaylandDataControl::Global(wl_registry* ARegistry, uint32_t AName, const char* AInterface, uint32_t) {
  if (std::strcmp(AInterface, ExtDataControlManager) == 0 || std::strcmp(AInterface, WlrDataControlManager) == 0)
    FManagers.emplace_back(AInterface, AName);
  else if (std::strcmp(AInterface, wl_seat_interface.name) == 0 && !FSeat)
    FSeat = static_cast<wl_seat*>(wl_registry_bind(ARegistry, AName, &wl_seat_interface, 1));
}

void TWaylandDataControl::DataOffer(wl_proxy* AOffer) { FIncoming = std::make_unique<TOfferMimeData>(*this, AOffer); }

void TWaylandDataControl::OfferMimeType(wl_proxy* AOffer, const char* AMimeType) {
  if (FIncoming && FIncoming->Offer() == AOffer) FIncoming->AddMimeType(AMimeType);
}

void TWaylandDataControl::NewSelection(wl_proxy* AOffer) {
  const bool Initial = !FNotifier;
  if (AOffer && FIncoming && FIncoming->Offer() == AOffer) FSelection = std::move(FIncoming);
  else FSelection.reset();
  if (!Initial && FOnSelection) FOnSelection();
}

void TWaylandDataControl::PrimarySelection(wl_proxy* AOffer) {
  if (AOffer && FIncoming && FIncoming->Offer() == AOffer) FIncoming.reset();
}

void TWaylandDataControl::DeviceFinished() {
  FSelection.reset();
  if (FBinding) FBinding->DestroyDevice();
}

const QMimeData* TWaylandDataControl::Selection() const { return FSelection.get(); }

bool TWaylandDataControl::Receive(wl_proxy* AOffer, const char* AMimeType, int AFd) {
  FBinding->Receive(AOffer, AMimeType, AFd);
  return wl_display_flush(FDisplay) >= 0;
}

void TWaylandDataControl::DestroyOffer(wl_proxy* AOffer) {
  if (FBinding) FBinding->DestroyOffer(AOffer);
}

} // namespace vm
