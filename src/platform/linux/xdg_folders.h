#pragma once
// The per-user base folders of the XDG base-directory convention.
#include <filesystem>

namespace vm {

// $HOME, or the home folder of the user database when HOME is unset or relative.
// Throws TError when neither gives an absolute folder.
std::filesystem::path UserHomeFolder();

// $XDG_CONFIG_HOME when it is absolute (a relative value is ignored), else ~/.config.
std::filesystem::path XdgConfigHome();

// $XDG_DATA_HOME when it is absolute (a relative value is ignored), else ~/.local/share.
std::filesystem::path XdgDataHome();

} // namespace vm
