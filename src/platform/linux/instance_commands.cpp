#include "platform/linux/instance_commands.h"

#include <QSocketNotifier>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
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
constexpr std::size_t MaxRequestLength = 64;

const char* RequestOf(TInstanceCommand ACommand) {
  return ACommand == TInstanceCommand::Quit ? QuitRequest : ShowRequest;
}

TInstanceCommand CommandOfRequest(const std::string& ALine) {
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

// False when the path does not fit into a socket address.
bool SocketAddress(const QString& APath, sockaddr_un& AAddress) {
  const QByteArray Path = APath.toLocal8Bit();
  AAddress = sockaddr_un{};
  AAddress.sun_family = AF_UNIX;
  if (Path.isEmpty() || static_cast<std::size_t>(Path.size()) >= sizeof(AAddress.sun_path)) return false;
  std::memcpy(AAddress.sun_path, Path.constData(), static_cast<std::size_t>(Path.size()));
  return true;
}

bool ConnectTo(int AFd, const QString& APath) {
  sockaddr_un Address{};
  return SocketAddress(APath, Address) &&
         ::connect(AFd, reinterpret_cast<const sockaddr*>(&Address), sizeof(Address)) == 0;
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

TInstanceCommandServer::TInstanceCommandServer(QString AChannelPath) : FChannelPath(std::move(AChannelPath)) {}

TInstanceCommandServer::~TInstanceCommandServer() {
  while (!FConnections.empty()) Close(FConnections.begin()->first);
  if (FListener < 0) return;
  FListenerNotifier.reset();
  ::close(FListener);
  ::unlink(FChannelPath.toLocal8Bit().constData());
}

bool TInstanceCommandServer::Fail(const char* AStep) {
  FError = QStringLiteral("%1 %2: %3").arg(QLatin1String(AStep), FChannelPath, QString::fromLocal8Bit(std::strerror(errno)));
  if (FListener >= 0) ::close(FListener);
  FListener = -1;
  return false;
}

bool TInstanceCommandServer::Listen() {
  sockaddr_un Address{};
  if (!SocketAddress(FChannelPath, Address)) {
    errno = ENAMETOOLONG;
    return Fail("Cannot name the socket");
  }
  FListener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (FListener < 0) return Fail("Cannot make the socket");
  ::unlink(Address.sun_path);
  // Made closed to others from the start: only the same user may hand the program a command.
  const mode_t Mask = ::umask(0077);
  const int Bound = ::bind(FListener, reinterpret_cast<const sockaddr*>(&Address), sizeof(Address));
  ::umask(Mask);
  if (Bound != 0) return Fail("Cannot bind the socket");
  if (::listen(FListener, 8) != 0) return Fail("Cannot listen on the socket");
  FListenerNotifier = std::make_unique<QSocketNotifier>(FListener, QSocketNotifier::Read);
  connect(FListenerNotifier.get(), &QSocketNotifier::activated, this, &TInstanceCommandServer::AcceptConnections);
  return true;
}

void TInstanceCommandServer::AcceptConnections() {
  for (;;) {
    const int Fd = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (Fd < 0) {
      if (errno == EINTR) continue;
      return; // EAGAIN: none left; anything else: the next connection is tried when it comes
    }
    auto* Notifier = new QSocketNotifier(Fd, QSocketNotifier::Read, this);
    FConnections[Fd] = TConnection{Notifier, {}};
    connect(Notifier, &QSocketNotifier::activated, this, [this, Fd] { ReadRequest(Fd); });
  }
}

void TInstanceCommandServer::ReadRequest(int AFd) {
  const auto It = FConnections.find(AFd);
  if (It == FConnections.end()) return;
  TConnection& Connection = It->second;
  char Buffer[MaxRequestLength + 1];
  const ssize_t N = ::recv(AFd, Buffer, sizeof(Buffer), 0);
  if (N < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (N <= 0) return Close(AFd);
  Connection.Received.append(Buffer, static_cast<std::size_t>(N));
  const std::size_t End = Connection.Received.find('\n');
  if (End == std::string::npos) {
    if (Connection.Received.size() > MaxRequestLength) Close(AFd);
    return;
  }
  const TInstanceCommand Command = CommandOfRequest(Connection.Received.substr(0, End + 1));
  if (Command != TInstanceCommand::None) SendAll(AFd, Acknowledgement);
  Close(AFd);
  if (Command != TInstanceCommand::None && FOnCommand) FOnCommand(Command);
}

void TInstanceCommandServer::Close(int AFd) {
  const auto It = FConnections.find(AFd);
  if (It == FConnections.end()) return;
  // Usually called from the notifier's own signal: it is disabled now and deleted later.
  It->second.Notifier->setEnabled(false);
  It->second.Notifier->deleteLater();
  FConnections.erase(It);
  ::close(AFd);
}

} // namespace vm
