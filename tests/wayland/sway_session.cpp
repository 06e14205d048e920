#include "sway_session.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

namespace vm::e2e {

namespace {

bool RunningAsRoot() { return ::geteuid() == 0; }

// Who runs the session: "nobody" under root, the tests' own user otherwise.
void HandToSessionUser(const fs::path& APath) {
  if (!RunningAsRoot()) return;
  const passwd* Nobody = ::getpwnam("nobody");
  if (!Nobody || ::chown(APath.c_str(), Nobody->pw_uid, Nobody->pw_gid) != 0)
    throw std::runtime_error("cannot hand " + APath.string() + " to the user nobody");
}

std::optional<fs::path> FirstFileNamed(const fs::path& AFolder, const std::string& APrefix, const std::string& ASuffix) {
  std::error_code Ec;
  for (const auto& Entry : fs::directory_iterator(AFolder, Ec)) {
    const std::string Name = Entry.path().filename().string();
    if (Name.rfind(APrefix, 0) == 0 && Name.size() >= ASuffix.size() && Entry.path().extension() != ".lock" &&
        Name.compare(Name.size() - ASuffix.size(), ASuffix.size(), ASuffix) == 0)
      return Entry.path();
  }
  return std::nullopt;
}

std::optional<nlohmann::json> FindNode(const nlohmann::json& ANode, const std::string& ATitle) {
  if (ANode.value("name", nlohmann::json()).is_string() && ANode["name"] == ATitle && ANode.value("visible", false))
    return ANode;
  for (const char* Children : {"nodes", "floating_nodes"}) {
    if (!ANode.contains(Children)) continue;
    for (const auto& Child : ANode[Children])
      if (auto Found = FindNode(Child, ATitle)) return Found;
  }
  return std::nullopt;
}

} // namespace

TSwaySession::TSwaySession() {
  // The session's user must pass through the folder to reach its own parts of it.
  fs::permissions(Folder(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
  const fs::path Runtime = UserFolder("runtime");
  fs::permissions(Runtime, fs::perms::owner_all);
  UserFolder("home");
}

std::string TSwaySession::Launch(const std::vector<std::string>& AConfigLines) {
  const fs::path Runtime = Folder() / "runtime";
  std::ofstream Config(Folder() / "sway.conf");
  Config << "output HEADLESS-1 resolution 1280x800\n";
  for (const auto& Line : AConfigLines) Config << Line << "\n";
  Config.close();

  try {
    FSway = TChild::Start(AsUser({"env", "WLR_BACKENDS=headless", "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1",
                                  "sway", "-c", (Folder() / "sway.conf").string()}),
                          Folder() / "sway.log");
  } catch (const std::exception& E) {
    return E.what();
  }
  std::optional<fs::path> Display, Ipc;
  WaitUntil(
      [&] {
        Display = FirstFileNamed(Runtime, "wayland-", "");
        Ipc = FirstFileNamed(Runtime, "sway-ipc.", ".sock");
        return !FSway.Running() || (Display && Ipc);
      },
      20000ms, 50ms);
  if (!FSway.Running() || !Display || !Ipc) return "sway did not start:\n" + SwayLog();
  FDisplayName = Display->filename().string();
  FSwaySocket = Ipc->string();
  return AttachResidentKeyboard();
}

// A headless sway has no keyboard, and its seat offers one to clients only while some keyboard
// device exists. Each wtype brings its own and takes it away when it ends, so a client would bind
// the seat's keyboard only once the keys are already sent, and lose them. A user's session always
// has a keyboard: a wtype that sleeps for the whole session stands in for it.
std::string TSwaySession::AttachResidentKeyboard() {
  FKeyboard = Start({"wtype", "-s", "86400000"}, Folder() / "wtype.log");
  const bool Attached = WaitUntil(
      [&] {
        const TRunResult Inputs = Run({"swaymsg", "-r", "-t", "get_inputs"});
        return !FKeyboard.Running() || Inputs.Out.find("\"keyboard\"") != std::string::npos;
      },
      10000ms, 50ms);
  if (!Attached || !FKeyboard.Running()) return "no keyboard could be attached to sway's seat:\n" + ReadFile(Folder() / "wtype.log");
  return {};
}

TSwaySession::~TSwaySession() {
  FKeyboard.Stop();
  FSway.Stop();
}

fs::path TSwaySession::UserFolder(const std::string& AName) {
  const fs::path Path = Folder() / AName;
  if (!fs::exists(Path)) {
    fs::create_directories(Path);
    HandToSessionUser(Path);
  }
  return Path;
}

fs::path TSwaySession::InstallProgram(const fs::path& AFile, const fs::path& AFolder) {
  const fs::path Target = AFolder / AFile.filename();
  fs::copy_file(AFile, Target, fs::copy_options::overwrite_existing);
  fs::permissions(Target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  HandToSessionUser(Target);
  return Target;
}

std::vector<std::string> TSwaySession::AsUser(const std::vector<std::string>& AArgv) const {
  std::vector<std::string> Argv;
  if (RunningAsRoot()) Argv = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
  const fs::path Home = Folder() / "home";
  // env takes every option before the first assignment.
  Argv.insert(Argv.end(), {"env", "-u", "DISPLAY", "-u", "QT_QPA_PLATFORM", "-u", "WAYLAND_DISPLAY", "-u",
                           "XDG_CONFIG_HOME", "-u", "XDG_DATA_HOME", "-u", "XDG_CACHE_HOME", "HOME=" + Home.string(),
                           "XDG_RUNTIME_DIR=" + (Folder() / "runtime").string()});
  if (!FDisplayName.empty()) Argv.insert(Argv.end(), {"WAYLAND_DISPLAY=" + FDisplayName, "SWAYSOCK=" + FSwaySocket});
  Argv.insert(Argv.end(), AArgv.begin(), AArgv.end());
  return Argv;
}

TChild TSwaySession::Start(const std::vector<std::string>& AArgv, const fs::path& ALog, const fs::path& AWorkDir) const {
  return TChild::Start(AsUser(AArgv), ALog, -1, AWorkDir);
}

TRunResult TSwaySession::Run(const std::vector<std::string>& AArgv, TMs ATimeout, const std::string& AStdin) const {
  return RunCommand(AsUser(AArgv), ATimeout, AStdin);
}

void TSwaySession::Keys(const std::vector<std::string>& AArguments) const {
  std::vector<std::string> Argv{"wtype"};
  Argv.insert(Argv.end(), AArguments.begin(), AArguments.end());
  Run(Argv);
}

std::optional<nlohmann::json> TSwaySession::VisibleWindow(const std::string& ATitle) const {
  const TRunResult Tree = Run({"swaymsg", "-r", "-t", "get_tree"});
  if (Tree.ExitCode != 0) return std::nullopt;
  const nlohmann::json Root = nlohmann::json::parse(Tree.Out, nullptr, false);
  if (Root.is_discarded()) return std::nullopt;
  return FindNode(Root, ATitle);
}

std::string TSwaySession::SwayLog() const { return ReadFile(Folder() / "sway.log"); }

} // namespace vm::e2e
