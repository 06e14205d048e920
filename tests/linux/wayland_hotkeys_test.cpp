// The hotkeys of a Wayland session: bound through the desktop portal's global shortcuts where the
// session bus has them, otherwise one log line telling which commands to bind. Debian 12's
// xdg-desktop-portal (1.16) has no GlobalShortcuts interface, and KDE Plasma and GNOME do not run
// here: the portal is a stand-in of the tests' own (tests/fixtures) on a private session bus that
// each test starts, and speaks the portal's D-Bus interface as those desktops do.
#include "platform/linux/wayland_hotkeys.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <nlohmann/json.hpp>

#include <fstream>
#include <memory>

#include "app/shortcut.h"
#include "platform/linux/portal_global_shortcuts.h"
#include "platform/linux/x11_hotkeys.h"
#include "x11_test_environment.h"

namespace vm {
namespace {

using test::TX11TestEnvironment;
using test::WaitUntil;

constexpr std::uint32_t VkC = 'C', VkQ = 'Q';

class WaylandHotkeys : public ::testing::Test {
protected:
  void SetUp() override {
    TX11TestEnvironment::Instance().App();
    FFolder = TX11TestEnvironment::Instance().NewFolder("portal");
    FAddress = "unix:path=" + (FFolder / "bus").string();
    FBusDaemon = test::StartBackgroundProcess(
        {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + FAddress});
    FBusName = QStringLiteral("vm-portal-test-%1").arg(++BusCount);
    ASSERT_TRUE(WaitUntil([&] {
      return QDBusConnection::connectToBus(QString::fromStdString(FAddress), FBusName).isConnected() ||
             (QDBusConnection::disconnectFromBus(FBusName), false);
    }, std::chrono::seconds(10))) << "no private session bus";
  }

  void TearDown() override {
    FHotkeys.reset();
    FAtoms.reset();
    QDBusConnection::disconnectFromBus(FBusName);
    if (FPortal > 0) test::StopProcess(FPortal);
    if (FBusDaemon > 0) test::StopProcess(FBusDaemon);
  }

  QDBusConnection Bus() const { return QDBusConnection(FBusName); }

  // The stand-in portal, answering BindShortcuts with AResponse.
  void StartPortal(int AResponse) {
    FPortal = test::StartBackgroundProcess({"env", "DBUS_SESSION_BUS_ADDRESS=" + FAddress, "/usr/bin/python3",
                                            VELLOMARCH_TEST_FIXTURES "/fake_global_shortcuts_portal.py",
                                            Record().string(), std::to_string(AResponse)});
    ASSERT_TRUE(WaitUntil([&] {
      return Bus().interface()->isServiceRegistered(QStringLiteral("org.freedesktop.portal.Desktop")).value();
    }, std::chrono::seconds(10))) << "the stand-in portal did not start (python3-dbus and python3-gi?)";
  }

  // The program's registration: both hotkeys, as TVellomarchFrm::RegisterHotKeys makes it.
  void RegisterBoth(TShortCut AShow, TShortCut AQuit) {
    FAtoms = std::make_unique<TX11Hotkeys>();
    auto Portal = std::make_unique<TPortalGlobalShortcuts>(Bus());
    FHotkeys = std::make_unique<TWaylandHotkeys>(*FAtoms, std::move(Portal),
                                                 [this](const std::u16string& ALine) { FLog.push_back(ALine); });
    FHotkeys->SetOnHotKey([this](int AId) { FPresses.push_back(AId); });
    FShowId = FHotkeys->AddAtom(ShowHotKeyName);
    FQuitId = FHotkeys->AddAtom(QuitHotKeyName);
    const THotKeyCombo Show = SplitShortCut(AShow), Quit = SplitShortCut(AQuit);
    EXPECT_TRUE(FHotkeys->Register(FShowId, Show.Modifiers, Show.Key));
    EXPECT_TRUE(FHotkeys->Register(FQuitId, Quit.Modifiers, Quit.Key));
  }

  std::filesystem::path Record() const { return FFolder / "portal.json"; }
  nlohmann::json Recorded() const {
    std::ifstream In(Record());
    return nlohmann::json::parse(In, nullptr, false);
  }

  void Activate(const QString& AShortcutId) {
    QDBusMessage Call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                                      QStringLiteral("/org/freedesktop/portal/desktop"),
                                                      QStringLiteral("org.vellomarch.test.FakePortal"),
                                                      QStringLiteral("Activate"));
    Call << AShortcutId;
    ASSERT_EQ(Bus().call(Call).type(), QDBusMessage::ReplyMessage);
  }

  std::string LogText() const {
    std::string Text;
    for (const auto& Line : FLog) Text += QString::fromStdU16String(Line).toStdString() + "\n";
    return Text;
  }

  static inline int BusCount = 0;
  std::filesystem::path FFolder;
  pid_t FBusDaemon = -1, FPortal = -1;
  std::string FAddress;
  QString FBusName;
  std::unique_ptr<TX11Hotkeys> FAtoms;
  std::unique_ptr<TWaylandHotkeys> FHotkeys;
  int FShowId = 0, FQuitId = 0;
  std::vector<std::u16string> FLog;
  std::vector<int> FPresses;
};

TEST_F(WaylandHotkeys, ThePortalBindsBothCombinationsAndItsActivationsArePresses) {
  ASSERT_NO_FATAL_FAILURE(StartPortal(0));
  RegisterBoth(MakeShortCut(VkC, scAlt), MakeShortCut(VkQ, scCtrl | scAlt));
  ASSERT_TRUE(WaitUntil([&] { return !FLog.empty(); }, std::chrono::seconds(10))) << "nothing was logged";

  const nlohmann::json Binds = Recorded()["binds"];
  ASSERT_EQ(Binds.size(), 1u) << Recorded().dump();
  const nlohmann::json Asked = Binds[0]["shortcuts"];
  ASSERT_EQ(Asked.size(), 2u) << Asked.dump();
  EXPECT_EQ(Asked[0]["id"], "show");
  EXPECT_EQ(Asked[0]["preferred_trigger"], "ALT+c");
  EXPECT_EQ(Asked[1]["id"], "quit");
  EXPECT_EQ(Asked[1]["preferred_trigger"], "CTRL+ALT+q");
  EXPECT_EQ(Binds[0]["session"], Recorded()["sessions"].back());
  EXPECT_EQ(LogText(), "Hotkeys bound through the desktop portal: show=ALT+c quit=CTRL+ALT+q\n");

  Activate(QStringLiteral("quit"));
  Activate(QStringLiteral("show"));
  ASSERT_TRUE(WaitUntil([&] { return FPresses.size() >= 2; }));
  EXPECT_EQ(FPresses, (std::vector<int>{FQuitId, FShowId}));

  // Released (while the settings dialog records a combination), a shortcut's presses are dropped.
  FHotkeys->Unregister(FShowId);
  Activate(QStringLiteral("show"));
  Activate(QStringLiteral("quit"));
  ASSERT_TRUE(WaitUntil([&] { return FPresses.size() >= 3; }));
  EXPECT_EQ(FPresses.back(), FQuitId);
}

// The same combinations registered again bind nothing new; changed ones are bound in a new
// session, the old one closed.
TEST_F(WaylandHotkeys, ChangedCombinationsAreBoundAgainInANewSession) {
  ASSERT_NO_FATAL_FAILURE(StartPortal(0));
  RegisterBoth(MakeShortCut(VkC, scAlt), MakeShortCut(VkQ, scCtrl | scAlt));
  ASSERT_TRUE(WaitUntil([&] { return FLog.size() == 1; }, std::chrono::seconds(10)));

  const THotKeyCombo Same = SplitShortCut(MakeShortCut(VkC, scAlt));
  FHotkeys->Unregister(FShowId);
  ASSERT_TRUE(FHotkeys->Register(FShowId, Same.Modifiers, Same.Key));
  const THotKeyCombo Changed = SplitShortCut(MakeShortCut('V', scCtrl | scShift));
  FHotkeys->Unregister(FQuitId);
  ASSERT_TRUE(FHotkeys->Register(FQuitId, Changed.Modifiers, Changed.Key));
  ASSERT_TRUE(WaitUntil([&] { return FLog.size() == 2; }, std::chrono::seconds(10))) << LogText();

  const nlohmann::json Seen = Recorded();
  ASSERT_EQ(Seen["binds"].size(), 2u) << Seen.dump();
  EXPECT_EQ(Seen["binds"][1]["shortcuts"][1]["preferred_trigger"], "CTRL+SHIFT+v");
  ASSERT_EQ(Seen["sessions"].size(), 2u) << Seen.dump();
  EXPECT_EQ(Seen["binds"][1]["session"], Seen["sessions"][1]);
  EXPECT_TRUE(WaitUntil([&] { return Recorded()["closed"] == nlohmann::json::array({Seen["sessions"][0]}); }));
}

// Without the portal, or when the desktop does not bind, the log says once what to bind.
struct TUnbound {
  const char* Name;
  int Response; // -1: no portal on the bus
  const char* Why;
};

class WaylandHotkeysUnbound : public WaylandHotkeys, public ::testing::WithParamInterface<TUnbound> {};

TEST_P(WaylandHotkeysUnbound, TheLogSaysOnceWhatToBind) {
  if (GetParam().Response >= 0) {
    ASSERT_NO_FATAL_FAILURE(StartPortal(GetParam().Response));
  }
  RegisterBoth(MakeShortCut(VkC, scAlt), MakeShortCut(VkQ, scCtrl | scAlt));
  ASSERT_TRUE(WaitUntil([&] { return !FLog.empty(); }, std::chrono::seconds(10)));
  const std::string Line = LogText();
  const std::string Start = std::string("Wayland session: hotkeys are the desktop's key bindings (") + GetParam().Why;
  const std::string End = "); bind Alt+C to \"vellomarch --show\", Ctrl+Alt+Q to \"vellomarch --quit\"\n";
  EXPECT_EQ(Line.rfind(Start, 0), 0u) << Line;
  EXPECT_TRUE(Line.size() > End.size() && Line.compare(Line.size() - End.size(), End.size(), End) == 0) << Line;

  // Registered once more (around the settings dialog), the same combinations are not told again:
  // the announcement runs from the event loop, and asks the portal on this same connection, ahead
  // of the call below.
  FHotkeys->Unregister(FShowId);
  const THotKeyCombo Show = SplitShortCut(MakeShortCut(VkC, scAlt));
  ASSERT_TRUE(FHotkeys->Register(FShowId, Show.Modifiers, Show.Key));
  QCoreApplication::processEvents();
  if (GetParam().Response >= 0) {
    Activate(QStringLiteral("none"));
    EXPECT_EQ(Recorded()["sessions"].size(), 1u) << Recorded().dump();
    EXPECT_EQ(Recorded()["binds"].size(), 1u) << Recorded().dump();
  }
  EXPECT_EQ(FLog.size(), 1u) << LogText();
}

INSTANTIATE_TEST_SUITE_P(Cases, WaylandHotkeysUnbound,
                         ::testing::Values(TUnbound{"NoPortal", -1, "no GlobalShortcuts portal"},
                                           TUnbound{"CancelledByTheUser", 1, "the desktop's dialog was cancelled"},
                                           TUnbound{"Refused", 2, "the desktop refused (response 2)"}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

} // namespace
} // namespace vm
