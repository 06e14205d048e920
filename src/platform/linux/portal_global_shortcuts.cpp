#include "platform/linux/portal_global_shortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

// One entry of the portal's a(sa{sv}) shortcut lists: an id and its properties.
struct TDBusShortcut {
  QString Id;
  QVariantMap Properties;
};
using TDBusShortcuts = QList<TDBusShortcut>;

} // namespace

Q_DECLARE_METATYPE(TDBusShortcut)

namespace {

QDBusArgument& operator<<(QDBusArgument& AArgument, const TDBusShortcut& AShortcut) {
  AArgument.beginStructure();
  AArgument << AShortcut.Id << AShortcut.Properties;
  AArgument.endStructure();
  return AArgument;
}

const QDBusArgument& operator>>(const QDBusArgument& AArgument, TDBusShortcut& AShortcut) {
  AArgument.beginStructure();
  AArgument >> AShortcut.Id >> AShortcut.Properties;
  AArgument.endStructure();
  return AArgument;
}

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// The desktop answers 0 for success, 1 when the user cancelled, 2 for other failures.
QString ResponseText(uint AResponse) {
  return AResponse == 1 ? QStringLiteral("the desktop's dialog was cancelled")
                        : QStringLiteral("the desktop refused (response %1)").arg(AResponse);
}

} // namespace

namespace vm {

TPortalGlobalShortcuts::TPortalGlobalShortcuts(QDBusConnection ABus) : FBus(std::move(ABus)) {
  qDBusRegisterMetaType<TDBusShortcut>();
  qDBusRegisterMetaType<TDBusShortcuts>();
}

TPortalGlobalShortcuts::~TPortalGlobalShortcuts() { CloseSession(); }

void TPortalGlobalShortcuts::CloseSession() {
  if (FSessionHandle.isEmpty()) return;
  FBus.call(
      QDBusMessage::createMethodCall(PortalService, FSessionHandle, QStringLiteral("org.freedesktop.portal.Session"),
                                     QStringLiteral("Close")),
      QDBus::NoBlock);
  FSessionHandle.clear();
}

void TPortalGlobalShortcuts::Bind(std::vector<TPortalShortcut> AShortcuts, TBindDone ADone) {
  FShortcuts = std::move(AShortcuts);
  FDone = std::move(ADone);
  if (!FBus.isConnected()) {
    Finish({false, QStringLiteral("no session bus"), {}});
    return;
  }
  if (!FSessionHandle.isEmpty()) {
    // A session binds its shortcuts once: changed combinations get a session of their own.
    CloseSession();
    CreateSession();
    return;
  }
  // The portal's interface version tells whether it offers the shortcuts at all.
  QDBusMessage Get = QDBusMessage::createMethodCall(PortalService, PortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                    QStringLiteral("Get"));
  Get << ShortcutsInterface << QStringLiteral("version");
  auto* Watcher = new QDBusPendingCallWatcher(FBus.asyncCall(Get), this);
  connect(Watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* AWatcher) {
    AWatcher->deleteLater();
    const QDBusPendingReply<QDBusVariant> Reply = *AWatcher;
    if (Reply.isError()) {
      Finish({false, QStringLiteral("no GlobalShortcuts portal (%1)").arg(Reply.error().message()), {}});
      return;
    }
    CreateSession();
  });
}

QString TPortalGlobalShortcuts::NextToken() { return QStringLiteral("vellomarch%1").arg(++FTokens); }

void TPortalGlobalShortcuts::CallWithResponse(const QString& AMethod, QList<QVariant> AArguments, QVariantMap AOptions,
                                              std::function<void(uint, const QVariantMap&)> AOnResponse) {
  QDBusConnection& Bus = FBus;
  const QString Token = NextToken();
  AOptions.insert(QStringLiteral("handle_token"), Token);
  // The request object's path is known before the call: listening first, no answer is missed.
  QString Sender = Bus.baseService().mid(1);
  Sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  if (!FRequestPath.isEmpty())
    Bus.disconnect(PortalService, FRequestPath, RequestInterface, QStringLiteral("Response"), this,
                   SLOT(RequestResponse(uint, QVariantMap)));
  FRequestPath = PortalPath + QStringLiteral("/request/") + Sender + QLatin1Char('/') + Token;
  FOnResponse = std::move(AOnResponse);
  Bus.connect(PortalService, FRequestPath, RequestInterface, QStringLiteral("Response"), this,
              SLOT(RequestResponse(uint, QVariantMap)));

  QDBusMessage Call = QDBusMessage::createMethodCall(PortalService, PortalPath, ShortcutsInterface, AMethod);
  AArguments.append(AOptions);
  Call.setArguments(AArguments);
  auto* Watcher = new QDBusPendingCallWatcher(Bus.asyncCall(Call), this);
  connect(Watcher, &QDBusPendingCallWatcher::finished, this, [this, AMethod](QDBusPendingCallWatcher* AWatcher) {
    AWatcher->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> Reply = *AWatcher;
    if (Reply.isError()) {
      FOnResponse = nullptr;
      Finish({false, AMethod + QStringLiteral(" failed: ") + Reply.error().message(), {}});
      return;
    }
    // A portal older than the handle_token rule names its own request object.
    const QString Handle = Reply.value().path();
    if (Handle != FRequestPath && FOnResponse) {
      QDBusConnection& Bus = FBus;
      Bus.disconnect(PortalService, FRequestPath, RequestInterface, QStringLiteral("Response"), this,
                     SLOT(RequestResponse(uint, QVariantMap)));
      FRequestPath = Handle;
      Bus.connect(PortalService, FRequestPath, RequestInterface, QStringLiteral("Response"), this,
                  SLOT(RequestResponse(uint, QVariantMap)));
    }
  });
}

void TPortalGlobalShortcuts::RequestResponse(uint AResponse, const QVariantMap& AResults) {
  auto OnResponse = std::move(FOnResponse);
  FOnResponse = nullptr;
  if (OnResponse) OnResponse(AResponse, AResults);
}

void TPortalGlobalShortcuts::CreateSession() {
  QVariantMap Options;
  Options.insert(QStringLiteral("session_handle_token"), NextToken());
  CallWithResponse(QStringLiteral("CreateSession"), {}, Options, [this](uint AResponse, const QVariantMap& AResults) {
    const QString Handle = AResults.value(QStringLiteral("session_handle")).toString();
    if (AResponse != 0 || Handle.isEmpty()) {
      Finish({false, QStringLiteral("no shortcuts session: ") + ResponseText(AResponse), {}});
      return;
    }
    FSessionHandle = Handle;
    if (!FListening) {
      FListening = FBus.connect(
          PortalService, PortalPath, ShortcutsInterface, QStringLiteral("Activated"), this,
          SLOT(ShortcutActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    }
    BindShortcuts();
  });
}

void TPortalGlobalShortcuts::BindShortcuts() {
  TDBusShortcuts Shortcuts;
  for (const TPortalShortcut& Shortcut : FShortcuts) {
    QVariantMap Properties;
    Properties.insert(QStringLiteral("description"), Shortcut.Description);
    if (!Shortcut.PreferredTrigger.isEmpty()) Properties.insert(QStringLiteral("preferred_trigger"), Shortcut.PreferredTrigger);
    Shortcuts.append({Shortcut.Id, Properties});
  }
  CallWithResponse(QStringLiteral("BindShortcuts"),
                   {QVariant::fromValue(QDBusObjectPath(FSessionHandle)), QVariant::fromValue(Shortcuts), QString()}, {},
                   [this](uint AResponse, const QVariantMap& AResults) {
                     if (AResponse != 0) {
                       Finish({false, ResponseText(AResponse), {}});
                       return;
                     }
                     TPortalBindResult Result{true, {}, {}};
                     TDBusShortcuts Bound;
                     AResults.value(QStringLiteral("shortcuts")).value<QDBusArgument>() >> Bound;
                     for (const TDBusShortcut& Shortcut : Bound)
                       Result.Triggers[Shortcut.Id] = Shortcut.Properties.value(QStringLiteral("trigger_description")).toString();
                     Finish(Result);
                   });
}

void TPortalGlobalShortcuts::Finish(TPortalBindResult AResult) {
  auto Done = std::move(FDone);
  FDone = nullptr;
  if (Done) Done(AResult);
}

void TPortalGlobalShortcuts::ShortcutActivated(const QDBusObjectPath& ASession, const QString& AShortcutId, qulonglong,
                                               const QVariantMap&) {
  if (ASession.path() != FSessionHandle || !FOnActivated) return;
  FOnActivated(AShortcutId);
}

} // namespace vm
