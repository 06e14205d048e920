#include "platform/linux/instance_commands.h"

#include <QLocalSocket>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace vm {

namespace {

constexpr const char* ShowRequest = "show\n";
constexpr const char* QuitRequest = "quit\n";
constexpr const char* Acknowledgement = "ok\n";
// A request is one short line; anything longer is not one of ours.
constexpr qint64 MaxRequestLength = 64;

const char* RequestOf(TInstanceCommand ACommand) {
  return ACommand == TInstanceCommand::Quit ? QuitRequest : ShowRequest;
}

TInstanceCommand CommandOfRequest(const QByteArray& ALine) {
  if (ALine == ShowRequest) return TInstanceCommand::Show;
  if (ALine == QuitRequest) return TInstanceCommand::Quit;
  return TInstanceCommand::None;
}

class TSocketFd {
public:
  TSocketFd() : FFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
  ~TSocketFd() {
    if (FFd >= 0) ::close(FFd);
  }
  TSocketFd(const TSocketFd&) = delete;
  TSocketFd& operator=(const TSocketFd&) = delete;
  int Get() const { return FFd; }

private:
  int FFd;
};

bool ConnectTo(int AFd, const QString& APath) {
  const QByteArray Path = APath.toLocal8Bit();
  sockaddr_un Address{};
  Address.sun_family = AF_UNIX;
  if (Path.isEmpty() || static_cast<std::size_t>(Path.size()) >= sizeof(Address.sun_path)) return false;
  std::memcpy(Address.sun_path, Path.constData(), static_cast<std::size_t>(Path.size()));
  return ::connect(AFd, reinterpret_cast<const sockaddr*>(&Address), sizeof(Address)) == 0;
}

bool SendAll(int AFd, const std::string& ABytes) {
  std::size_t Sent = 0;
  while (Sent < ABytes.size()) {
    const ssize_t N = ::send(AFd, ABytes.data() + Sent, ABytes.size() - Sent, MSG_NOSIGNAL);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) return false;
    Sent += static_cast<std::size_t>(N);
  }
  return true;
}

// The answer's first line, or nothing when none came before the deadline.
std::string ReadLine(int AFd, std::chrono::milliseconds ATimeout) {
  using TClock = std::chrono::steady_clock;
  const auto Deadline = TClock::now() + ATimeout;
  std::string Line;
  while (Line.size() < MaxRequestLength && (Line.empty() || Line.back() != '\n')) {
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now());
    if (Left.count() <= 0) return {};
    pollfd Poll{AFd, POLLIN, 0};
    const int Ready = ::poll(&Poll, 1, static_cast<int>(Left.count()));
    if (Ready < 0 && errno == EINTR) continue;
    if (Ready <= 0) return {};
    char Byte = 0;
    const ssize_t N = ::recv(AFd, &Byte, 1, 0);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) return {};
    Line.push_back(Byte);
  }
  return Line;
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<QString>& AArguments) {
  TCommandLine Result;
  for (const QString& Argument : AArguments) {
    TInstanceCommand Command = TInstanceCommand::None;
    if (Argument == QLatin1String("--show")) Command = TInstanceCommand::Show;
    else if (Argument == QLatin1String("--quit")) Command = TInstanceCommand::Quit;
    if (Command == TInstanceCommand::None || (Result.Command != TInstanceCommand::None && Result.Command != Command))
      return TCommandLine{TInstanceCommand::None, false};
    Result.Command = Command;
  }
  return Result;
}

const char* CommandLineUsage() { return "Usage: vellomarch [--show | --quit]\n"; }

const char* NotRunningMessage() { return "Vellomarch は起動していません\n"; }

const char* NoAnswerMessage() { return "Vellomarch: 起動中のプログラムが応答しません\n"; }

TSendResult SendInstanceCommand(const QString& AChannelPath, TInstanceCommand ACommand,
                                std::chrono::milliseconds ATimeout) {
  const TSocketFd Socket;
  if (Socket.Get() < 0 || !ConnectTo(Socket.Get(), AChannelPath)) return TSendResult::NoAnswer;
  if (!SendAll(Socket.Get(), RequestOf(ACommand))) return TSendResult::NoAnswer;
  return ReadLine(Socket.Get(), ATimeout) == Acknowledgement ? TSendResult::Done : TSendResult::NoAnswer;
}

TInstanceCommandServer::TInstanceCommandServer(QString AChannelPath) : FChannelPath(std::move(AChannelPath)) {
  FServer.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&FServer, &QLocalServer::newConnection, this, &TInstanceCommandServer::AcceptConnections);
}

bool TInstanceCommandServer::Listen() {
  QLocalServer::removeServer(FChannelPath);
  return FServer.listen(FChannelPath);
}

void TInstanceCommandServer::AcceptConnections() {
  while (QLocalSocket* Socket = FServer.nextPendingConnection()) {
    connect(Socket, &QLocalSocket::disconnected, Socket, &QObject::deleteLater);
    connect(Socket, &QLocalSocket::readyRead, this, [this, Socket] { ReadRequest(Socket); });
  }
}

void TInstanceCommandServer::ReadRequest(QLocalSocket* ASocket) {
  if (!ASocket->canReadLine()) {
    if (ASocket->bytesAvailable() > MaxRequestLength) ASocket->abort();
    return;
  }
  const TInstanceCommand Command = CommandOfRequest(ASocket->readLine(MaxRequestLength + 1));
  if (Command != TInstanceCommand::None) {
    ASocket->write(Acknowledgement);
    ASocket->flush();
  }
  ASocket->disconnectFromServer();
  if (Command != TInstanceCommand::None && FOnCommand) FOnCommand(Command);
}

} // namespace vm
