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
static_assert(TSodiumDataProtection::KeyIdSize >= crypto_generichash_BYTES_MIN);

namespace {

// Version byte, the key's id for a keyring blob, then the nonce.
constexpr std::size_t HeaderSize(std::uint8_t AVersion) {
  return 1 + (AVersion == TSodiumDataProtection::KeyringFormatVersion ? TSodiumDataProtection::KeyIdSize : 0) +
         TSodiumDataProtection::NonceSize;
}
constexpr std::size_t MinBlobSize(std::uint8_t AVersion) { return HeaderSize(AVersion) + TSodiumDataProtection::MacSize; }

// Names a key without giving anything of it away: a keyed hash of a fixed text.
std::array<std::uint8_t, TSodiumDataProtection::KeyIdSize> KeyId(const TSodiumDataProtection::TKey& AKey) {
  static constexpr char Context[] = "Vellomarch history key id";
  std::array<std::uint8_t, TSodiumDataProtection::KeyIdSize> Id{};
  crypto_generichash(Id.data(), Id.size(), reinterpret_cast<const std::uint8_t*>(Context), sizeof Context - 1,
                     AKey.data(), AKey.size());
  return Id;
}

// What the user can do about a history file whose key is out of reach; the file stays as it is.
constexpr char16_t LeftAsItIs[] =
    u"The history file is left as it is and nothing is saved in this session: start the program where "
    u"that keyring is unlocked to open it, or move the file away to start a new history";

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

TSodiumDataProtection::~TSodiumDataProtection() {
  if (FKeyringKey) sodium_memzero(FKeyringKey->data(), FKeyringKey->size());
}

void TSodiumDataProtection::UseKeyringKey(const TKey& AKey) {
  FKeyring = TKeyring::HoldsKey;
  FKeyringKey = AKey;
  FKeyringReason.clear();
}

void TSodiumDataProtection::KeyringUnreachable(std::u16string AReason) {
  FKeyring = TKeyring::Unreachable;
  FKeyringKey.reset();
  FKeyringReason = std::move(AReason);
}

void TSodiumDataProtection::KeyringWithoutKey() {
  FKeyring = TKeyring::WithoutKey;
  FKeyringKey.reset();
  FKeyringReason.clear();
}

std::optional<TSodiumDataProtection::TKey> TSodiumDataProtection::ReadKeyFileKey() const {
  TKey Key{};
  if (!ReadKeyFile(Key)) return std::nullopt;
  return Key;
}

void TSodiumDataProtection::RemoveKeyFile() const {
  const fs::path Path = KeyFilePath();
  if (::unlink(Path.c_str()) != 0 && errno != ENOENT)
    throw TError(u"Cannot remove the key file " + PathText(Path) + u": " + SystemText(errno));
  SyncFolder(FKeyFolder);
}

std::uint8_t TSodiumDataProtection::KeyForProtect(TKey& AKey) const {
  if (FKeyringKey) {
    AKey = *FKeyringKey;
    return KeyringFormatVersion;
  }
  AKey = LoadKey(true);
  return FormatVersion;
}

TSodiumDataProtection::TKey TSodiumDataProtection::KeyForUnprotect(const TBytes& AProtected) const {
  if (AProtected[0] == KeyringFormatVersion) {
    switch (FKeyring) {
      case TKeyring::HoldsKey: {
        const auto Id = KeyId(*FKeyringKey);
        if (sodium_memcmp(Id.data(), AProtected.data() + 1, Id.size()) != 0)
          throw TKeyUnavailable(u"The history file was protected with a key that this desktop's keyring does not "
                                u"hold (the file comes from another computer or another user). " +
                                std::u16string(LeftAsItIs));
        return *FKeyringKey;
      }
      case TKeyring::Unreachable:
        throw TKeyUnavailable(u"The history file was protected with the key kept in the desktop's keyring, which "
                              u"cannot be reached (" + FKeyringReason + u"). " + std::u16string(LeftAsItIs));
      case TKeyring::WithoutKey:
        throw TKeyUnavailable(u"The history file was protected with a key kept in a desktop keyring, and this "
                              u"desktop's keyring holds no history key (the file comes from another computer or "
                              u"another user, or the key was deleted). " + std::u16string(LeftAsItIs));
      case TKeyring::NotAsked:
        throw TKeyUnavailable(u"The history file was protected with the key kept in the desktop's keyring, which "
                              u"was not asked");
    }
  }
  TKey Key{};
  if (ReadKeyFile(Key)) return Key;
  // The program removes a key file only once its key is in the keyring: a file saved before
  // that move opens with the keyring's copy of the same key.
  if (FKeyringKey) return *FKeyringKey;
  if (FKeyring == TKeyring::Unreachable)
    throw TKeyUnavailable(u"The key file " + PathText(KeyFilePath()) + u" does not exist and the desktop's keyring, "
                          u"where it may have been moved, cannot be reached (" + FKeyringReason + u"). " +
                          std::u16string(LeftAsItIs));
  throw TError(u"The key file " + PathText(KeyFilePath()) + u" does not exist, so the data cannot be decrypted");
}

// The same blob as the save's: the plain bytes copied behind the header's room, then encrypted there.
TBytes TSodiumDataProtection::Protect(const TBytes& APlain) {
  TBytes Buffer(InPlaceHeaderSize());
  Buffer.insert(Buffer.end(), APlain.begin(), APlain.end());
  return ProtectInPlace(std::move(Buffer));
}

std::size_t TSodiumDataProtection::InPlaceHeaderSize() const {
  return MinBlobSize(UsesKeyring() ? KeyringFormatVersion : FormatVersion);
}

TBytes TSodiumDataProtection::ProtectInPlace(TBytes ABuffer) {
  InitSodium();
  TKey Key{};
  const std::uint8_t Version = KeyForProtect(Key);
  const std::size_t Header = HeaderSize(Version), MinSize = MinBlobSize(Version);
  if (ABuffer.size() < MinSize || MinSize != InPlaceHeaderSize()) {
    sodium_memzero(Key.data(), Key.size());
    throw TError(u"The data could not be encrypted: no room for its header");
  }
  std::uint8_t* Blob = ABuffer.data();
  Blob[0] = Version;
  if (Version == KeyringFormatVersion) {
    const auto Id = KeyId(Key);
    std::memcpy(Blob + 1, Id.data(), Id.size());
  }
  std::uint8_t* Nonce = Blob + Header - NonceSize;
  randombytes_buf(Nonce, NonceSize);
  // The same bytes as crypto_secretbox_easy's: the authenticator, then the ciphertext, here
  // written over the plain bytes.
  std::uint8_t* Text = Blob + MinSize;
  const int Result = crypto_secretbox_detached(Text, Blob + Header, Text, ABuffer.size() - MinSize, Nonce, Key.data());
  sodium_memzero(Key.data(), Key.size());
  if (Result != 0) throw TError(u"The data could not be encrypted");
  return ABuffer;
}

TBytes TSodiumDataProtection::Unprotect(const TBytes& AProtected) {
  InitSodium();
  if (AProtected.empty()) throw TError(u"The data is invalid: it is empty");
  const std::uint8_t Version = AProtected[0];
  if (Version != FormatVersion && Version != KeyringFormatVersion)
    throw TError(u"The data is invalid: unknown format version " + IntToStr(Version));
  const std::size_t Header = HeaderSize(Version), MinSize = MinBlobSize(Version);
  if (AProtected.size() < MinSize)
    throw TError(u"The data is invalid: it is truncated (" + IntToStr(static_cast<long long>(AProtected.size())) +
                 u" bytes, at least " + IntToStr(static_cast<long long>(MinSize)) + u" expected)");
  TKey Key = KeyForUnprotect(AProtected);
  TBytes Plain(AProtected.size() - MinSize);
  std::uint8_t Scratch = 0;
  const int Result =
      crypto_secretbox_open_easy(Plain.empty() ? &Scratch : Plain.data(), AProtected.data() + Header,
                                 AProtected.size() - Header, AProtected.data() + Header - NonceSize, Key.data());
  sodium_memzero(Key.data(), Key.size());
  if (Result != 0) throw TError(u"The data is invalid: authentication failed (wrong key or damaged data)");
  return Plain;
}

} // namespace vm
