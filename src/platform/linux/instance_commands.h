#pragma once
// The commands a second start passes to the running program: `vellomarch --show` and
// `vellomarch --quit`. Where the desktop keeps the key combinations for itself (Wayland), its key
// bindings run these instead of the program's own hotkeys. The channel is a local socket beside
// the single-instance lock, open to the same user only and served only by the lock's holder.
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;

namespace vm {

enum class TInstanceCommand { None, Show, Quit };

struct TCommandLine {
  TInstanceCommand Command = TInstanceCommand::None;
  bool Valid = true; // false: an argument the program does not know, or both commands at once
};

// AArguments without the program's name, Qt's own options already taken out.
TCommandLine ParseCommandLine(const std::vector<QString>& AArguments);
const char* CommandLineUsage();
// What `--quit` says when no program runs, and a start says when the running one does not answer.
const char* NotRunningMessage();
const char* NoAnswerMessage();

enum class TSendResult { Done, NoAnswer };

// Hands ACommand to the program listening at AChannelPath and waits, bounded by ATimeout, for
// its acknowledgement.
TSendResult SendInstanceCommand(const QString& AChannelPath, TInstanceCommand ACommand,
                                std::chrono::milliseconds ATimeout);

// A Unix socket of the program's own, watched by the event loop: Qt's local server would bring
// Qt Network and its libraries into every start for these few bytes.
class TInstanceCommandServer : public QObject {
  Q_OBJECT
public:
  explicit TInstanceCommandServer(QString AChannelPath);
  ~TInstanceCommandServer() override;
  // Only the holder of the single-instance lock listens: a socket found there was left by a
  // program that ended without removing it. False when the socket cannot be made.
  bool Listen();
  QString ErrorText() const { return FError; }
  // Runs on the program's own thread once the sender has its acknowledgement.
  void SetOnCommand(std::function<void(TInstanceCommand)> AOnCommand) { FOnCommand = std::move(AOnCommand); }

private:
  struct TConnection {
    QSocketNotifier* Notifier; // a child of the server, let go with deleteLater
    std::string Received;
  };

  bool Fail(const char* AStep);
  void AcceptConnections();
  void ReadRequest(int AFd);
  void Close(int AFd);

  QString FChannelPath;
  int FListener = -1;
  std::unique_ptr<QSocketNotifier> FListenerNotifier;
  std::map<int, TConnection> FConnections;
  QString FError;
  std::function<void(TInstanceCommand)> FOnCommand;
};

} // namespace vm
