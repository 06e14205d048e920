#pragma once
// Where the data folder "Vellomarch" lives on Linux. A copy of the program in a folder that the
// user may write to is portable and keeps its data beside the executable, as on Windows; an
// installed copy keeps it in the user's data folder ($XDG_DATA_HOME, by default ~/.local/share).
#include <filesystem>
#include <string>

namespace vm {

// The folder to pass to SetDataFolderParent for the running executable (/proc/self/exe).
std::u16string LinuxDataFolderParent();

// The same choice for an executable in AExecutableFolder.
std::u16string DataFolderParentFor(const std::filesystem::path& AExecutableFolder);

} // namespace vm
