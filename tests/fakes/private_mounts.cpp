#include "private_mounts.h"

#include <algorithm>
#include <stdexcept>

#ifdef __linux__
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace vm::test {

namespace fs = std::filesystem;

#ifdef __linux__

namespace {

void Check(int AResult, const std::string& AWhat) {
  if (AResult != 0) throw std::runtime_error(AWhat + ": " + std::strerror(errno));
}

} // namespace

std::string TPrivateMounts::Enter() {
  static std::string Reason = [] {
    if (::unshare(CLONE_NEWNS) != 0) return std::string("no mount namespace of its own: ") + std::strerror(errno);
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      return std::string("mounts cannot be made private: ") + std::strerror(errno);
    return std::string();
  }();
  return Reason;
}

TPrivateMounts::~TPrivateMounts() {
  std::for_each(FMounted.rbegin(), FMounted.rend(), [](const fs::path& P) { ::umount2(P.c_str(), MNT_DETACH); });
}

void TPrivateMounts::ReadOnly(const fs::path& AFolder) {
  Check(::mount(AFolder.c_str(), AFolder.c_str(), nullptr, MS_BIND, nullptr), "bind " + AFolder.string());
  FMounted.push_back(AFolder);
  Check(::mount(nullptr, AFolder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr),
        "read-only " + AFolder.string());
}

void TPrivateMounts::Bind(const fs::path& ASource, const fs::path& ATarget) {
  Check(::mount(ASource.c_str(), ATarget.c_str(), nullptr, MS_BIND, nullptr), "bind " + ATarget.string());
  FMounted.push_back(ATarget);
}

void TPrivateMounts::SmallDisk(const fs::path& AFolder, std::size_t ABytes) {
  const std::string Options = "size=" + std::to_string(ABytes) + ",mode=0700";
  Check(::mount("tmpfs", AFolder.c_str(), "tmpfs", 0, Options.c_str()), "tmpfs " + AFolder.string());
  FMounted.push_back(AFolder);
}

void TPrivateMounts::Unmount(const fs::path& AFolder) {
  const auto It = std::find(FMounted.rbegin(), FMounted.rend(), AFolder);
  if (It == FMounted.rend()) return;
  Check(::umount2(AFolder.c_str(), MNT_DETACH), "unmount " + AFolder.string());
  FMounted.erase(std::next(It).base());
}

void FillDiskLeaving(const fs::path& AFolder, std::size_t AFreeBytes) {
  const fs::path Filler = AFolder / "filler";
  const int Fd = ::open(Filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  Check(Fd < 0 ? -1 : 0, "create " + Filler.string());
  const std::string Block(4096, 'f');
  off_t Size = 0;
  for (;;) {
    const ssize_t Written = ::write(Fd, Block.data(), Block.size());
    if (Written <= 0) break;
    Size += Written;
  }
  const int Truncated = ::ftruncate(Fd, Size > static_cast<off_t>(AFreeBytes) ? Size - static_cast<off_t>(AFreeBytes) : 0);
  ::close(Fd);
  Check(Truncated, "truncate " + Filler.string());
}

#else

std::string TPrivateMounts::Enter() { return "mount namespaces are a Linux feature"; }
TPrivateMounts::~TPrivateMounts() = default;
void TPrivateMounts::ReadOnly(const fs::path&) {}
void TPrivateMounts::Bind(const fs::path&, const fs::path&) {}
void TPrivateMounts::SmallDisk(const fs::path&, std::size_t) {}
void TPrivateMounts::Unmount(const fs::path&) {}
void FillDiskLeaving(const fs::path&, std::size_t) {}

#endif

} // namespace vm::test
