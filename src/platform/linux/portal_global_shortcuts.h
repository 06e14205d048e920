#pragma once
// Global shortcuts through the desktop portal (org.freedesktop.portal.GlobalShortcuts on the
// session bus; KDE Plasma and newer GNOME offer it): the program asks for a session, binds its
// shortcuts with preferred triggers, and hears their activations. The desktop decides the triggers
// in the end, and may ask the user first. Every call is asynchronous: a desktop that shows a
// dialog, or a portal that is started on demand, never holds up the program.
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>
#include <vector>

namespace vm {

struct TPortalShortcut {
  QString Id;
  QString Description;
  QString PreferredTrigger; // the shortcut text of the XDG shortcuts format, "CTRL+ALT+q"
};

struct TPortalBindResult {
  bool Bound = false;
  QString Why;                         // why not, when not bound
  std::map<QString, QString> Triggers; // shortcut id -> the desktop's description of its trigger
};

class TPortalGlobalShortcuts final : public QObject {
  Q_OBJECT
public:
  using TBindDone = std::function<void(const TPortalBindResult&)>;
  using TActivated = std::function<void(const QString& AShortcutId)>;

  explicit TPortalGlobalShortcuts(QDBusConnection ABus = QDBusConnection::sessionBus());
  ~TPortalGlobalShortcuts() override;

  void SetOnActivated(TActivated AOnActivated) { FOnActivated = std::move(AOnActivated); }
  // Binds AShortcuts in the program's session (made on first use); ADone runs once, on the
  // program's thread, with the outcome. A bind still running when the next starts is superseded.
  void Bind(std::vector<TPortalShortcut> AShortcuts, TBindDone ADone);

private slots:
  void RequestResponse(uint AResponse, const QVariantMap& AResults);
  void ShortcutActivated(const QDBusObjectPath& ASession, const QString& AShortcutId, qulonglong ATimestamp,
                         const QVariantMap& AOptions);

private:
  // Calls AMethod of the portal, which answers through a request object's Response signal;
  // AOnResponse gets that answer.
  void CallWithResponse(const QString& AMethod, QList<QVariant> AArguments, QVariantMap AOptions,
                        std::function<void(uint, const QVariantMap&)> AOnResponse);
  void CreateSession();
  void CloseSession();
  void BindShortcuts();
  void Finish(TPortalBindResult AResult);
  QString NextToken();

  QDBusConnection FBus;
  std::vector<TPortalShortcut> FShortcuts;
  TBindDone FDone;
  TActivated FOnActivated;
  QString FSessionHandle;
  QString FRequestPath;
  std::function<void(uint, const QVariantMap&)> FOnResponse;
  unsigned FTokens = 0;
  bool FListening = false;
};

} // namespace vm
