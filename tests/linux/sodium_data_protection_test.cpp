#include "platform/linux/sodium_data_protection.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include "platform/linux/xdg_folders.h"
#include "support/error.h"
#include "support/text.h"

namespace vm {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
  TempFolder() {
    FPath = fs::temp_directory_path() / ("vellomarch-keytest-" + std::to_string(std::random_device{}()));
    fs::remove_all(FPath);
    fs::create_directories(FPath);
  }
  ~TempFolder() {
    std::error_code Ec;
    fs::remove_all(FPath, Ec);
  }
  const fs::path& Path() const { return FPath; }

private:
  fs::path FPath;
};

TBytes BytesOf(const std::string& AText) { return TBytes(AText.begin(), AText.end()); }

unsigned ModeOf(const fs::path& APath) {
  struct stat Info {};
  EXPECT_EQ(::stat(APath.c_str(), &Info), 0) << APath;
  return Info.st_mode & 07777;
}

std::u16string UnprotectError(TSodiumDataProtection& AProtection, const TBytes& ABlob) {
  try {
    AProtection.Unprotect(ABlob);
  } catch (const TError& E) {
    return E.Message();
  }
  return u"(no error)";
}

class SodiumDataProtection : public ::testing::Test {
protected:
  TempFolder FTemp;
  // Below the temporary folder, so that creating it with its parent is part of what is tested.
  fs::path FKeyFolder = FTemp.Path() / "config" / "vellomarch";
};

TEST_F(SodiumDataProtection, RoundTripsSmallEmptyAndLargeInputs) {
  TSodiumDataProtection Protection(FKeyFolder);
  TBytes Large(3 * 1024 * 1024 + 7);
  std::mt19937 Random(42);
  for (auto& B : Large) B = static_cast<std::uint8_t>(Random());
  for (const TBytes& Plain : {TBytes{}, TBytes{0}, BytesOf("[]"), BytesOf("[{\"t\":0,\"x\":\"A\\/B\"}]"), Large}) {
    // The save's way, encrypting where the bytes lie behind the free room for the header,
    // writes the same kind of blob.
    TBytes Roomy(Protection.InPlaceHeaderSize(), 0xEE);
    Roomy.insert(Roomy.end(), Plain.begin(), Plain.end());
    for (const TBytes& Blob : {Protection.Protect(Plain), Protection.ProtectInPlace(Roomy)}) {
      ASSERT_EQ(Blob.size(), 1 + 24 + 16 + Plain.size());
      EXPECT_EQ(Blob[0], TSodiumDataProtection::FormatVersion);
      EXPECT_EQ(Protection.Unprotect(Blob), Plain) << "plain size " << Plain.size();
    }
  }
}

TEST_F(SodiumDataProtection, SamePlainGivesDifferentBlobs) {
  // A fresh nonce per call: equal histories must not be recognisable from their files.
  TSodiumDataProtection Protection(FKeyFolder);
  const TBytes Plain = BytesOf("[]");
  EXPECT_NE(Protection.Protect(Plain), Protection.Protect(Plain));
}

TEST_F(SodiumDataProtection, CreatesKeyFileReadableOnlyByTheUser) {
  TSodiumDataProtection Protection(FKeyFolder);
  EXPECT_FALSE(fs::exists(Protection.KeyFilePath())) << "the key is made on first use, not before";
  Protection.Protect(BytesOf("x"));
  ASSERT_TRUE(fs::is_regular_file(Protection.KeyFilePath()));
  EXPECT_EQ(fs::file_size(Protection.KeyFilePath()), 32u);
  EXPECT_EQ(ModeOf(Protection.KeyFilePath()), 0600u);
  EXPECT_EQ(ModeOf(FKeyFolder), 0700u);
  EXPECT_EQ(ModeOf(FKeyFolder.parent_path()), 0700u);
  // Only the key file remains: the temporary name used while writing it is gone.
  EXPECT_EQ(std::distance(fs::directory_iterator(FKeyFolder), fs::directory_iterator()), 1);
}

TEST_F(SodiumDataProtection, TightensAnExistingKeyFolderThatOthersCouldRead) {
  fs::create_directories(FKeyFolder);
  fs::permissions(FKeyFolder, fs::perms(0755));
  TSodiumDataProtection Protection(FKeyFolder);
  Protection.Protect(BytesOf("x"));
  EXPECT_EQ(ModeOf(FKeyFolder), 0700u);
}

TEST_F(SodiumDataProtection, KeyIsReusedByLaterInstances) {
  TBytes Blob;
  {
    TSodiumDataProtection First(FKeyFolder);
    Blob = First.Protect(BytesOf("history"));
  }
  TSodiumDataProtection Second(FKeyFolder);
  EXPECT_EQ(Second.Unprotect(Blob), BytesOf("history"));
  // A second instance that protects first must also pick the existing key up, not make its own.
  TSodiumDataProtection Third(FKeyFolder);
  EXPECT_EQ(TSodiumDataProtection(FKeyFolder).Unprotect(Third.Protect(BytesOf("again"))), BytesOf("again"));
}

TEST_F(SodiumDataProtection, KeyFileDeletedWhileRunningIsMadeAgainBeforeTheNextSave) {
  // The program lives for days; a save after the key was removed must still open at the next start.
  TSodiumDataProtection Running(FKeyFolder);
  Running.Protect(BytesOf("before"));
  fs::remove_all(FKeyFolder);
  const TBytes Blob = Running.Protect(BytesOf("after"));
  EXPECT_EQ(TSodiumDataProtection(FKeyFolder).Unprotect(Blob), BytesOf("after"));
}

TEST_F(SodiumDataProtection, BlobUnderAnotherKeyFails) {
  TSodiumDataProtection Mine(FKeyFolder);
  TSodiumDataProtection Other(FTemp.Path() / "other");
  const TBytes Blob = Other.Protect(BytesOf("someone else's history"));
  Mine.Protect(BytesOf("x")); // make sure the first key exists
  EXPECT_EQ(UnprotectError(Mine, Blob), u"The data is invalid: authentication failed (wrong key or damaged data)");
}

TEST_F(SodiumDataProtection, UnprotectWithoutAKeyFileFailsAndCreatesNothing) {
  TSodiumDataProtection Other(FTemp.Path() / "other");
  const TBytes Blob = Other.Protect(BytesOf("x"));
  TSodiumDataProtection Protection(FKeyFolder);
  const std::u16string Message = UnprotectError(Protection, Blob);
  EXPECT_NE(Message.find(u"does not exist"), std::u16string::npos) << Utf16ToUtf8(Message);
  EXPECT_FALSE(fs::exists(Protection.KeyFilePath()));
}

TEST_F(SodiumDataProtection, TruncatedEmptyAndUnknownVersionBlobsFail) {
  TSodiumDataProtection Protection(FKeyFolder);
  const TBytes Blob = Protection.Protect(BytesOf("abc"));
  for (std::size_t Size : {std::size_t{0}, std::size_t{1}, std::size_t{25}, std::size_t{40}, Blob.size() - 1}) {
    const TBytes Short(Blob.begin(), Blob.begin() + static_cast<std::ptrdiff_t>(Size));
    const std::u16string Message = UnprotectError(Protection, Short);
    EXPECT_EQ(Message.rfind(u"The data is invalid: ", 0), 0u) << "size " << Size << ": " << Utf16ToUtf8(Message);
  }
  TBytes Future = Blob;
  Future[0] = 3;
  EXPECT_EQ(UnprotectError(Protection, Future), u"The data is invalid: unknown format version 3");
}

TEST_F(SodiumDataProtection, EveryChangedByteFails) {
  TSodiumDataProtection Protection(FKeyFolder);
  const TBytes Plain = BytesOf("[{\"t\":0}]");
  const TBytes Blob = Protection.Protect(Plain);
  for (std::size_t Pos = 0; Pos < Blob.size(); ++Pos) {
    for (std::uint8_t Flip : {std::uint8_t{0x01}, std::uint8_t{0x80}, std::uint8_t{0xFF}}) {
      TBytes Damaged = Blob;
      Damaged[Pos] ^= Flip;
      EXPECT_THROW(Protection.Unprotect(Damaged), TError) << "byte " << Pos << " ^ " << int(Flip);
    }
  }
  EXPECT_EQ(Protection.Unprotect(Blob), Plain);
}

TEST_F(SodiumDataProtection, KeyFileOfTheWrongSizeIsAnErrorAndIsKeptAsItIs) {
  fs::create_directories(FKeyFolder);
  const fs::path KeyFile = FKeyFolder / TSodiumDataProtection::KeyFileName;
  for (const std::string& Content : {std::string(), std::string(31, 'k'), std::string(33, 'k')}) {
    {
      std::ofstream Out(KeyFile, std::ios::binary | std::ios::trunc);
      Out << Content;
    }
    TSodiumDataProtection Protection(FKeyFolder);
    try {
      Protection.Protect(BytesOf("x"));
      ADD_FAILURE() << "a key file of " << Content.size() << " bytes was accepted";
    } catch (const TError& E) {
      EXPECT_NE(E.Message().find(u"wrong size"), std::u16string::npos) << Utf16ToUtf8(E.Message());
    }
    EXPECT_EQ(fs::file_size(KeyFile), Content.size()) << "the key file must never be replaced";
  }
}

TEST_F(SodiumDataProtection, KeyFileThatIsASymbolicLinkIsRefused) {
  fs::create_directories(FKeyFolder);
  const fs::path Elsewhere = FTemp.Path() / "planted.key";
  {
    std::ofstream Out(Elsewhere, std::ios::binary);
    Out << std::string(32, 'k');
  }
  fs::create_symlink(Elsewhere, FKeyFolder / TSodiumDataProtection::KeyFileName);
  TSodiumDataProtection Protection(FKeyFolder);
  EXPECT_THROW(Protection.Protect(BytesOf("x")), TError);
}

TEST_F(SodiumDataProtection, KeyFileOpenToOthersIsTightened) {
  TBytes Blob;
  {
    TSodiumDataProtection First(FKeyFolder);
    Blob = First.Protect(BytesOf("x"));
  }
  const fs::path KeyFile = FKeyFolder / TSodiumDataProtection::KeyFileName;
  fs::permissions(KeyFile, fs::perms(0644));
  TSodiumDataProtection Second(FKeyFolder);
  EXPECT_EQ(Second.Unprotect(Blob), BytesOf("x"));
  EXPECT_EQ(ModeOf(KeyFile), 0600u);
}

TEST_F(SodiumDataProtection, KeyFolderBlockedByAFileIsAnError) {
  fs::create_directories(FKeyFolder.parent_path());
  std::ofstream(FKeyFolder) << "not a folder";
  TSodiumDataProtection Protection(FKeyFolder);
  try {
    Protection.Protect(BytesOf("x"));
    ADD_FAILURE() << "no error";
  } catch (const TError& E) {
    EXPECT_NE(E.Message().find(u"Not a directory"), std::u16string::npos) << Utf16ToUtf8(E.Message());
  }
}

// Where the key was kept decides what a blob needs: a keyring blob (version 2) opens only with
// that keyring's key, and one that cannot have it says so (TKeyUnavailable: the history file is
// then left alone) instead of looking damaged; a key-file blob (version 1) opens with the key file
// or, once that key was moved, with the keyring's copy of it.
TEST_F(SodiumDataProtection, EachBlobOpensOnlyWithTheKeyWhereItWasKept) {
  TSodiumDataProtection::TKey KeyringKey{}, OtherKey{};
  KeyringKey.fill(0x11);
  OtherKey.fill(0x22);
  TSodiumDataProtection InKeyring(FTemp.Path() / "keyring-user");
  InKeyring.UseKeyringKey(KeyringKey);
  const TBytes Plain = BytesOf("[{\"t\":0}]");
  const TBytes KeyringBlob = InKeyring.Protect(Plain);
  ASSERT_EQ(KeyringBlob[0], TSodiumDataProtection::KeyringFormatVersion);
  // The save's way, in place behind the room for the longer header the key's id needs.
  TBytes Roomy(InKeyring.InPlaceHeaderSize(), 0);
  Roomy.insert(Roomy.end(), Plain.begin(), Plain.end());
  const TBytes InPlaceBlob = InKeyring.ProtectInPlace(Roomy);
  EXPECT_EQ(InPlaceBlob[0], TSodiumDataProtection::KeyringFormatVersion);
  EXPECT_EQ(InKeyring.Unprotect(InPlaceBlob), Plain);
  EXPECT_FALSE(fs::exists(InKeyring.KeyFilePath())) << "a keyring user got a key file";

  TSodiumDataProtection FileUser(FKeyFolder);
  const TBytes FileBlob = FileUser.Protect(Plain);
  ASSERT_EQ(FileBlob[0], TSodiumDataProtection::FormatVersion);
  const std::optional<TSodiumDataProtection::TKey> FileKey = FileUser.ReadKeyFileKey();
  ASSERT_TRUE(FileKey);

  enum TOutcome { Opens, KeyUnavailable, Fails };
  struct TCase {
    const char* Name;
    std::function<void(TSodiumDataProtection&)> Keyring; // the session's keyring, as the start-up found it
    bool KeyFile;                                        // the key file is there
    const TBytes* Blob;
    TOutcome Outcome;
  } const Cases[] = {
      {"keyring blob, its keyring", [&](auto& P) { P.UseKeyringKey(KeyringKey); }, false, &KeyringBlob, Opens},
      {"keyring blob, keyring unreachable", [](auto& P) { P.KeyringUnreachable(u"no bus"); }, true, &KeyringBlob,
       KeyUnavailable},
      {"keyring blob, keyring without key", [](auto& P) { P.KeyringWithoutKey(); }, false, &KeyringBlob,
       KeyUnavailable},
      {"keyring blob, another keyring's key", [&](auto& P) { P.UseKeyringKey(OtherKey); }, false, &KeyringBlob,
       KeyUnavailable},
      {"key file blob, key file", [](auto& P) { P.KeyringUnreachable(u"no bus"); }, true, &FileBlob, Opens},
      {"key file blob, key moved into the keyring", [&](auto& P) { P.UseKeyringKey(*FileKey); }, false, &FileBlob,
       Opens},
      {"key file blob, key file gone, keyring unreachable", [](auto& P) { P.KeyringUnreachable(u"no bus"); }, false,
       &FileBlob, KeyUnavailable},
      {"key file blob, key file gone, keyring without key", [](auto& P) { P.KeyringWithoutKey(); }, false, &FileBlob,
       Fails},
  };
  const fs::path SavedKey = FTemp.Path() / "saved.key";
  fs::copy_file(FileUser.KeyFilePath(), SavedKey);
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    fs::remove(FileUser.KeyFilePath());
    if (Case.KeyFile) fs::copy_file(SavedKey, FileUser.KeyFilePath());
    TSodiumDataProtection P(FKeyFolder);
    Case.Keyring(P);
    try {
      EXPECT_EQ(P.Unprotect(*Case.Blob), Plain);
      EXPECT_EQ(Case.Outcome, Opens);
    } catch (const TKeyUnavailable& E) {
      EXPECT_EQ(Case.Outcome, KeyUnavailable) << Utf16ToUtf8(E.Message());
      EXPECT_NE(E.Message().find(u"move the file away to start a new history"), std::u16string::npos)
          << Utf16ToUtf8(E.Message());
    } catch (const TError& E) {
      EXPECT_EQ(Case.Outcome, Fails) << Utf16ToUtf8(E.Message());
    }
  }
}

TEST(SodiumDataProtectionDefaults, KeyFolderFollowsXdgConfigHome) {
  const char* Saved = std::getenv("XDG_CONFIG_HOME");
  const std::optional<std::string> Restore = Saved ? std::optional<std::string>(Saved) : std::nullopt;
  ::setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
  EXPECT_EQ(TSodiumDataProtection::DefaultKeyFolder(), fs::path("/somewhere/config/vellomarch"));
  // A relative value is not a valid base folder and is ignored.
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(TSodiumDataProtection::DefaultKeyFolder(), UserHomeFolder() / ".config" / "vellomarch");
  if (Restore) ::setenv("XDG_CONFIG_HOME", Restore->c_str(), 1);
  else ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace vm
