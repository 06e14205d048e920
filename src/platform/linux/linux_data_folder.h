#pragma once
// Where the data folder "Vellomarch" lives on Linux. A portable copy of the program (outside the
// system's folders, in a folder its user may write to) keeps its data beside the executable, as on
// Windows. An installed copy (under /usr or /opt) always keeps it in the user's data folder
// ($XDG_DATA_HOME, by default ~/.local/share), whoever runs it: root may write to /usr/bin, but
// a data folder there would mix one user's history into the system's files.
#include <filesystem>
#include <string>

namespace vm {

// The folder to pass to SetDataFolderParent for the running executable (/proc/self/exe).
std::u16string LinuxDataFolderParent();

// The same choice for an executable in AExecutableFolder (an absolute path).
std::u16string DataFolderParentFor(const std::filesystem::path& AExecutableFolder);

} // namespace vm
