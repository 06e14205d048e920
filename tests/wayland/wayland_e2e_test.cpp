// The real program as a native Wayland client of a real headless sway: the desktop binds the keys
// (Alt+C and Ctrl+Alt+Q run `vellomarch --show` and `vellomarch --quit`), the program shows its
// popup and ends through them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "e2e_fixture.h"
#include "sway_session.h"

namespace vm::e2e {
namespace {

class TWaylandE2E : public ::testing::Test {
protected:
  void SetUp() override {
    // Full stacks, so that the suppression of Qt's Wayland plugin sees the plugin in them.
    setenv("ASAN_OPTIONS", "fast_unwind_on_malloc=0", 1);
    FSession = std::make_unique<TSwaySession>();
    FAppFolder = FSession->UserFolder("app");
    // The program is built with the sanitizers in the test build; leaks of system libraries are
    // not its own. The suppressions go beside it: the session's user may not read the checkout.
    const fs::path Suppressions = FSession->InstallProgram(VELLOMARCH_E2E_LSAN_SUPPRESSIONS, FAppFolder);
    setenv("LSAN_OPTIONS", ("suppressions=" + Suppressions.string() + ":print_suppressions=0").c_str(), 1);
    const fs::path Program = FSession->InstallProgram(VELLOMARCH_E2E_PROGRAM, FAppFolder);
    const std::string Failure = FSession->Launch({
        "bindsym Mod1+c exec " + Program.string() + " --show",
        "bindsym Ctrl+Mod1+q exec " + Program.string() + " --quit",
    });
    if (!Failure.empty()) GTEST_SKIP() << "no headless sway on this machine: " << Failure;
    FInspect = FSession->InstallProgram(VELLOMARCH_E2E_HISTORY_INSPECT, FSession->UserFolder("tools"));
  }

  void TearDown() override {
    if (!FSession) return;
    FProgram.Stop(10000ms);
    FTarget.Stop();
    const std::string Output = ReadFile(Log());
    for (const char* Finding : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"})
      if (Output.find(Finding) != std::string::npos) ADD_FAILURE() << "the program's output reports \"" << Finding << "\"";
    if (HasFailure())
      std::cerr << "--- program output\n" << Output << "--- log\n" << ProgramLog() << "--- sway\n" << FSession->SwayLog();
  }

  fs::path ProgramPath() const { return FAppFolder / "vellomarch"; }
  fs::path DataFolder() const { return FAppFolder / "Vellomarch"; }
  fs::path Log() const { return FAppFolder.parent_path() / "vellomarch.log"; }

  std::string ProgramLog() const {
    std::string Text;
    std::error_code Ec;
    for (const auto& File : fs::directory_iterator(DataFolder() / "Log", Ec)) Text += ReadFile(File.path());
    return Text;
  }

  // Starts the program and waits until it takes commands: its channel is made after start-up.
  void StartProgram() {
    FProgram = FSession->Start({ProgramPath().string()}, Log(), FAppFolder);
    const fs::path Channel = FAppFolder.parent_path() / "runtime" / "Vellomarch_byDrun.sock";
    ASSERT_TRUE(WaitUntil([&] { return !FProgram.Running() || fs::exists(Channel); }, 30000ms, 50ms))
        << "the program never listened for commands";
    ASSERT_TRUE(FProgram.Running()) << "the program ended at start";
  }

  std::optional<nlohmann::json> WaitPopup(bool AShown) {
    std::optional<nlohmann::json> Popup;
    WaitUntil([&] { return (Popup = FSession->VisibleWindow(PopupTitle)).has_value() == AShown; }, 15000ms, 50ms);
    return Popup;
  }

  // Waits until the saved history's first entry satisfies ACondition; the history as last read.
  nlohmann::json WaitForTopEntry(const std::function<bool(const nlohmann::json&)>& ACondition) {
    nlohmann::json Saved;
    WaitUntil([&] { return (Saved = History()).is_array() && !Saved.empty() && ACondition(Saved[0]); }, 10000ms, 50ms);
    return Saved;
  }

  nlohmann::json History() {
    const TRunResult R = FSession->Run({FInspect.string(), DataFolder().string()});
    return R.ExitCode == 0 ? nlohmann::json::parse(R.Out, nullptr, false) : nlohmann::json();
  }

  // The tests' own Qt line edit as a native Wayland window, focused; it reports its text to a file.
  void StartTarget() {
    FTargetReport = FSession->UserFolder("target") / "text.txt";
    const fs::path Target = FSession->InstallProgram(VELLOMARCH_E2E_TARGET_APP, FSession->UserFolder("target"));
    FTarget = FSession->Start({"env", "QT_QPA_PLATFORM=wayland", Target.string(), FTargetReport.string()},
                              FAppFolder.parent_path() / "target.log");
    std::optional<nlohmann::json> Window;
    ASSERT_TRUE(WaitUntil([&] { return (Window = FSession->VisibleWindow(TargetTitle)) && Window->value("focused", false); },
                          15000ms, 50ms))
        << "the target did not appear focused";
  }

  std::string TargetText() const { return ReadFile(FTargetReport); }

  std::unique_ptr<TSwaySession> FSession;
  fs::path FTargetReport;
  TChild FTarget;
  fs::path FAppFolder, FInspect;
  TChild FProgram;
};

TEST_F(TWaylandE2E, TheDesktopsBindingsShowThePopupFocusedAndQuitWithTheHistorySaved) {
  fs::create_directories(DataFolder());
  WriteFile(DataFolder() / "VellomarchData.txt", "\xEF\xBB\xBF" "束縛から\r\n");
  fs::permissions(DataFolder(), fs::perms::all);
  fs::permissions(DataFolder() / "VellomarchData.txt", fs::perms::all);
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  EXPECT_EQ(ProgramLog().find("Wayland session without data-control"), std::string::npos)
      << "sway offers data-control: the program must not fall back to XWayland";
  // No client grabs keys here: no failed registration is logged, but once what to bind.
  EXPECT_TRUE(WaitUntil([&] { return ProgramLog().find("hotkeys are the desktop's key bindings") != std::string::npos; },
                        10000ms))
      << ProgramLog();
  EXPECT_NE(ProgramLog().find("bind Alt+C to \"vellomarch --show\", Ctrl+Alt+Q to \"vellomarch --quit\""),
            std::string::npos)
      << ProgramLog();
  EXPECT_EQ(ProgramLog().find("RegisterHotKey"), std::string::npos) << ProgramLog();

  FSession->Keys({"-M", "alt", "-k", "c", "-m", "alt"});
  const auto Popup = WaitPopup(true);
  ASSERT_TRUE(Popup) << "Alt+C (sway's binding to --show) did not show the popup";
  EXPECT_TRUE(Popup->value("focused", false)) << Popup->dump();
  EXPECT_EQ(Popup->value("app_id", nlohmann::json()), "vellomarch") << "not a native Wayland window: " << Popup->dump();
  EXPECT_EQ(Popup->value("type", std::string()), "floating_con") << Popup->dump();

  FSession->Keys({"-k", "Escape"});
  EXPECT_FALSE(WaitPopup(false)) << "Esc did not hide the popup";

  FSession->Keys({"-M", "ctrl", "-M", "alt", "-k", "q", "-m", "alt", "-m", "ctrl"});
  const auto ExitCode = FProgram.WaitExit(15000ms);
  ASSERT_TRUE(ExitCode.has_value()) << "Ctrl+Alt+Q (sway's binding to --quit) did not end the program";
  EXPECT_EQ(*ExitCode, 0);
  const nlohmann::json Saved = History();
  ASSERT_TRUE(Saved.is_array()) << "no readable history file";
  ASSERT_EQ(Saved.size(), 1u) << Saved.dump();
  EXPECT_EQ(Saved[0].value("x", std::string()), "束縛から");
  const std::string Log = ProgramLog();
  EXPECT_EQ(Log.find("key bindings"), Log.rfind("key bindings")) << "told more than once: " << Log;
}

TEST_F(TWaylandE2E, TextsAndImagesCopiedByWaylandProgramsAreRecorded) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());

  const struct {
    const char* Name;
    std::string Text;
  } Texts[] = {{"Japanese", "ウェイランドで写した文"}, {"two lines", "一行目\n二行目"}, {"emoji", "📌 ピン"}};
  for (const auto& Case : Texts) {
    SCOPED_TRACE(Case.Name);
    FSession->Run({"wl-copy", "--", Case.Text});
    const std::string& Expected = Case.Text;
    const nlohmann::json Saved = WaitForTopEntry([&](const nlohmann::json& E) { return E.value("x", std::string()) == Expected; });
    ASSERT_TRUE(Saved.is_array() && !Saved.empty() && Saved[0].value("x", std::string()) == Expected) << Saved.dump();
    EXPECT_EQ(Saved[0].value("t", -1), 0);
  }

  // Offered as PNG only, as a screenshot tool offers it.
  FSession->Run({"wl-copy", "--type", "image/png"}, 10000ms, MakePng(40, 30, 0xFF0000, 0x0000FF));
  const nlohmann::json Saved = WaitForTopEntry([](const nlohmann::json& E) { return E.value("t", -1) == 1; });
  ASSERT_TRUE(Saved.is_array() && !Saved.empty()) << Saved.dump();
  ASSERT_EQ(Saved[0].value("t", -1), 1) << Saved.dump();
  EXPECT_TRUE(fs::exists(DataFolder() / "Images" / Saved[0].value("i", std::string())));

  const fs::path Folder = FSession->UserFolder("files");
  FSession->Run({"wl-copy", "--type", "text/uri-list"}, 10000ms,
                FileUri(Folder / "資料 1.txt") + "\r\n" + FileUri(Folder / "100%#a.txt") + "\r\n");
  const nlohmann::json Files = WaitForTopEntry([](const nlohmann::json& E) { return E.value("t", -1) == 2; });
  ASSERT_TRUE(Files.is_array() && !Files.empty()) << Files.dump();
  EXPECT_EQ(Files[0].value("x", std::string()), (Folder / "資料 1.txt").string() + "\r\n" + (Folder / "100%#a.txt").string());
  EXPECT_EQ(Files.size(), 5u) << Files.dump();
  EXPECT_TRUE(FProgram.Running());
}

// Enter writes the entry to the clipboard as the program's own write: it is not recorded again,
// and every Wayland program now pastes it.
TEST_F(TWaylandE2E, EnterPutsTheChosenEntryOnTheClipboardWithoutRecordingItAgain) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  FSession->Run({"wl-copy", "--", "古いほう"});
  WaitForTopEntry([](const nlohmann::json& E) { return E.value("x", std::string()) == "古いほう"; });
  FSession->Run({"wl-copy", "--", "新しいほう"});
  WaitForTopEntry([](const nlohmann::json& E) { return E.value("x", std::string()) == "新しいほう"; });

  FSession->Keys({"-M", "alt", "-k", "c", "-m", "alt"});
  ASSERT_TRUE(WaitPopup(true)) << "Alt+C did not show the popup";
  FSession->Keys({"-k", "Down", "-k", "Return"});
  EXPECT_FALSE(WaitPopup(false)) << "Enter did not hide the popup";

  const nlohmann::json Saved = WaitForTopEntry([](const nlohmann::json& E) { return E.value("x", std::string()) == "古いほう"; });
  ASSERT_EQ(Saved.size(), 2u) << Saved.dump();
  EXPECT_EQ(Saved[1].value("x", std::string()), "新しいほう");
  EXPECT_TRUE(WaitUntil([&] { return FSession->Run({"wl-paste", "--no-newline"}).Out == "古いほう"; }, 5000ms));
  EXPECT_EQ(ProgramLog().find("Capture error"), std::string::npos) << ProgramLog();
}

// Typing filters the list; Enter hides the popup, the compositor gives the focus back to the
// line edit, and the virtual keyboard's Ctrl+V pastes the entry there.
TEST_F(TWaylandE2E, TypingFiltersAndEnterPastesIntoTheWaylandWindowTheUserCameFrom) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  for (const char* Text : {"apple pie", "日本語 cherry", "banana split"}) {
    FSession->Run({"wl-copy", "--", Text});
    WaitForTopEntry([&](const nlohmann::json& E) { return E.value("x", std::string()) == Text; });
  }
  ASSERT_NO_FATAL_FAILURE(StartTarget());

  FSession->Keys({"-M", "alt", "-k", "c", "-m", "alt"});
  ASSERT_TRUE(WaitPopup(true)) << "Alt+C did not show the popup";
  FSession->Keys({"cherry"});
  FSession->Keys({"-k", "Return"});
  EXPECT_TRUE(WaitUntil([&] { return TargetText() == "日本語 cherry"; }, 10000ms)) << "the target holds: " << TargetText();
  EXPECT_FALSE(WaitPopup(false));
  const auto Target = FSession->VisibleWindow(TargetTitle);
  ASSERT_TRUE(Target);
  EXPECT_TRUE(Target->value("focused", false)) << "the focus did not return to the target";
  EXPECT_EQ(ProgramLog().find("Paste not sent"), std::string::npos) << ProgramLog();
}

// A password manager's copy (its text beside the mark "secret") is not recorded; an owner that
// never sends what it offers costs one "Capture error: " line after a bounded wait, and the
// program goes on recording.
TEST_F(TWaylandE2E, SecretCopiesAreSkippedAndASilentOwnerDoesNotStopTheProgram) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const fs::path Owner = FSession->InstallProgram(VELLOMARCH_WL_CLIP_OWNER, FSession->UserFolder("tools"));
  const fs::path Logs = FAppFolder.parent_path();

  TChild Secret = FSession->Start({Owner.string(), "text/plain;charset=utf-8", "秘密の合言葉",
                                   "x-kde-passwordManagerHint", "secret"}, Logs / "secret.log");
  EXPECT_TRUE(WaitUntil([&] { return FSession->Run({"wl-paste", "--no-newline"}).Out == "秘密の合言葉"; }, 10000ms));
  TChild Silent = FSession->Start({Owner.string(), "text/plain;charset=utf-8", "@silent"}, Logs / "silent.log");
  EXPECT_TRUE(WaitUntil([&] { return ProgramLog().find("Capture error: ") != std::string::npos; }, 20000ms))
      << ProgramLog();

  FSession->Run({"wl-copy", "--", "黙る相手のあと"});
  const nlohmann::json Saved =
      WaitForTopEntry([](const nlohmann::json& E) { return E.value("x", std::string()) == "黙る相手のあと"; });
  ASSERT_TRUE(Saved.is_array());
  EXPECT_EQ(Saved.size(), 1u) << "the secret or the silent copy was recorded: " << Saved.dump();
  EXPECT_TRUE(FProgram.Running());
}

} // namespace
} // namespace vm::e2e
