// The history key in the desktop's keyring: the real program on the private X desktop of the
// end-to-end tests, in a D-Bus session of its own whose Secret Service is GNOME Keyring, unlocked
// by a test password (tests/keyring/with-keyring runs each test so). secret-tool looks into the
// keyring as a user would.
#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e_fixture.h"

namespace vm::e2e {
namespace {

// Taken before the virtual desktop clears the variable for the other end-to-end tests.
const std::string SessionBus = [] {
  const char* Address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  return std::string(Address ? Address : "");
}();

const std::vector<std::string> KeyAttributes{"application", "vellomarch", "kind", "history-key"};

class TKeyringE2E : public TE2ETest {
protected:
  void SetUp() override {
    TE2ETest::SetUp();
    ASSERT_FALSE(SessionBus.empty()) << "no session bus: run this test through tests/keyring/with-keyring";
    WithKeyring();
  }

  // The program and the tools it runs find the session's keyring, or no session bus at all.
  void WithKeyring() { setenv("DBUS_SESSION_BUS_ADDRESS", SessionBus.c_str(), 1); }
  void WithoutSessionBus() {
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (Root() / "no-bus").string()).c_str(), 1);
  }

  fs::path KeyFile() const { return Root() / "user" / "config" / "vellomarch" / "VellomarchHistory.key"; }
  fs::path HistoryFile() const { return DataFolder() / "VellomarchData.dat"; }

  // The key as secret-tool reads it from the keyring (Base64); empty when there is none.
  std::string KeyringKey() {
    std::vector<std::string> Argv{"secret-tool", "lookup"};
    Argv.insert(Argv.end(), KeyAttributes.begin(), KeyAttributes.end());
    return RunCommand(Argv, 10000ms).Out;
  }
  std::string KeyringItems() {
    std::vector<std::string> Argv{"secret-tool", "search", "--all"};
    Argv.insert(Argv.end(), KeyAttributes.begin(), KeyAttributes.end());
    const TRunResult R = RunCommand(Argv, 10000ms);
    return R.Out;
  }

  void Quit() {
    Key("ctrl+alt+q");
    ASSERT_TRUE(Program().WaitExit(15000ms).has_value()) << "Ctrl+Alt+Q did not end the program";
  }

  // A run of the program that records ATexts and ends, leaving the history file behind.
  void RecordAndQuit(const std::vector<std::string>& ATexts) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    for (const std::string& Text : ATexts) CopyTextAndWait(Text);
    ASSERT_NO_FATAL_FAILURE(Quit());
  }

  std::string Base64(const std::string& ABytes) {
    const fs::path File = Root() / "key.bin";
    WriteFile(File, ABytes);
    return RunCommand({"base64", "-w0", File.string()}).Out;
  }
};

// A first start with a keyring: the key is made and stored there, one item with its label and
// attributes, and no key file is written; the history is protected with it and read by the next
// start.
TEST_F(TKeyringE2E, ANewInstallKeepsTheKeyInTheKeyringAndTheNextStartReadsTheHistory) {
  ASSERT_NO_FATAL_FAILURE(RecordAndQuit({"first", "second"}));
  EXPECT_FALSE(fs::exists(KeyFile()));
  EXPECT_FALSE(fs::exists(KeyFile().parent_path()));
  const std::string Key = KeyringKey();
  EXPECT_EQ(Key.size(), 44u) << "not 32 bytes in Base64: " << Key;
  const std::string Items = KeyringItems();
  EXPECT_NE(Items.find("label = Vellomarch history key"), std::string::npos) << Items;
  EXPECT_EQ(Items.find("[/", Items.find("[/") + 1), std::string::npos) << "more than one item:\n" << Items;
  const std::string Stored = ReadFile(HistoryFile());
  ASSERT_FALSE(Stored.empty());
  EXPECT_EQ(Stored[0], '\x02') << "not protected with the keyring's key";

  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const auto H = CopyTextAndWait("third");
  EXPECT_EQ(H, (std::vector<TEntry>{TextEntry("third"), TextEntry("second"), TextEntry("first")}));
  EXPECT_EQ(KeyringKey(), Key);
  EXPECT_FALSE(fs::exists(KeyFile()));
  for (const std::string& Line : LogLines()) EXPECT_FALSE(Line.starts_with("History ")) << Line;
}

// A user of the key file starts where a keyring is reachable: the key is moved into it (the same
// key, so the history saved under it still opens), and only then is the key file removed.
TEST_F(TKeyringE2E, AKeyFileIsMovedIntoTheKeyringAndRemoved) {
  WithoutSessionBus();
  ASSERT_NO_FATAL_FAILURE(RecordAndQuit({"under the key file"}));
  const std::string FileKey = ReadFile(KeyFile());
  ASSERT_EQ(FileKey.size(), 32u);
  ASSERT_EQ(ReadFile(HistoryFile())[0], '\x01');
  WithKeyring();
  ASSERT_EQ(KeyringKey(), "");

  ASSERT_NO_FATAL_FAILURE(StartProgram());
  EXPECT_TRUE(WaitForLogLine("History key moved from the key file \"" + KeyFile().string() +
                             "\" into the desktop's keyring"));
  EXPECT_FALSE(fs::exists(KeyFile()));
  EXPECT_EQ(KeyringKey(), Base64(FileKey));
  const auto H = CopyTextAndWait("under the keyring");
  EXPECT_EQ(H, (std::vector<TEntry>{TextEntry("under the keyring"), TextEntry("under the key file")}));
  EXPECT_EQ(ReadFile(HistoryFile())[0], '\x02');
}

// The keyring out of reach (no session bus) with a history protected by its key: the program runs
// with an empty list, says why and what to do, never replaces the file nor makes a key file, and
// the next start with the keyring finds the history as it was.
TEST_F(TKeyringE2E, WithoutASessionBusAKeyringKeyedHistoryIsLeftAsItIs) {
  ASSERT_NO_FATAL_FAILURE(RecordAndQuit({"kept in the keyring"}));
  const std::string Before = ReadFile(HistoryFile());

  WithoutSessionBus();
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  EXPECT_TRUE(WaitForLogLine("History key kept in the key file \"" + KeyFile().string() +
                             "\": the desktop's keyring (Secret Service) cannot be reached: "));
  EXPECT_TRUE(WaitForLogLine("History load failed: CryptUnprotectData failed: The history file was protected with "
                             "the key kept in the desktop's keyring, which cannot be reached ("));
  const std::string Refused = "History save failed: the history file was not read at start-up and is left as it is";
  CopyText("while the keyring is away");
  EXPECT_TRUE(WaitForLogLine(Refused)) << "the copy's save was not refused";
  ShowPopupByHotkey();
  Key("Escape");
  EXPECT_TRUE(WaitPopupHidden());
  ASSERT_NO_FATAL_FAILURE(Quit());
  EXPECT_EQ(ReadFile(HistoryFile()), Before);
  EXPECT_FALSE(fs::exists(DataFolder() / "VellomarchData.dat.broken"));
  EXPECT_FALSE(fs::exists(KeyFile()));

  WithKeyring();
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const auto H = CopyTextAndWait("the keyring is back");
  EXPECT_EQ(H, (std::vector<TEntry>{TextEntry("the keyring is back"), TextEntry("kept in the keyring")}));
}

// A keyring daemon that hangs (it holds the Secret Service's name and answers nothing) delays the
// start by the bounded wait only: the program then goes on with the key file, says why, and
// records.
TEST_F(TKeyringE2E, AKeyringThatNeverAnswersDelaysTheStartOnlyByTheBoundedWait) {
  // A session bus of this test's own, where the silent service takes the keyring's name.
  TChild Bus = TChild::Start({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, Root() / "bus.log");
  std::string Address;
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::string Log = ReadFile(Root() / "bus.log");
        const std::size_t Start = Log.find("unix:");
        const std::size_t End = Log.find('\n', Start);
        if (Start == std::string::npos || End == std::string::npos) return false;
        Address = Log.substr(Start, End - Start);
        return true;
      },
      10000ms))
      << ReadFile(Root() / "bus.log");
  setenv("DBUS_SESSION_BUS_ADDRESS", Address.c_str(), 1);
  TChild Silent = TChild::Start({VELLOMARCH_SILENT_SECRET_SERVICE}, Root() / "silent.log");
  ASSERT_TRUE(WaitUntil([&] { return ReadFile(Root() / "silent.log").find("owner") != std::string::npos; }, 10000ms))
      << ReadFile(Root() / "silent.log");

  ASSERT_NO_FATAL_FAILURE(StartProgram());
  EXPECT_TRUE(WaitForLogLine("History key kept in the key file \"" + KeyFile().string() +
                             "\": the desktop's keyring (Secret Service) cannot be reached: the Secret Service did "
                             "not answer within 10 s"));
  // history_inspect would wait for the silent service too: it reads the key file without a bus.
  WithoutSessionBus();
  const auto H = CopyTextAndWait("recorded all the same");
  EXPECT_EQ(H, std::vector<TEntry>{TextEntry("recorded all the same")});
  EXPECT_EQ(ReadFile(KeyFile()).size(), 32u);
  Program().Stop(10000ms);
  Silent.Stop();
  Bus.Stop();
}

} // namespace
} // namespace vm::e2e
