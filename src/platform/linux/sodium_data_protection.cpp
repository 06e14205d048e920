#include "platform/linux/sodium_data_protection.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "platform/linux/xdg_folders.h"
#include "support/error.h"
#include "support/text.h"

namespace vm {
namespace fs = std::filesystem;

static_assert(TSodiumDataProtection::KeySize == crypto_secretbox_KEYBYTES);
static_assert(TSodiumDataProtection::NonceSize == crypto_secretbox_NONCEBYTES);
static_assert(TSodiumDataProtection::MacSize == crypto_secretbox_MACBYTES);

namespace {

constexpr std::size_t HeaderSize = 1 + TSodiumDataProtection::NonceSize;
constexpr std::size_t MinBlobSize = HeaderSize + TSodiumDataProtection::MacSize;

void InitSodium() {
  // sodium_init is cheap after the first call, but one call per process is all it needs.
  static const int Result = sodium_init();
  if (Result < 0) throw TError(u"The cryptography library (libsodium) could not be initialised");
}

std::u16string PathText(const fs::path& APath) { return u"\"" + Utf8ToUtf16Lossy(APath.string()) + u"\""; }

std::u16string SystemText(int AError) { return Utf8ToUtf16Lossy(std::generic_category().message(AError)); }

class TFileHandle {
public:
  explicit TFileHandle(int AFd) : FFd(AFd) {}
  ~TFileHandle() {
    if (FFd >= 0) ::close(FFd);
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  int Get() const { return FFd; }
  // Closes now and reports the result, so that a failed close of a written file is seen.
  bool Close() {
    const int Fd = FFd;
    FFd = -1;
    return ::close(Fd) == 0;
  }

private:
  int FFd;
};

bool WriteAll(int AFd, const std::uint8_t* AData, std::size_t ASize) {
  while (ASize > 0) {
    const ssize_t Written = ::write(AFd, AData, ASize);
    if (Written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    AData += Written;
    ASize -= static_cast<std::size_t>(Written);
  }
  return true;
}

// Reads up to ASize bytes; returns how many arrived before the end of the file, or -1.
ssize_t ReadAll(int AFd, std::uint8_t* AData, std::size_t ASize) {
  std::size_t Total = 0;
  while (Total < ASize) {
    const ssize_t Got = ::read(AFd, AData + Total, ASize - Total);
    if (Got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (Got == 0) break;
    Total += static_cast<std::size_t>(Got);
  }
  return static_cast<ssize_t>(Total);
}

// Writes the whole key, flushes it to the disk and closes; returns 0 or the first error.
int WriteAndClose(TFileHandle& AFile, const std::array<std::uint8_t, TSodiumDataProtection::KeySize>& AKey) {
  int Error = 0;
  if (!WriteAll(AFile.Get(), AKey.data(), AKey.size()) || ::fsync(AFile.Get()) != 0) Error = errno;
  if (!AFile.Close() && Error == 0) Error = errno;
  return Error;
}

// Makes the key folder and its missing parents, each only accessible to the user.
void MakePrivateFolder(const fs::path& AFolder) {
  fs::path Partial;
  for (const fs::path& Part : AFolder) {
    Partial /= Part;
    struct stat Info {};
    if (::stat(Partial.c_str(), &Info) == 0) continue;
    if (::mkdir(Partial.c_str(), 0700) != 0 && errno != EEXIST)
      throw TError(u"Cannot create the key folder " + PathText(Partial) + u": " + SystemText(errno));
  }
  struct stat Info {};
  if (::stat(AFolder.c_str(), &Info) != 0)
    throw TError(u"Cannot create the key folder " + PathText(AFolder) + u": " + SystemText(errno));
  if (!S_ISDIR(Info.st_mode))
    throw TError(u"Cannot create the key folder " + PathText(AFolder) + u": " + SystemText(ENOTDIR));
  // The folder is the program's own; the umask may have left it open to others.
  if ((Info.st_mode & 07777) != 0700) ::chmod(AFolder.c_str(), 0700);
}

void SyncFolder(const fs::path& AFolder) {
  const int Fd = ::open(AFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) return;
  ::fsync(Fd);
  ::close(Fd);
}

} // namespace

TSodiumDataProtection::TSodiumDataProtection(fs::path AKeyFolder) : FKeyFolder(std::move(AKeyFolder)) {}

fs::path TSodiumDataProtection::DefaultKeyFolder() { return XdgConfigHome() / "vellomarch"; }

bool TSodiumDataProtection::ReadKeyFile(TKey& AKey) const {
  const fs::path Path = KeyFilePath();
  // O_NOFOLLOW: a link planted in place of the key must not make us use someone else's key.
  TFileHandle File(::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (File.Get() < 0) {
    if (errno == ENOENT) return false;
    throw TError(u"Cannot open the key file " + PathText(Path) + u": " + SystemText(errno));
  }
  struct stat Info {};
  if (::fstat(File.Get(), &Info) != 0)
    throw TError(u"Cannot read the key file " + PathText(Path) + u": " + SystemText(errno));
  if (!S_ISREG(Info.st_mode)) throw TError(u"The key file " + PathText(Path) + u" is not a regular file");
  if (Info.st_uid != ::geteuid()) throw TError(u"The key file " + PathText(Path) + u" belongs to another user");
  // Never replaced: a new key would make the history saved under the old one unreadable.
  const auto WrongSize = [&](long long ASize) {
    return TError(u"The key file " + PathText(Path) + u" has the wrong size (" + IntToStr(ASize) +
                  u" bytes instead of " + IntToStr(KeySize) + u"); it was left unchanged");
  };
  if (Info.st_size != static_cast<off_t>(KeySize)) throw WrongSize(Info.st_size);
  if ((Info.st_mode & 077) != 0) ::fchmod(File.Get(), 0600);
  TKey Key{};
  std::uint8_t Extra = 0;
  const ssize_t Got = ReadAll(File.Get(), Key.data(), Key.size());
  if (Got < 0) throw TError(u"Cannot read the key file " + PathText(Path) + u": " + SystemText(errno));
  if (static_cast<std::size_t>(Got) != KeySize || ReadAll(File.Get(), &Extra, 1) != 0) {
    sodium_memzero(Key.data(), Key.size());
    throw WrongSize(Got);
  }
  AKey = Key;
  sodium_memzero(Key.data(), Key.size());
  return true;
}

void TSodiumDataProtection::CreateKeyFile(TKey& AKey) const {
  MakePrivateFolder(FKeyFolder);
  const fs::path Path = KeyFilePath();
  TKey Key{};
  randombytes_buf(Key.data(), Key.size());
  const auto Fail = [&](const std::u16string& AMessage) {
    sodium_memzero(Key.data(), Key.size());
    return TError(AMessage);
  };

  // The key is written completely under a temporary name and then linked into place, which
  // fails if another process got there first; nobody ever sees a half-written key file.
  std::string Temp = (FKeyFolder / (std::string(KeyFileName) + ".XXXXXX")).string();
  TFileHandle TempFile(::mkostemp(Temp.data(), O_CLOEXEC));
  if (TempFile.Get() < 0) throw Fail(u"Cannot create the key file " + PathText(Path) + u": " + SystemText(errno));
  ::fchmod(TempFile.Get(), 0600);
  if (const int Error = WriteAndClose(TempFile, Key); Error != 0) {
    ::unlink(Temp.c_str());
    throw Fail(u"Cannot write the key file " + PathText(Path) + u": " + SystemText(Error));
  }
  const int Linked = ::link(Temp.c_str(), Path.c_str());
  const int LinkError = errno;
  ::unlink(Temp.c_str());
  if (Linked == 0) {
    SyncFolder(FKeyFolder);
    AKey = Key;
    sodium_memzero(Key.data(), Key.size());
    return;
  }
  if (LinkError == EEXIST) {
    sodium_memzero(Key.data(), Key.size());
    if (!ReadKeyFile(AKey)) throw TError(u"The key file " + PathText(Path) + u" vanished while it was being read");
    return;
  }

  // A file system without hard links: create the key file exclusively in place.
  TFileHandle File(::open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (File.Get() < 0) {
    const int OpenError = errno;
    sodium_memzero(Key.data(), Key.size());
    if (OpenError == EEXIST && ReadKeyFile(AKey)) return;
    throw TError(u"Cannot create the key file " + PathText(Path) + u": " + SystemText(OpenError));
  }
  ::fchmod(File.Get(), 0600);
  if (const int Error = WriteAndClose(File, Key); Error != 0) {
    ::unlink(Path.c_str());
    throw Fail(u"Cannot write the key file " + PathText(Path) + u": " + SystemText(Error));
  }
  SyncFolder(FKeyFolder);
  AKey = Key;
  sodium_memzero(Key.data(), Key.size());
}

TSodiumDataProtection::TKey TSodiumDataProtection::LoadKey(bool ACreate) const {
  TKey Key{};
  if (!ReadKeyFile(Key)) {
    if (!ACreate)
      throw TError(u"The key file " + PathText(KeyFilePath()) + u" does not exist, so the data cannot be decrypted");
    CreateKeyFile(Key);
  }
  return Key;
}

TBytes TSodiumDataProtection::Protect(const TBytes& APlain) {
  InitSodium();
  TKey Key = LoadKey(true);
  static const std::uint8_t NoBytes = 0;
  TBytes Blob(MinBlobSize + APlain.size());
  Blob[0] = FormatVersion;
  std::uint8_t* Nonce = Blob.data() + 1;
  randombytes_buf(Nonce, NonceSize);
  const int Result = crypto_secretbox_easy(Blob.data() + HeaderSize, APlain.empty() ? &NoBytes : APlain.data(),
                                           APlain.size(), Nonce, Key.data());
  sodium_memzero(Key.data(), Key.size());
  if (Result != 0) throw TError(u"The data could not be encrypted");
  return Blob;
}

TBytes TSodiumDataProtection::ProtectInPlace(TBytes ABuffer) {
  if (ABuffer.size() < MinBlobSize) throw TError(u"The data could not be encrypted: no room for its header");
  InitSodium();
  TKey Key = LoadKey(true);
  std::uint8_t* Blob = ABuffer.data();
  Blob[0] = FormatVersion;
  std::uint8_t* Nonce = Blob + 1;
  randombytes_buf(Nonce, NonceSize);
  // The same bytes as crypto_secretbox_easy's: the authenticator, then the ciphertext, here
  // written over the plain bytes.
  std::uint8_t* Text = Blob + MinBlobSize;
  const int Result =
      crypto_secretbox_detached(Text, Blob + HeaderSize, Text, ABuffer.size() - MinBlobSize, Nonce, Key.data());
  sodium_memzero(Key.data(), Key.size());
  if (Result != 0) throw TError(u"The data could not be encrypted");
  return ABuffer;
}

TBytes TSodiumDataProtection::Unprotect(const TBytes& AProtected) {
  InitSodium();
  if (AProtected.empty()) throw TError(u"The data is invalid: it is empty");
  if (AProtected[0] != FormatVersion)
    throw TError(u"The data is invalid: unknown format version " + IntToStr(AProtected[0]));
  if (AProtected.size() < MinBlobSize)
    throw TError(u"The data is invalid: it is truncated (" + IntToStr(static_cast<long long>(AProtected.size())) +
                 u" bytes, at least " + IntToStr(static_cast<long long>(MinBlobSize)) + u" expected)");
  TKey Key = LoadKey(false);
  TBytes Plain(AProtected.size() - MinBlobSize);
  std::uint8_t Scratch = 0;
  const int Result = crypto_secretbox_open_easy(Plain.empty() ? &Scratch : Plain.data(), AProtected.data() + HeaderSize,
                                                AProtected.size() - HeaderSize, AProtected.data() + 1, Key.data());
  sodium_memzero(Key.data(), Key.size());
  if (Result != 0) throw TError(u"The data is invalid: authentication failed (wrong key or damaged data)");
  return Plain;
}

} // namespace vm
