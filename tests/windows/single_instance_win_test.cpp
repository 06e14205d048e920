// The single-instance guard: the first holder of the named mutex runs, any later one is told.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/windows/single_instance_win.h"

namespace vm {
namespace {

// A name of this test process's own, so a running Vellomarch or a parallel test never interferes.
std::u16string GuardName() {
  const std::wstring Name = L"Vellomarch_byDrun_test_" + std::to_wstring(GetCurrentProcessId());
  return std::u16string(reinterpret_cast<const char16_t*>(Name.c_str()));
}

TEST(SingleInstance, SecondHolderSeesTheFirstUntilItCloses) {
  TSingleInstance First(GuardName());
  ASSERT_TRUE(First.Guarded());
  EXPECT_FALSE(First.AnotherInstanceRuns());
  {
    TSingleInstance Second(GuardName());
    EXPECT_TRUE(Second.Guarded());
    EXPECT_TRUE(Second.AnotherInstanceRuns());
  }
  First.Close();
  EXPECT_FALSE(First.Guarded());
  TSingleInstance Later(GuardName());
  EXPECT_FALSE(Later.AnotherInstanceRuns());
}

TEST(SingleInstance, TheMutexIsNotOwnedSoAnotherThreadCanTakeIt) {
  TSingleInstance Guard(GuardName());
  const HANDLE Same = OpenMutexW(SYNCHRONIZE, FALSE, reinterpret_cast<const wchar_t*>(GuardName().c_str()));
  ASSERT_NE(Same, nullptr);
  // Created without initial ownership: a wait succeeds at once instead of finding it held.
  EXPECT_EQ(WaitForSingleObject(Same, 0), WAIT_OBJECT_0);
  ReleaseMutex(Same);
  CloseHandle(Same);
}

TEST(SingleInstance, ANameThatCannotBeAMutexGuardsNothingAndStopsNobody) {
  // A backslash outside a namespace prefix makes the name invalid.
  TSingleInstance Guard(u"No\\Such\\Namespace\\Vellomarch");
  EXPECT_FALSE(Guard.Guarded());
  EXPECT_FALSE(Guard.AnotherInstanceRuns());
}

} // namespace
} // namespace vm
