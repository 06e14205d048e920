// The real program as a native Wayland client of a real headless sway: the desktop binds the keys
// (Alt+C and Ctrl+Alt+Q run `vellomarch --show` and `vellomarch --quit`), the program shows its
// popup and ends through them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "sway_session.h"

namespace vm::e2e {
namespace {

const std::string PopupTitle = "Vellomarch Ver1.2.0.0";

class TWaylandE2E : public ::testing::Test {
protected:
  void SetUp() override {
    // The program is built with the sanitizers in the test build; leaks of system libraries are
    // not its own.
    setenv("LSAN_OPTIONS", "suppressions=" VELLOMARCH_E2E_LSAN_SUPPRESSIONS ":print_suppressions=0", 1);
    // Full stacks, so that the suppression of Qt's Wayland plugin sees the plugin in them.
    setenv("ASAN_OPTIONS", "fast_unwind_on_malloc=0", 1);
    FSession = std::make_unique<TSwaySession>();
    FAppFolder = FSession->UserFolder("app");
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

  nlohmann::json History() {
    const TRunResult R = FSession->Run({FInspect.string(), DataFolder().string()});
    return R.ExitCode == 0 ? nlohmann::json::parse(R.Out, nullptr, false) : nlohmann::json();
  }

  std::unique_ptr<TSwaySession> FSession;
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
}

} // namespace
} // namespace vm::e2e
