#pragma once
// File-system faults that file modes cannot give a test run as root (root writes through any
// mode): a read-only folder, a full disk. The test process moves into a mount namespace of its
// own, with private propagation, so its mounts are seen by nothing else on the machine and go
// away with it. Linux only; elsewhere, and without the right to make mounts, Enter says why not.
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace vm::test {

class TPrivateMounts {
public:
  // Empty when the process now has its own mounts; otherwise the reason it cannot.
  static std::string Enter();

  TPrivateMounts() = default;
  ~TPrivateMounts(); // unmounts what it mounted, the last first
  TPrivateMounts(const TPrivateMounts&) = delete;
  TPrivateMounts& operator=(const TPrivateMounts&) = delete;

  // AFolder itself, mounted again over itself, read-only.
  void ReadOnly(const std::filesystem::path& AFolder);
  // ASource's content shown at ATarget, writable.
  void Bind(const std::filesystem::path& ASource, const std::filesystem::path& ATarget);
  // An empty file system of ABytes at AFolder, which must exist.
  void SmallDisk(const std::filesystem::path& AFolder, std::size_t ABytes);
  void Unmount(const std::filesystem::path& AFolder);

private:
  std::vector<std::filesystem::path> FMounted;
};

// Fills the disk that holds AFolder with a file AFolder/"filler" up to its last AFreeBytes
// (rounded to whole pages by the file system).
void FillDiskLeaving(const std::filesystem::path& AFolder, std::size_t AFreeBytes);

} // namespace vm::test
