#include "platform/linux/x11_hotkeys.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QWindow>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "app/shortcut.h"
#include "platform/linux/x11_focus_input.h"
#include "x11_test_environment.h"

namespace {

// Started with VELLOMARCH_TEST_OFFSCREEN=1, this test program is the desktop program on a
// platform without X11: its exit code tells how the X11 services behaved (0: they declined
// cleanly).
[[maybe_unused]] const bool GOffscreenRun = [] {
  if (!std::getenv("VELLOMARCH_TEST_OFFSCREEN")) return false;
  int Argc = 3;
  char Arg0[] = "offscreen", Arg1[] = "-platform", Arg2[] = "offscreen";
  char* Argv[] = {Arg0, Arg1, Arg2, nullptr};
  QApplication App(Argc, Argv);
  vm::TX11Hotkeys Hotkeys;
  vm::TX11FocusInput Focus;
  int Result = 0;
  if (Hotkeys.AddAtom(u"VellomarchHotkeyShow") != 0xC000) Result |= 1;
  if (Hotkeys.Register(0xC000, vm::HotKeyModAlt, 'C')) Result |= 2;
  Hotkeys.Unregister(0xC000);
  if (Focus.GetForegroundWindow() != 0 || Focus.GetFocus() != 0) Result |= 4;
  Focus.SendInput({{0x11, false}, {0x11, true}});
  Focus.ReturnActivation(0x1234);
  ::_exit(Result);
}();

} // namespace

namespace vm {
namespace {

using test::RunProcess;
using test::TX11TestEnvironment;
using test::WaitUntil;

constexpr std::uint32_t VkC = 'C', VkQ = 'Q';

void Keys(const std::string& AKeys) {
  ASSERT_EQ(RunProcess({"xdotool", "key", AKeys}).ExitCode, 0) << AKeys;
}

// Another X client of the test's own: the program that already holds a combination.
class TOtherClient {
public:
  TOtherClient() : FDisplay(XOpenDisplay(TX11TestEnvironment::Instance().DisplayName().c_str())) {}
  ~TOtherClient() {
    if (FDisplay) XCloseDisplay(FDisplay);
  }
  bool Valid() const { return FDisplay != nullptr; }

  // Grabs the combination with each of the lock masks; true when every grab was granted.
  bool Grab(unsigned long AKeySym, unsigned AModifiers, const std::vector<unsigned>& ALocks) {
    Trapped = 0;
    auto* Previous = XSetErrorHandler(Trap);
    for (unsigned Lock : ALocks)
      XGrabKey(FDisplay, XKeysymToKeycode(FDisplay, AKeySym), AModifiers | Lock, DefaultRootWindow(FDisplay), False,
               GrabModeAsync, GrabModeAsync);
    XSync(FDisplay, False);
    XSetErrorHandler(Previous);
    return Trapped == 0;
  }
  void UngrabAll() {
    XUngrabKey(FDisplay, AnyKey, AnyModifier, DefaultRootWindow(FDisplay));
    XSync(FDisplay, False);
  }

private:
  static inline int Trapped = 0;
  static int Trap(Display*, XErrorEvent* AEvent) {
    Trapped = AEvent->error_code;
    return 0;
  }
  Display* FDisplay;
};

const std::vector<unsigned> AllLockVariants{0, LockMask, Mod2Mask, LockMask | Mod2Mask};

class X11Hotkeys : public ::testing::Test {
protected:
  void SetUp() override {
    TX11TestEnvironment::Instance().App();
    FHotkeys = std::make_unique<TX11Hotkeys>([this](int AId) { FPresses.push_back(AId); });
  }
  void TearDown() override {
    FHotkeys.reset();
    SetLocks(0);
  }

  // The keyboard's locked modifiers, switched with real key presses.
  static unsigned Locks() {
    XkbStateRec State{};
    Display* Display = XOpenDisplay(TX11TestEnvironment::Instance().DisplayName().c_str());
    XkbGetState(Display, XkbUseCoreKbd, &State);
    XCloseDisplay(Display);
    return State.locked_mods & (LockMask | Mod2Mask);
  }
  static void SetLocks(unsigned AWanted) {
    const unsigned Now = Locks();
    if ((Now ^ AWanted) & LockMask) Keys("Caps_Lock");
    if ((Now ^ AWanted) & Mod2Mask) Keys("Num_Lock");
    ASSERT_EQ(Locks(), AWanted);
  }

  bool WaitForPresses(std::size_t ACount) {
    return WaitUntil([&] { return FPresses.size() >= ACount; });
  }

  std::unique_ptr<TX11Hotkeys> FHotkeys;
  std::vector<int> FPresses;
};

TEST_F(X11Hotkeys, AtomsAreNumberedPerNameAndCounted) {
  const int Show = FHotkeys->AddAtom(u"VellomarchHotkeyShow");
  const int Quit = FHotkeys->AddAtom(u"VellomarchHotkeyQuit");
  EXPECT_GE(Show, 0xC000);
  EXPECT_LE(Show, 0xFFFF);
  EXPECT_GE(Quit, 0xC000);
  EXPECT_NE(Show, Quit);
  EXPECT_EQ(FHotkeys->AddAtom(u"VellomarchHotkeyShow"), Show);
  EXPECT_EQ(FHotkeys->AddAtom(u""), 0);

  // Added twice, deleted once: still there.
  FHotkeys->DeleteAtom(Show);
  const int Other = FHotkeys->AddAtom(u"Other");
  EXPECT_NE(Other, Show);
  EXPECT_EQ(FHotkeys->AddAtom(u"VellomarchHotkeyShow"), Show);
}

TEST_F(X11Hotkeys, PressReachesTheHandlerWithTheId) {
  const int Id = FHotkeys->AddAtom(u"VellomarchHotkeyShow");
  ASSERT_TRUE(FHotkeys->Register(Id, HotKeyModAlt, VkC));
  Keys("alt+c");
  ASSERT_TRUE(WaitForPresses(1));
  EXPECT_EQ(FPresses, std::vector<int>{Id});
}

class X11HotkeysWithLocks : public X11Hotkeys, public ::testing::WithParamInterface<unsigned> {};

TEST_P(X11HotkeysWithLocks, LocksDoNotHideTheCombination) {
  ASSERT_TRUE(FHotkeys->Register(0xC000, HotKeyModAlt, VkC));
  SetLocks(GetParam());
  Keys("alt+c");
  ASSERT_TRUE(WaitForPresses(1));
  EXPECT_EQ(FPresses, std::vector<int>{0xC000});
}

INSTANTIATE_TEST_SUITE_P(LockStates, X11HotkeysWithLocks,
                         ::testing::Values(0u, unsigned{LockMask}, unsigned{Mod2Mask}, unsigned{LockMask | Mod2Mask}));

TEST_F(X11Hotkeys, OnlyTheExactModifiersMatch) {
  ASSERT_TRUE(FHotkeys->Register(0xC000, HotKeyModAlt, VkC));
  ASSERT_TRUE(FHotkeys->Register(0xC001, HotKeyModControl | HotKeyModAlt, VkQ));
  // Neither of the first two is registered; the presses arrive in order, so had either fired
  // it would come before the last two.
  Keys("alt+q");
  Keys("shift+alt+c");
  Keys("ctrl+alt+q");
  Keys("alt+c");
  ASSERT_TRUE(WaitForPresses(2));
  EXPECT_EQ(FPresses, (std::vector<int>{0xC001, 0xC000}));
}

// A hotkey reaches the program even while one of its own windows has the keyboard focus, and
// the window does not get the key.
TEST_F(X11Hotkeys, PressWhileOwnWindowHasTheFocus) {
  QLineEdit Edit;
  Edit.setWindowTitle("hotkey focus target");
  Edit.show();
  ASSERT_TRUE(WaitUntil([&] { return Edit.windowHandle() && Edit.windowHandle()->isExposed(); }));
  ASSERT_EQ(RunProcess({"xdotool", "windowfocus", "--sync", std::to_string(Edit.winId())}).ExitCode, 0);
  ASSERT_TRUE(WaitUntil([&] { return Edit.hasFocus(); }));
  ASSERT_TRUE(FHotkeys->Register(0xC000, HotKeyModAlt, VkC));
  Keys("alt+c");
  Keys("x");
  ASSERT_TRUE(WaitForPresses(1));
  ASSERT_TRUE(WaitUntil([&] { return Edit.text() == "x"; }));
  EXPECT_EQ(FPresses, std::vector<int>{0xC000});
}

TEST_F(X11Hotkeys, CombinationHeldByAnotherClientFailsAndLeavesNothingGrabbed) {
  TOtherClient Other;
  ASSERT_TRUE(Other.Valid());
  // The other program holds only the Num Lock variant: the variants before it are taken first.
  ASSERT_TRUE(Other.Grab(XK_c, Mod1Mask, {Mod2Mask}));
  EXPECT_FALSE(FHotkeys->Register(0xC000, HotKeyModAlt, VkC));
  Other.UngrabAll();
  EXPECT_TRUE(Other.Grab(XK_c, Mod1Mask, AllLockVariants)) << "a variant stayed grabbed";
  Other.UngrabAll();
  // The failure does not stick: once free, the combination can be had.
  EXPECT_TRUE(FHotkeys->Register(0xC000, HotKeyModAlt, VkC));
}

// X refuses a combination only to other clients, so the second hotkey of the program on the same
// combination must be refused by the program itself; and releasing the refused one must leave
// the first one's grab in place.
TEST_F(X11Hotkeys, SameCombinationTwiceFailsAndReleasingTheSecondKeepsTheFirst) {
  const int Show = FHotkeys->AddAtom(u"VellomarchHotkeyShow");
  const int Quit = FHotkeys->AddAtom(u"VellomarchHotkeyQuit");
  ASSERT_TRUE(FHotkeys->Register(Show, HotKeyModAlt, VkC));
  EXPECT_FALSE(FHotkeys->Register(Quit, HotKeyModAlt, VkC));
  // As the program releases its hotkeys: each id, whether its registration succeeded or not.
  FHotkeys->Unregister(Quit);

  Keys("alt+c");
  ASSERT_TRUE(WaitForPresses(1));
  EXPECT_EQ(FPresses, std::vector<int>{Show});
  TOtherClient Other;
  EXPECT_FALSE(Other.Grab(XK_c, Mod1Mask, {0})) << "the show hotkey's grab went with the other's release";
  Other.UngrabAll();

  // Once the first lets it go, the combination can be had again.
  FHotkeys->Unregister(Show);
  EXPECT_TRUE(FHotkeys->Register(Quit, HotKeyModAlt, VkC));
  Keys("alt+c");
  ASSERT_TRUE(WaitForPresses(2));
  EXPECT_EQ(FPresses, (std::vector<int>{Show, Quit}));
}

TEST_F(X11Hotkeys, UnregisterReleasesEveryVariant) {
  ASSERT_TRUE(FHotkeys->Register(0xC000, HotKeyModControl | HotKeyModShift, VkC));
  TOtherClient Other;
  EXPECT_FALSE(Other.Grab(XK_c, ControlMask | ShiftMask, AllLockVariants));
  Other.UngrabAll();
  FHotkeys->Unregister(0xC000);
  EXPECT_TRUE(Other.Grab(XK_c, ControlMask | ShiftMask, AllLockVariants));
  Other.UngrabAll();
}

TEST_F(X11Hotkeys, DestroyingReleasesEveryVariant) {
  ASSERT_TRUE(FHotkeys->Register(0xC000, HotKeyModAlt, 0x70)); // F1
  FHotkeys.reset();
  TOtherClient Other;
  EXPECT_TRUE(Other.Grab(XK_F1, Mod1Mask, AllLockVariants));
  Other.UngrabAll();
}

TEST_F(X11Hotkeys, RegistrationsThatCannotBeHad) {
  ASSERT_TRUE(FHotkeys->Register(0xC000, HotKeyModAlt, VkC));
  EXPECT_FALSE(FHotkeys->Register(0xC000, HotKeyModAlt, VkQ)) << "an id is registered once";
  EXPECT_FALSE(FHotkeys->Register(0xC001, HotKeyModAlt, 0x07)) << "an unassigned key code";
  EXPECT_FALSE(FHotkeys->Register(0xC002, HotKeyModAlt, 0x87 + 1)) << "past F24";
}

TEST(X11HotkeysElsewhere, WithoutX11RegistrationFailsCleanly) {
  ::setenv("VELLOMARCH_TEST_OFFSCREEN", "1", 1);
  const auto Result = RunProcess({std::filesystem::read_symlink("/proc/self/exe").string()});
  ::unsetenv("VELLOMARCH_TEST_OFFSCREEN");
  EXPECT_EQ(Result.ExitCode, 0);
}

} // namespace
} // namespace vm
