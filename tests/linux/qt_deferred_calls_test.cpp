#include "platform/linux/qt_deferred_calls.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>
#include <vector>

#include "x11_test_environment.h"

namespace vm {
namespace {

using test::TX11TestEnvironment;
using test::WaitUntil;

TEST(QtDeferredCalls, RunLaterInTheOrderPosted) {
  TX11TestEnvironment::Instance().App();
  TQtDeferredCalls Calls;
  std::vector<int> Ran;
  Calls.Post([&] {
    Ran.push_back(1);
    // Posted while running: after the calls already queued.
    Calls.Post([&] { Ran.push_back(3); });
  });
  Calls.Post([&] { Ran.push_back(2); });
  EXPECT_TRUE(Ran.empty()) << "a posted call ran at once";
  ASSERT_TRUE(WaitUntil([&] { return Ran.size() == 3; }));
  EXPECT_EQ(Ran, (std::vector<int>{1, 2, 3}));
}

TEST(QtDeferredCalls, CallsOfAGoneQueueAreDropped) {
  TX11TestEnvironment::Instance().App();
  int Ran = 0;
  auto Calls = std::make_unique<TQtDeferredCalls>();
  Calls->Post([&] { ++Ran; });
  Calls.reset();
  // A later call on another queue shows that the event loop has run past the dropped one.
  TQtDeferredCalls Other;
  bool OtherRan = false;
  Other.Post([&] { OtherRan = true; });
  ASSERT_TRUE(WaitUntil([&] { return OtherRan; }));
  EXPECT_EQ(Ran, 0);
}

} // namespace
} // namespace vm
