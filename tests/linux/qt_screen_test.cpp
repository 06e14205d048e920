#include "platform/linux/qt_screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "x11_test_environment.h"

namespace vm {
namespace {

using test::RunProcess;
using test::TX11TestEnvironment;
using test::WaitUntil;

// A panel along the top of the screen that reserves its height, as a desktop's task bar does.
class TTopPanel {
public:
  explicit TTopPanel(int AHeight) : FDisplay(XOpenDisplay(TX11TestEnvironment::Instance().DisplayName().c_str())) {
    const Window Root = DefaultRootWindow(FDisplay);
    FWindow = XCreateSimpleWindow(FDisplay, Root, 0, 0, 1280, static_cast<unsigned>(AHeight), 0, 0, 0);
    const Atom Dock = XInternAtom(FDisplay, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(FDisplay, FWindow, XInternAtom(FDisplay, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&Dock), 1);
    const long Strut[12] = {0, 0, AHeight, 0, 0, 0, 0, 0, 0, 1279, 0, 0};
    XChangeProperty(FDisplay, FWindow, XInternAtom(FDisplay, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(Strut), 12);
    XMapWindow(FDisplay, FWindow);
    XSync(FDisplay, False);
  }
  ~TTopPanel() { XCloseDisplay(FDisplay); }

private:
  Display* FDisplay;
  Window FWindow = 0;
};

class QtScreen : public ::testing::Test {
protected:
  void SetUp() override { TX11TestEnvironment::Instance().App(); }
  TQtScreen FScreen;
};

TEST_F(QtScreen, CursorPosIsThePointersPlace) {
  for (const TPoint Point : {TPoint{123, 456}, TPoint{0, 0}, TPoint{1279, 1023}}) {
    ASSERT_EQ(RunProcess({"xdotool", "mousemove", "--sync", std::to_string(Point.X), std::to_string(Point.Y)}).ExitCode,
              0);
    EXPECT_EQ(FScreen.GetCursorPos(), Point);
  }
}

TEST_F(QtScreen, WorkAreaLeavesOutThePanelsTheWindowManagerReports) {
  TX11TestEnvironment::Instance().StartWindowManager();
  const TTopPanel Panel(40);
  const TRect Work{0, 40, 1280, 1024};
  ASSERT_TRUE(WaitUntil([&] { return FScreen.WorkAreaNearPoint({10, 500}) == Work; }))
      << FScreen.WorkAreaNearPoint({10, 500}).Top;
  // A point off every screen belongs to the nearest one.
  EXPECT_EQ(FScreen.WorkAreaNearPoint({5000, -300}), Work);
  QWidget Main;
  FScreen.SetMainWindow(&Main);
  EXPECT_EQ(FScreen.WorkAreaNearMainWindow(), Work);
  EXPECT_EQ(FScreen.PrimaryScreenWidth(), 1280);
}

TEST_F(QtScreen, WithoutPanelsTheWorkAreaIsTheScreen) {
  TX11TestEnvironment::Instance().StartWindowManager();
  const TRect Whole{0, 0, 1280, 1024};
  // A panel of an earlier test may just have gone; the window manager then reports the change.
  EXPECT_TRUE(WaitUntil([&] { return FScreen.WorkAreaNearPoint({640, 512}) == Whole; }));
  EXPECT_EQ(FScreen.WorkAreaNearMainWindow(), Whole) << "no main window: the primary screen";
}

} // namespace
} // namespace vm
