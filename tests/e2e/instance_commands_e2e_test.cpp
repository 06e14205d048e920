// `vellomarch --show` and `vellomarch --quit`: the commands a desktop's own key bindings run. With
// the program running they act on it and end at once; without it --show starts it with the popup
// open and --quit says that nothing runs.
#include "e2e_fixture.h"

namespace vm::e2e {
namespace {

class TInstanceCommandsE2E : public TE2ETest {
protected:
  TRunResult RunProgramWith(const std::vector<std::string>& AArguments) {
    std::vector<std::string> Argv{ProgramPath().string()};
    Argv.insert(Argv.end(), AArguments.begin(), AArguments.end());
    return RunCommand(Argv, 20000ms);
  }

  unsigned long WaitPopupShown() {
    std::vector<unsigned long> Windows;
    EXPECT_TRUE(WaitUntil([&] { return !(Windows = VisibleWindows(PopupTitle)).empty(); }, 15000ms))
        << "the popup did not appear";
    return Windows.empty() ? 0 : Windows.front();
  }
};

TEST_F(TInstanceCommandsE2E, ShowOpensTheRunningProgramsPopupAndEnterPastesWhereTheUserWas) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const unsigned long Target = StartTarget();
  ASSERT_NE(Target, 0u);
  CopyTextAndWait("コマンドで開いた");

  const TRunResult Show = RunProgramWith({"--show"});
  EXPECT_EQ(Show.ExitCode, 0);
  const unsigned long Popup = WaitPopupShown();
  ASSERT_NE(Popup, 0u);
  EXPECT_TRUE(WaitUntil([&] { return ActiveWindow() == Popup; }, 5000ms)) << "the popup did not take the focus";

  Key("Return");
  EXPECT_TRUE(WaitForTargetText("コマンドで開いた"));
  EXPECT_TRUE(WaitPopupHidden());
  EXPECT_TRUE(Program().Running());
  EXPECT_TRUE(VisibleWindows("エラー").empty()) << "a command must not meet the second-start message";
}

TEST_F(TInstanceCommandsE2E, QuitEndsTheRunningProgramWithTheHistorySaved) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  CopyTextAndWait("終了コマンドの前");
  const TRunResult Quit = RunProgramWith({"--quit"});
  EXPECT_EQ(Quit.ExitCode, 0);

  const auto ExitCode = Program().WaitExit(15000ms);
  ASSERT_TRUE(ExitCode.has_value()) << "--quit did not end the running program";
  EXPECT_EQ(*ExitCode, 0);
  const auto Saved = History();
  ASSERT_TRUE(Saved);
  EXPECT_EQ(*Saved, std::vector<TEntry>{TextEntry("終了コマンドの前")});
}

TEST_F(TInstanceCommandsE2E, QuitWithNothingRunningSaysSoAndMakesNothing) {
  const TRunResult Quit = RunProgramWith({"--quit"});
  EXPECT_EQ(Quit.ExitCode, 0);
  EXPECT_NE(Quit.Out.find("起動していません"), std::string::npos) << Quit.Out;
  EXPECT_FALSE(fs::exists(DataFolder()));
}

TEST_F(TInstanceCommandsE2E, ShowWithNothingRunningStartsTheProgramWithThePopupOpen) {
  TChild Started = TChild::Start({ProgramPath().string(), "--show"}, Root() / "show.log", -1, AppFolder());
  ASSERT_NE(WaitPopupShown(), 0u);
  EXPECT_TRUE(Started.Running());
  Key("Escape");
  EXPECT_TRUE(WaitPopupHidden());

  // It is the running program now: a second --show reaches it, --quit ends it.
  EXPECT_EQ(RunProgramWith({"--show"}).ExitCode, 0);
  ASSERT_NE(WaitPopupShown(), 0u);
  EXPECT_EQ(RunProgramWith({"--quit"}).ExitCode, 0);
  const auto ExitCode = Started.WaitExit(15000ms);
  ASSERT_TRUE(ExitCode.has_value()) << "--quit did not end the program that --show started";
  EXPECT_EQ(*ExitCode, 0);
}

TEST_F(TInstanceCommandsE2E, AnUnknownArgumentIsRefusedWhetherOrNotTheProgramRuns) {
  const std::vector<std::vector<std::string>> Refused{{"--shwo"}, {"--show", "--quit"}, {"--quit", "extra"}};
  for (const bool Running : {false, true}) {
    if (Running) {
      ASSERT_NO_FATAL_FAILURE(StartProgram());
    }
    for (const auto& Arguments : Refused) {
      SCOPED_TRACE((Running ? "running: " : "not running: ") + Arguments.front());
      EXPECT_EQ(RunProgramWith(Arguments).ExitCode, 2);
    }
  }
  EXPECT_TRUE(Program().Running());
  EXPECT_TRUE(VisibleWindows(PopupTitle).empty());
}

} // namespace
} // namespace vm::e2e
