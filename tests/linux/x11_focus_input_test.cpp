#include "platform/linux/x11_focus_input.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QWindow>

#include <memory>
#include <string>

#include "support/text.h"
#include "x11_test_environment.h"

namespace vm {
namespace {

using test::RunProcess;
using test::TX11TestEnvironment;
using test::WaitUntil;
using test::XclipPut;

constexpr std::uint16_t VkControl = 0x11, VkV = 0x56;
const std::vector<TKeyRecord> CtrlV{{VkControl, false}, {VkV, false}, {VkV, true}, {VkControl, true}};

// A window of the test's own with a line edit, as the user's editor would be.
class TTarget {
public:
  explicit TTarget(const char* ATitle, Qt::WindowFlags AFlags = Qt::Window) {
    FEdit.setWindowFlags(AFlags);
    FEdit.setWindowTitle(QString::fromUtf8(ATitle));
    FEdit.resize(240, 40);
  }
  bool Show() {
    FEdit.show();
    return WaitUntil([&] { return FEdit.windowHandle() && FEdit.windowHandle()->isExposed(); });
  }
  TWindowHandle Handle() const { return static_cast<TWindowHandle>(FEdit.winId()); }
  QLineEdit& Edit() { return FEdit; }

private:
  QLineEdit FEdit;
};

// Runs with openbox (true) and without a window manager (false).
class X11FocusInput : public ::testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    TX11TestEnvironment& Environment = TX11TestEnvironment::Instance();
    Environment.App();
    if (GetParam())
      Environment.StartWindowManager();
    else
      Environment.StopWindowManager();
    FFocus = std::make_unique<TX11FocusInput>(std::chrono::seconds(2));
  }

  // Makes the window active the way the user would: by the window manager, or without one by
  // giving it the focus.
  void ActivateWithXdotool(TTarget& ATarget) {
    const std::string Command = GetParam() ? "windowactivate" : "windowfocus";
    ASSERT_EQ(RunProcess({"xdotool", Command, "--sync", std::to_string(ATarget.Handle())}).ExitCode, 0);
    ASSERT_TRUE(WaitUntil([&] { return FFocus->IsActive(ATarget.Handle()); }));
  }

  std::unique_ptr<TX11FocusInput> FFocus;
};

TEST_P(X11FocusInput, ForegroundAndFocusAreTheActiveWindow) {
  EXPECT_EQ(FFocus->HasActiveWindowSupport(), GetParam());
  TTarget First("first"), Second("second");
  ASSERT_TRUE(First.Show());
  ASSERT_TRUE(Second.Show());
  for (TTarget* Target : {&First, &Second, &First}) {
    ActivateWithXdotool(*Target);
    EXPECT_EQ(FFocus->GetForegroundWindow(), Target->Handle());
    EXPECT_EQ(FFocus->GetFocus(), Target->Handle());
  }
}

TEST_P(X11FocusInput, ReturnActivationWaitsUntilTheWindowIsActive) {
  TTarget Target("target"), Other("other");
  ASSERT_TRUE(Target.Show());
  ASSERT_TRUE(Other.Show());
  ActivateWithXdotool(Target);
  ActivateWithXdotool(Other);
  FFocus->ReturnActivation(Target.Handle());
  // No event processing in between: the window is active when the call returns.
  EXPECT_TRUE(FFocus->IsActive(Target.Handle()));
  EXPECT_EQ(FFocus->GetForegroundWindow(), Target.Handle());
}

TEST_P(X11FocusInput, SetForegroundWindowActivatesAWindowJustShown) {
  TTarget Target("target");
  ASSERT_TRUE(Target.Show());
  ActivateWithXdotool(Target);
  // The popup: shown and at once made the foreground window, before it is even mapped.
  TTarget Popup("popup", Qt::Tool);
  Popup.Edit().show();
  EXPECT_TRUE(FFocus->SetForegroundWindow(Popup.Handle()));
  EXPECT_TRUE(WaitUntil([&] { return FFocus->GetForegroundWindow() == Popup.Handle(); }));
  EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == &Popup.Edit(); }));
}

TEST_P(X11FocusInput, SendInputCtrlVPastesTheClipboard) {
  XclipPut("UTF8_STRING", Utf16ToUtf8(u"貼り付けた文 📁"));
  TTarget Target("paste target");
  ASSERT_TRUE(Target.Show());
  ActivateWithXdotool(Target);
  FFocus->SendInput(CtrlV);
  EXPECT_TRUE(WaitUntil([&] { return Target.Edit().text() == QString::fromUtf8("貼り付けた文 📁"); }))
      << Target.Edit().text().toStdString();
}

// What the paste-back does: capture the target, let the popup take the foreground, hide it,
// give the focus back, return the activation and send Ctrl+V.
TEST_P(X11FocusInput, PasteGoesBackToTheWindowTheUserCameFrom) {
  XclipPut("UTF8_STRING", "from the history");
  TTarget Target("editor");
  ASSERT_TRUE(Target.Show());
  ActivateWithXdotool(Target);
  const TWindowHandle ActiveWnd = FFocus->GetForegroundWindow();
  const TWindowHandle FocusWnd = FFocus->GetFocus();
  ASSERT_EQ(ActiveWnd, Target.Handle());

  TTarget Popup("popup", Qt::Tool);
  Popup.Edit().show();
  FFocus->SetForegroundWindow(Popup.Handle());
  ASSERT_TRUE(WaitUntil([&] { return FFocus->IsActive(Popup.Handle()); }));
  Popup.Edit().hide();

  if (FFocus->GetFocus() != FocusWnd) FFocus->SetFocus(FocusWnd);
  FFocus->ReturnActivation(ActiveWnd);
  EXPECT_TRUE(FFocus->IsActive(ActiveWnd));
  FFocus->SendInput(CtrlV);
  EXPECT_TRUE(WaitUntil([&] { return Target.Edit().text() == "from the history"; }))
      << Target.Edit().text().toStdString();
  EXPECT_TRUE(Popup.Edit().text().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Desktop, X11FocusInput, ::testing::Values(true, false),
                         [](const auto& AInfo) { return AInfo.param ? "Openbox" : "NoWindowManager"; });

// A window manager that ended leaves its properties on the root window; they are not believed.
TEST(X11FocusInputWindowManager, ADeadWindowManagerIsNotAsked) {
  TX11TestEnvironment& Environment = TX11TestEnvironment::Instance();
  Environment.App();
  Environment.StartWindowManager();
  TX11FocusInput Focus;
  EXPECT_TRUE(Focus.HasActiveWindowSupport());
  Environment.StopWindowManager();
  EXPECT_FALSE(Focus.HasActiveWindowSupport());
}

} // namespace
} // namespace vm
