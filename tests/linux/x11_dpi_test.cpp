// The display's DPI as the program reads it: the X resources' Xft.dpi where a session set one,
// else the X screen's physical DPI; and the parts of the program that lay out by it.
#include "platform/linux/x11_dpi.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <xcb/xcb.h>

#include <regex>

#include "platform/linux/qt_screen.h"
#include "platform/linux/qt_ui_support.h"
#include "x11_test_environment.h"

namespace vm {
namespace {

using test::RunProcess;
using test::TX11TestEnvironment;

TEST(XftDpiFromResources, ReadsTheSettingAmongTheOtherResources) {
  const struct {
    const char* Resources;
    std::optional<int> Dpi;
  } Cases[] = {
      {"Xft.dpi:\t192\n", 192},
      {"Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 144},
      {"Xft.dpi:\t120", 120},                    // no line break at the end
      {"Xft.dpi: 96.0\n", 96},                   // as some settings daemons write it
      {"Xft.dpi:\t143.6\n", 144},                // rounded
      {"Xft.dpi:\t96\nXft.dpi:\t192\n", 192},   // the later line wins
      {"", std::nullopt},
      {"Xft.antialias:\t1\n", std::nullopt},
      {"Xft.dpix:\t192\n*dpi:\t192\n", std::nullopt}, // other names
      {"Xft.dpi:\t0\n", std::nullopt},
      {"Xft.dpi:\t-96\n", std::nullopt},
      {"Xft.dpi:\tlarge\n", std::nullopt},
      {"Xft.dpi:\t192dpi\n", std::nullopt},
  };
  for (const auto& Case : Cases) EXPECT_EQ(XftDpiFromResources(Case.Resources), Case.Dpi) << Case.Resources;
}

TEST(PhysicalDpi, IsThePixelsPerInchOfTheReportedSize) {
  EXPECT_EQ(PhysicalDpi(1600, 212), 192);
  EXPECT_EQ(PhysicalDpi(1280, 325), 100);
  EXPECT_EQ(PhysicalDpi(1280, 339), 96);
  EXPECT_EQ(PhysicalDpi(1280, 0), 0) << "a server that reports no size";
  EXPECT_EQ(PhysicalDpi(0, 339), 0);
}

// The resolution xdpyinfo reports for the X screen: what the server says, read by another program.
int XdpyinfoDpi() {
  const std::string Out = RunProcess({"xdpyinfo"}).Output;
  std::smatch M;
  if (!std::regex_search(Out, M, std::regex("resolution:\\s+(\\d+)x\\d+ dots per inch"))) return 0;
  return std::stoi(M[1]);
}

class X11DisplayDpi : public ::testing::Test {
protected:
  void SetUp() override {
    TX11TestEnvironment::Instance().App();
    SetXftDpi(std::nullopt);
  }
  void TearDown() override { SetXftDpi(std::nullopt); }

  static void SetXftDpi(std::optional<int> ADpi) {
    if (ADpi) {
      ASSERT_EQ(RunProcess({"xrdb", "-nocpp", "-merge"}, "Xft.dpi: " + std::to_string(*ADpi) + "\n").ExitCode, 0);
    } else {
      ASSERT_EQ(RunProcess({"xrdb", "-nocpp", "-remove"}).ExitCode, 0);
    }
  }
};

TEST_F(X11DisplayDpi, IsXftDpiWhenSetAndThePhysicalDpiOtherwise) {
  const int Physical = XdpyinfoDpi();
  ASSERT_GT(Physical, 0);
  TQtScreen Screen;
  EXPECT_EQ(vm::X11DisplayDpi(), Physical);
  EXPECT_EQ(Screen.SystemDpi(), Physical);

  // The setting is read afresh: a session that changes it is followed at once.
  SetXftDpi(144);
  EXPECT_EQ(vm::X11DisplayDpi(), 144);
  EXPECT_EQ(Screen.SystemDpi(), 144);
  EXPECT_EQ(ui::ScreenDpi(QGuiApplication::primaryScreen()), 144);

  SetXftDpi(std::nullopt);
  EXPECT_EQ(Screen.SystemDpi(), Physical);
}

TEST_F(X11DisplayDpi, ThePhysicalDpiComesFromTheScreensReportedSize) {
  // A screen of the same pixels reported half as wide: twice the DPI, for connections made from
  // now on (an open connection keeps the size it was told when it connected).
  const std::string Display = TX11TestEnvironment::Instance().DisplayName();
  ASSERT_EQ(RunProcess({"xrandr", "--fbmm", "169x135"}).ExitCode, 0);
  xcb_connection_t* Connection = xcb_connect(Display.c_str(), nullptr);
  const int Dpi = vm::X11DisplayDpi(Connection);
  SetXftDpi(120);
  const int WithSetting = vm::X11DisplayDpi(Connection);
  xcb_disconnect(Connection);
  ASSERT_EQ(RunProcess({"xrandr", "--fbmm", "339x271"}).ExitCode, 0);
  EXPECT_EQ(Dpi, 192);
  EXPECT_EQ(WithSetting, 120);
  EXPECT_EQ(vm::X11DisplayDpi(nullptr), 0);
}

} // namespace
} // namespace vm
