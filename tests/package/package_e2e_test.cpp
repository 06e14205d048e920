// The Debian package as a user gets it: unpacked into a private root and laid over /usr in a
// mount namespace of the program's own, so that the program runs as /usr/bin/vellomarch
// without the machine's /usr being changed. Started the way the session's autostart starts it,
// it pastes a copied text on Alt+C and Enter, keeps its data in $XDG_DATA_HOME/Vellomarch/ and
// shows the packaged icon in the tray.
#include <fstream>

#include "e2e_fixture.h"

namespace vm::e2e {
namespace {

const std::string AppId = "org.vellomarch.Vellomarch";

// The value of AKey in the [Desktop Entry] group of a desktop entry file.
std::string DesktopEntryValue(const fs::path& AFile, const std::string& AKey) {
  std::ifstream In(AFile);
  std::string Line;
  bool InMainGroup = false;
  while (std::getline(In, Line)) {
    if (!Line.empty() && Line.front() == '[') InMainGroup = Line == "[Desktop Entry]";
    else if (InMainGroup && Line.rfind(AKey + "=", 0) == 0) return Line.substr(AKey.size() + 1);
  }
  return {};
}

class TPackageE2E : public TE2ETest {
protected:
  void SetUp() override {
    TE2ETest::SetUp();
    ASSERT_TRUE(fs::exists(VELLOMARCH_E2E_PACKAGE))
        << VELLOMARCH_E2E_PACKAGE << " is missing: cmake --build --preset linux-release --target package";
    ASSERT_EQ(RunCommand({"dpkg-deb", "-x", VELLOMARCH_E2E_PACKAGE, PackageRoot().string()}, 60000ms).ExitCode, 0);
    fs::create_directories(Root() / "usr-changes");
    fs::create_directories(Root() / "usr-work");
  }

  fs::path PackageRoot() const { return Root() / "root"; }
  fs::path AutostartEntry() const { return PackageRoot() / "etc/xdg/autostart" / (AppId + ".desktop"); }
  fs::path DataFolder() const override { return Root() / "user/data/Vellomarch"; }

  // The autostart entry's command, run where the package's /usr is laid over the system's. The
  // layer is writable (its changes go to usr-changes), so a program that wrongly took /usr/bin
  // for a portable folder would put its data folder there, as it would on a real system for root.
  std::vector<std::string> ProgramCommand() const override {
    const std::string Usr = "lowerdir=" + (PackageRoot() / "usr").string() + ":/usr,upperdir=" +
                            (Root() / "usr-changes").string() + ",workdir=" + (Root() / "usr-work").string();
    return {"unshare", "--mount", "--propagation", "private", "sh", "-c",
            "mount -t overlay overlay -o \"$1\" /usr && exec $2", "sh", Usr, DesktopEntryValue(AutostartEntry(), "Exec")};
  }
};

TEST_F(TPackageE2E, AutostartRunsTheInstalledProgramThatPastesAndKeepsItsDataInTheUsersFolder) {
  const std::string Exec = DesktopEntryValue(AutostartEntry(), "Exec");
  ASSERT_FALSE(Exec.empty()) << "no Exec in " << AutostartEntry();
  ASSERT_EQ(Exec.find('%'), std::string::npos) << "an autostart command takes no file arguments: " << Exec;

  ASSERT_NO_FATAL_FAILURE(StartProgram());
  // The running program is the packaged binary, at its installed place.
  const fs::path Executable = fs::read_symlink("/proc/" + std::to_string(Program().Pid()) + "/exe");
  EXPECT_EQ(Executable, "/usr/bin/vellomarch");
  EXPECT_EQ(Md5Hex("/proc/" + std::to_string(Program().Pid()) + "/exe"), Md5Hex(PackageRoot() / "usr/bin/vellomarch"));

  StartTarget();
  CopyTextAndWait("パッケージから貼り付け");
  ShowPopupByHotkey();
  Key("Return");
  EXPECT_TRUE(WaitForTargetText("パッケージから貼り付け"));

  EXPECT_TRUE(fs::is_regular_file(DataFolder() / "VellomarchData.dat"));
  // Nothing beside the executable, and nothing else written into /usr.
  EXPECT_TRUE(fs::is_empty(Root() / "usr-changes")) << "the program wrote into /usr";

  double Difference = 255;
  EXPECT_TRUE(WaitUntil([&] {
    return (Difference = TrayIconDifference(PackageRoot() / "usr/share/icons/hicolor/32x32/apps/vellomarch.png")) < 12;
  }, 5000ms, 100ms)) << "the tray icon does not show the packaged icon: mean difference " << Difference;
}

TEST_F(TPackageE2E, MenuAndAutostartEntriesNameTheProgramAndAnIconOfEverySize) {
  const fs::path Menu = PackageRoot() / "usr/share/applications" / (AppId + ".desktop");
  for (const fs::path& Entry : {Menu, AutostartEntry()}) {
    SCOPED_TRACE(Entry.string());
    const std::string Exec = DesktopEntryValue(Entry, "Exec");
    EXPECT_TRUE(fs::is_regular_file(PackageRoot() / "usr/bin" / Exec)) << Exec;
    const std::string Icon = DesktopEntryValue(Entry, "Icon");
    for (const char* Size : {"16x16", "32x32", "48x48", "64x64", "128x128", "256x256"}) {
      const fs::path Picture = PackageRoot() / "usr/share/icons/hicolor" / Size / "apps" / (Icon + ".png");
      ASSERT_TRUE(fs::is_regular_file(Picture)) << Picture;
      const std::string Dimensions = RunCommand({"identify", "-format", "%wx%h", Picture.string()}).Out;
      EXPECT_EQ(Dimensions, Size) << Picture;
    }
    EXPECT_TRUE(fs::is_regular_file(PackageRoot() / "usr/share/icons/hicolor/scalable/apps" / (Icon + ".svg")));
  }
  EXPECT_EQ(DesktopEntryValue(Menu, "Categories"), "Utility;");
  EXPECT_FALSE(DesktopEntryValue(Menu, "Name[ja]").empty());
}

} // namespace
} // namespace vm::e2e
