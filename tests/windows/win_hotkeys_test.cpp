// Global atoms and hotkeys through TWinHotkeys, against windows and a process of the test's own.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/windows/win_hotkeys.h"
#include "win_test_support.h"

namespace vm {
namespace {

using test::TTestWindow;

// Combinations no desktop program is likely to hold, one per test, so that test processes
// running side by side never collide.
constexpr std::uint32_t AllThree = MOD_ALT | MOD_CONTROL | MOD_SHIFT;

TEST(WinHotkeys, AtomsAreSharedByNameAndReleasedOnePerAdd) {
  TWinHotkeys Hotkeys;
  const std::u16string Name = u"VellomarchHotkeyTest" + std::u16string(1, static_cast<char16_t>(u'A' + GetCurrentProcessId() % 26));
  const int First = Hotkeys.AddAtom(Name);
  ASSERT_NE(First, 0);
  EXPECT_GE(First, 0xC000); // string atoms live above the integer atoms
  EXPECT_EQ(Hotkeys.AddAtom(Name), First);
  Hotkeys.DeleteAtom(First);
  EXPECT_EQ(GlobalFindAtomW(reinterpret_cast<const wchar_t*>(Name.c_str())), First) << "one add is still held";
  Hotkeys.DeleteAtom(First);
  EXPECT_EQ(GlobalFindAtomW(reinterpret_cast<const wchar_t*>(Name.c_str())), 0);
}

TEST(WinHotkeys, ACombinationHeldByAnotherWindowCannotBeHadUntilReleased) {
  TTestWindow First, Second;
  TWinHotkeys Holder(First.Get()), Other(Second.Get());
  ASSERT_TRUE(Holder.Register(0xC101, AllThree, VK_F9));
  EXPECT_FALSE(Other.Register(0xC102, AllThree, VK_F9));
  // Another combination of the same key is free.
  EXPECT_TRUE(Other.Register(0xC103, MOD_CONTROL | MOD_SHIFT, VK_F9));
  Holder.Unregister(0xC101);
  EXPECT_TRUE(Other.Register(0xC102, AllThree, VK_F9));
  Other.Unregister(0xC102);
  Other.Unregister(0xC103);
}

// The case of the log line "RegisterHotKey(show) failed: ...": another program got there first.
TEST(WinHotkeys, ACombinationHeldByAnotherProcessCannotBeHad) {
  TTestWindow Window;
  TWinHotkeys Hotkeys(Window.Get());
  {
    test::THelperProcess Helper({L"hotkey", std::to_wstring(AllThree), std::to_wstring(VK_F10)});
    ASSERT_TRUE(Helper.Ready()) << "helper exit code " << Helper.ExitCodeIfEnded();
    EXPECT_FALSE(Hotkeys.Register(0xC111, AllThree, VK_F10));
  }
  // The helper has quit and released it.
  EXPECT_TRUE(Hotkeys.Register(0xC111, AllThree, VK_F10));
  Hotkeys.Unregister(0xC111);
}

TEST(WinHotkeys, WindowsKeyAndNoRepeatNeverReachTheSystem) {
  TTestWindow First, Second;
  TWinHotkeys Asked(First.Get()), Plain(Second.Get());
  // Asked for with MOD_WIN | MOD_NOREPEAT, the combination is registered as Alt+Ctrl+Shift+F11
  // alone, so the plain one is taken.
  ASSERT_TRUE(Asked.Register(0xC121, AllThree | MOD_WIN | MOD_NOREPEAT, VK_F11));
  EXPECT_FALSE(Plain.Register(0xC122, AllThree, VK_F11));
  Asked.Unregister(0xC121);
}

} // namespace
} // namespace vm
