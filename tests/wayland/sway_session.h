#pragma once
// A real headless sway for the Wayland tests, with the tools a user's session has (wl-copy,
// wl-paste, wtype, swaymsg). sway will not run as root, so a test run as root starts it, the
// program under test and every tool as the unprivileged user "nobody", in a folder of their own:
// sway's own key bindings run their commands as that user, and the program's single-instance
// channel is per user, so everything that talks to the program must be that same user.
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace vm::e2e {

class TSwaySession {
public:
  // Makes the session's folders; sway itself starts with Launch.
  TSwaySession();
  ~TSwaySession();
  TSwaySession(const TSwaySession&) = delete;
  TSwaySession& operator=(const TSwaySession&) = delete;

  // Starts sway with AConfigLines after the headless output's line in its configuration. Empty
  // when sway runs; otherwise why it could not start.
  std::string Launch(const std::vector<std::string>& AConfigLines);

  // A folder the session's user owns (made on first use) under the session's own folder.
  fs::path UserFolder(const std::string& AName);
  // Copies AFile into AFolder as an executable the session's user may run.
  fs::path InstallProgram(const fs::path& AFile, const fs::path& AFolder);
  // AArgv run as the session's user with the session's environment.
  std::vector<std::string> AsUser(const std::vector<std::string>& AArgv) const;
  TChild Start(const std::vector<std::string>& AArgv, const fs::path& ALog, const fs::path& AWorkDir = {}) const;
  TRunResult Run(const std::vector<std::string>& AArgv, TMs ATimeout = 10000ms, const std::string& AStdin = {}) const;

  // wtype with AArguments, e.g. {"-M", "alt", "-k", "c", "-m", "alt"}.
  void Keys(const std::vector<std::string>& AArguments) const;
  // The window (sway's tree node) titled ATitle that is mapped and visible, if any.
  std::optional<nlohmann::json> VisibleWindow(const std::string& ATitle) const;
  std::string SwayLog() const;

private:
  fs::path Folder() const { return FFolder.Path(); }
  std::string AttachResidentKeyboard();

  TTempFolder FFolder{"vellomarch-sway"};
  std::string FDisplayName;
  std::string FSwaySocket;
  TChild FSway;
  TChild FKeyboard;
};

} // namespace vm::e2e
